// IDispatch over the module's own type library: the add-in classes answer IDispatch through
// the ITypeInfo of their dual interface, loaded once per process from the module file.
#pragma once
#include <windows.h>
#include <oaidl.h>

namespace kal {

// The ITypeInfo of an interface or coclass described in the module's type library (counted
// reference). TYPE_E_ELEMENTNOTFOUND for an id the library does not hold.
HRESULT GetModuleTypeInfo(REFGUID guid, ITypeInfo** typeInfo) noexcept;
// The module's type library itself (counted reference).
HRESULT GetModuleTypeLib(ITypeLib** typeLib) noexcept;
// Drops the module's own reference to the type library (the DLL is being freed).
void ReleaseModuleTypeLib() noexcept;

// The four IDispatch methods of a dual interface, over its ITypeInfo.
HRESULT TypeInfoGetTypeInfoCount(UINT* count) noexcept;
HRESULT TypeInfoGetTypeInfo(REFIID dualIid, UINT index, ITypeInfo** typeInfo) noexcept;
HRESULT TypeInfoGetIDsOfNames(REFIID dualIid, REFIID riid, LPOLESTR* names, UINT count,
                              DISPID* dispIds) noexcept;
HRESULT TypeInfoInvoke(REFIID dualIid, void* dualInterface, DISPID dispId, REFIID riid,
                       WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO* excepInfo,
                       UINT* argErr) noexcept;

}  // namespace kal

// Declares, inside a class body, the IDispatch methods for every IDispatch-derived base of the
// class, all answered by the type information of the class's dual interface DualI.
#define KAL_DISPATCH_FROM_TYPEINFO(DualI)                                                       \
  STDMETHODIMP GetTypeInfoCount(UINT* count) override {                                        \
    return ::kal::TypeInfoGetTypeInfoCount(count);                                             \
  }                                                                                            \
  STDMETHODIMP GetTypeInfo(UINT index, LCID, ITypeInfo** typeInfo) override {                  \
    return ::kal::TypeInfoGetTypeInfo(__uuidof(DualI), index, typeInfo);                      \
  }                                                                                            \
  STDMETHODIMP GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID,                   \
                             DISPID* dispIds) override {                                       \
    return ::kal::TypeInfoGetIDsOfNames(__uuidof(DualI), riid, names, count, dispIds);         \
  }                                                                                            \
  STDMETHODIMP Invoke(DISPID dispId, REFIID riid, LCID, WORD flags, DISPPARAMS* params,        \
                      VARIANT* result, EXCEPINFO* excepInfo, UINT* argErr) override {          \
    return ::kal::TypeInfoInvoke(__uuidof(DualI), static_cast<DualI*>(this), dispId, riid,     \
                                 flags, params, result, excepInfo, argErr);                    \
  }
