// Loads the module's embedded type library on first use and serves IDispatch from it.
#include "core/com/typeinfo_dispatch.h"

#include <oleauto.h>
#include <wrl/client.h>

#include <mutex>

#include "core/com/module.h"

using Microsoft::WRL::ComPtr;

namespace kal {
namespace {

std::mutex g_typeLibMutex;
ITypeLib* g_pTypeLib = nullptr;  // kept until the DLL is freed once loaded

}  // namespace

HRESULT GetModuleTypeLib(ITypeLib** typeLib) noexcept {
  if (!typeLib) return E_POINTER;
  *typeLib = nullptr;
  std::lock_guard<std::mutex> lock(g_typeLibMutex);
  if (!g_pTypeLib) {
    const wchar_t* path = CKalMsAddinModule::Instance().ModulePath();
    if (!path[0]) return E_UNEXPECTED;
    // The embedded resource TYPELIB 1; loading from the file needs no registration.
    const HRESULT hr = ::LoadTypeLibEx(path, REGKIND_NONE, &g_pTypeLib);
    if (FAILED(hr)) return hr;
  }
  *typeLib = g_pTypeLib;
  g_pTypeLib->AddRef();
  return S_OK;
}

void ReleaseModuleTypeLib() noexcept {
  std::lock_guard<std::mutex> lock(g_typeLibMutex);
  if (g_pTypeLib) g_pTypeLib->Release();
  g_pTypeLib = nullptr;
}

HRESULT GetModuleTypeInfo(REFGUID guid, ITypeInfo** typeInfo) noexcept {
  if (!typeInfo) return E_POINTER;
  *typeInfo = nullptr;
  ComPtr<ITypeLib> lib;
  const HRESULT hr = GetModuleTypeLib(&lib);
  if (FAILED(hr)) return hr;
  return lib->GetTypeInfoOfGuid(guid, typeInfo);
}

HRESULT TypeInfoGetTypeInfoCount(UINT* count) noexcept {
  if (!count) return E_POINTER;
  *count = 1;
  return S_OK;
}

HRESULT TypeInfoGetTypeInfo(REFIID dualIid, UINT index, ITypeInfo** typeInfo) noexcept {
  if (!typeInfo) return E_POINTER;
  *typeInfo = nullptr;
  if (index != 0) return DISP_E_BADINDEX;
  return GetModuleTypeInfo(dualIid, typeInfo);
}

HRESULT TypeInfoGetIDsOfNames(REFIID dualIid, REFIID riid, LPOLESTR* names, UINT count,
                              DISPID* dispIds) noexcept {
  if (!::IsEqualIID(riid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
  ComPtr<ITypeInfo> info;
  const HRESULT hr = GetModuleTypeInfo(dualIid, &info);
  if (FAILED(hr)) return hr;
  return ::DispGetIDsOfNames(info.Get(), names, count, dispIds);
}

HRESULT TypeInfoInvoke(REFIID dualIid, void* dualInterface, DISPID dispId, REFIID riid,
                       WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO* excepInfo,
                       UINT* argErr) noexcept {
  if (!::IsEqualIID(riid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
  ComPtr<ITypeInfo> info;
  const HRESULT hr = GetModuleTypeInfo(dualIid, &info);
  if (FAILED(hr)) return hr;
  return ::DispInvoke(dualInterface, info.Get(), dispId, flags, params, result, excepInfo,
                      argErr);
}

}  // namespace kal
