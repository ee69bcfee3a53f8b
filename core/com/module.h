// CKalMsAddinModule: the one module object of KalMsAddin.dll. It holds the lock count that
// DllCanUnloadNow answers from, the module's critical section, the module handle, the
// per-user registration switch and, on demand, the process's global interface table.
#pragma once
#include <windows.h>
#include <objidl.h>
#include <wrl/client.h>

#include <string>
#include <utility>
#include <vector>

namespace kal {

// Type library id and application id of the module.
// {805A108E-A78A-417E-8C9D-55BE75617D33}
constexpr GUID LIBID_KalMsAddinLib = {0x805A108E, 0xA78A, 0x417E,
                                      {0x8C, 0x9D, 0x55, 0xBE, 0x75, 0x61, 0x7D, 0x33}};
// {3CB29F4E-5A9A-4EA1-A1E8-780028C14832}
constexpr GUID APPID_KalMsAddin = {0x3CB29F4E, 0x5A9A, 0x4EA1,
                                   {0xA1, 0xE8, 0x78, 0x00, 0x28, 0xC1, 0x48, 0x32}};

class CKalMsAddinModule {
 public:
  // The process's module object (constructed on first use).
  static CKalMsAddinModule& Instance() noexcept;
  // Destroys the module object when the DLL is unloaded by FreeLibrary (COM only unloads it
  // once DllCanUnloadNow answered S_OK, so no object of the module is left).
  static void DestroyInstance() noexcept;

  virtual ~CKalMsAddinModule();
  CKalMsAddinModule(const CKalMsAddinModule&) = delete;
  CKalMsAddinModule& operator=(const CKalMsAddinModule&) = delete;

  virtual LONG Lock() noexcept;
  virtual LONG Unlock() noexcept;
  virtual LONG GetLockCount() const noexcept;
  // The process's global interface table, created in-process on first request (counted
  // reference handed to the caller).
  virtual HRESULT GetGITPtr(IGlobalInterfaceTable** git) noexcept;
  // Replacements every registry script of the module may use: "APPID" with the application id.
  virtual void AddCommonRegistryReplacements(
      std::vector<std::pair<std::wstring, std::wstring>>* replacements) const;

  // DLL entry handling: process attach stores the module handle and initialises the critical
  // section (FALSE when that fails); process detach by FreeLibrary releases the global
  // interface table and the cached type library.
  BOOL DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) noexcept;

  HINSTANCE ModuleInstance() const noexcept { return m_hInstance; }
  // Full path of the module file (empty when the module handle is not known yet).
  const wchar_t* ModulePath() const noexcept { return m_szModulePath; }

  // Per-user registration: HKEY_CLASSES_ROOT entries go to HKCU\Software\Classes and the type
  // library is registered for the current user. Once on, it stays on for the process.
  bool PerUserRegistration() const noexcept { return m_bPerUser; }
  void SetPerUserRegistration(bool on) noexcept { m_bPerUser = on; }

  // The module's critical section, for the rare process-wide state that needs one.
  CRITICAL_SECTION* CriticalSection() noexcept { return m_bCsReady ? &m_cs : nullptr; }

 private:
  CKalMsAddinModule() noexcept = default;
  bool InitCriticalSection() noexcept;

  volatile LONG m_nLockCount = 0;
  HINSTANCE m_hInstance = nullptr;
  wchar_t m_szModulePath[MAX_PATH] = {};
  bool m_bPerUser = false;
  CRITICAL_SECTION m_cs = {};
  bool m_bCsReady = false;
  Microsoft::WRL::ComPtr<IGlobalInterfaceTable> m_pGIT;  // released at unload
};

}  // namespace kal
