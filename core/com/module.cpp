// The module object: lock count, critical section, module path, global interface table.
#include "core/com/module.h"

#include <objbase.h>

#include "core/com/registry_script.h"
#include "core/com/typeinfo_dispatch.h"

namespace kal {

namespace {
// Not a static object: objects and class factories may outlive static destruction order, so
// the module object goes only when the DLL is freed, and is left alone at process exit.
CKalMsAddinModule* g_pModule = nullptr;
}  // namespace

CKalMsAddinModule& CKalMsAddinModule::Instance() noexcept {
  if (!g_pModule) g_pModule = new CKalMsAddinModule();
  return *g_pModule;
}

void CKalMsAddinModule::DestroyInstance() noexcept {
  delete g_pModule;
  g_pModule = nullptr;
}

CKalMsAddinModule::~CKalMsAddinModule() {
  if (m_bCsReady) ::DeleteCriticalSection(&m_cs);
}

LONG CKalMsAddinModule::Lock() noexcept { return ::InterlockedIncrement(&m_nLockCount); }

LONG CKalMsAddinModule::Unlock() noexcept { return ::InterlockedDecrement(&m_nLockCount); }

LONG CKalMsAddinModule::GetLockCount() const noexcept { return m_nLockCount; }

HRESULT CKalMsAddinModule::GetGITPtr(IGlobalInterfaceTable** git) noexcept {
  if (!git) return E_POINTER;
  *git = nullptr;
  if (!m_bCsReady) return E_UNEXPECTED;
  ::EnterCriticalSection(&m_cs);
  HRESULT hr = S_OK;
  if (!m_pGIT) {
    hr = ::CoCreateInstance(CLSID_StdGlobalInterfaceTable, nullptr, CLSCTX_INPROC_SERVER,
                            IID_PPV_ARGS(&m_pGIT));
  }
  if (SUCCEEDED(hr)) hr = m_pGIT.CopyTo(git);
  ::LeaveCriticalSection(&m_cs);
  return hr;
}

void CKalMsAddinModule::AddCommonRegistryReplacements(
    std::vector<std::pair<std::wstring, std::wstring>>* replacements) const {
  if (replacements) replacements->emplace_back(L"APPID", kAppIdText);
}

bool CKalMsAddinModule::InitCriticalSection() noexcept {
  if (m_bCsReady) return true;
  m_bCsReady = ::InitializeCriticalSectionAndSpinCount(&m_cs, 0) != FALSE;
  return m_bCsReady;
}

BOOL CKalMsAddinModule::DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) noexcept {
  switch (reason) {
    case DLL_PROCESS_ATTACH: {
      m_hInstance = instance;
      const DWORD length = ::GetModuleFileNameW(instance, m_szModulePath, MAX_PATH);
      if (length == 0 || length >= MAX_PATH) m_szModulePath[0] = L'\0';
      if (!InitCriticalSection()) return FALSE;
      // Thread notifications are still wanted: the configuration is re-read on each one.
      return TRUE;
    }
    case DLL_PROCESS_DETACH:
      // On process exit (reserved != null) other DLLs may be gone: leave them alone.
      if (!reserved) {
        m_pGIT.Reset();
        ReleaseModuleTypeLib();
      }
      return TRUE;
    default:
      return TRUE;
  }
}

}  // namespace kal
