// Applies the registry scripts and registers the embedded type library.
#include "core/com/registrar.h"

#include <oleauto.h>
#include <wrl/client.h>

#include <string>

#include "core/com/module.h"
#include "core/com_util.h"

using Microsoft::WRL::ComPtr;

// Exported by oleaut32 (Windows Vista and later) but not declared by the mingw headers.
extern "C" {
HRESULT WINAPI RegisterTypeLibForUser(ITypeLib* lib, OLECHAR* fullPath, OLECHAR* helpDir);
HRESULT WINAPI UnRegisterTypeLibForUser(REFGUID libId, WORD major, WORD minor, LCID lcid,
                                        SYSKIND syskind);
}

namespace kal {
namespace {

constexpr LCID kSystemDefaultLcid = 0x0800;

// The open root and the path below it for a script key.
HKEY RootKey(CRegRoot root) noexcept {
  return root == CRegRoot::LocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CLASSES_ROOT;
}
std::wstring RootedPath(const CRegKeySpec& key, bool perUser, HKEY* root) {
  if (key.root == CRegRoot::ClassesRoot && perUser) {
    *root = HKEY_CURRENT_USER;
    return L"Software\\Classes\\" + key.path;
  }
  *root = RootKey(key.root);
  return key.path;
}

LONG WriteValue(HKEY key, const CRegValueSpec& value) noexcept {
  const wchar_t* name = value.name.empty() ? nullptr : value.name.c_str();
  if (value.type == REG_DWORD) {
    return ::RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value.number),
                            sizeof(DWORD));
  }
  const DWORD bytes = static_cast<DWORD>((value.text.size() + 1) * sizeof(wchar_t));
  return ::RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.text.c_str()),
                          bytes);
}

bool IsMissing(LONG status) noexcept {
  return status == ERROR_FILE_NOT_FOUND || status == ERROR_PATH_NOT_FOUND;
}

// Restores the thread locale on every path out of registration.
class CThreadLocaleScope {
 public:
  explicit CThreadLocaleScope(LCID lcid) noexcept : m_saved(::GetThreadLocale()) {
    ::SetThreadLocale(lcid);
  }
  ~CThreadLocaleScope() { ::SetThreadLocale(m_saved); }
  CThreadLocaleScope(const CThreadLocaleScope&) = delete;
  CThreadLocaleScope& operator=(const CThreadLocaleScope&) = delete;

 private:
  LCID m_saved;
};

HRESULT RegisterModuleTypeLib(bool perUser) noexcept {
  const wchar_t* path = CKalMsAddinModule::Instance().ModulePath();
  ComPtr<ITypeLib> lib;
  KAL_RETURN_IF_FAILED(::LoadTypeLibEx(path, REGKIND_NONE, &lib));
  auto* fullPath = const_cast<OLECHAR*>(path);
  return perUser ? ::RegisterTypeLibForUser(lib.Get(), fullPath, nullptr)
                 : ::RegisterTypeLib(lib.Get(), fullPath, nullptr);
}

HRESULT UnregisterModuleTypeLib(bool perUser) noexcept {
  const wchar_t* path = CKalMsAddinModule::Instance().ModulePath();
  ComPtr<ITypeLib> lib;
  KAL_RETURN_IF_FAILED(::LoadTypeLibEx(path, REGKIND_NONE, &lib));
  TLIBATTR* attr = nullptr;
  KAL_RETURN_IF_FAILED(lib->GetLibAttr(&attr));
  const TLIBATTR copy = *attr;
  lib->ReleaseTLibAttr(attr);
  // Nothing registered is nothing to remove (systems disagree on the error they give then).
  CBstr registeredPath;
  if (FAILED(::QueryPathOfRegTypeLib(copy.guid, copy.wMajorVerNum, copy.wMinorVerNum, copy.lcid,
                                     registeredPath.Put()))) {
    return S_OK;
  }
  HRESULT hr = perUser ? ::UnRegisterTypeLibForUser(copy.guid, copy.wMajorVerNum,
                                                    copy.wMinorVerNum, copy.lcid, copy.syskind)
                       : ::UnRegisterTypeLib(copy.guid, copy.wMajorVerNum, copy.wMinorVerNum,
                                             copy.lcid, copy.syskind);
  if (hr == TYPE_E_REGISTRYACCESS) hr = S_OK;  // removed meanwhile
  return hr;
}

// The application id script with the module's "APPID" replacement.
std::vector<CRegKeySpec> ModuleAppIdScript() {
  std::vector<std::pair<std::wstring, std::wstring>> replacements;
  CKalMsAddinModule::Instance().AddCommonRegistryReplacements(&replacements);
  std::wstring appId = kAppIdText;
  for (const auto& entry : replacements) {
    if (entry.first == L"APPID") appId = entry.second;
  }
  return AppIdScript(appId);
}

std::vector<CRegKeySpec> AllClassScripts(const CClassTable& classes) {
  const std::wstring modulePath = CKalMsAddinModule::Instance().ModulePath();
  std::vector<CRegKeySpec> script;
  for (size_t i = 0; i < classes.count; ++i) {
    std::vector<CRegKeySpec> part = ClassScript(classes.rows[i], modulePath);
    script.insert(script.end(), part.begin(), part.end());
  }
  return script;
}

}  // namespace

HRESULT ApplyScript(const std::vector<CRegKeySpec>& script, bool perUser) noexcept try {
  for (const CRegKeySpec& keyDef : script) {
    HKEY root = nullptr;
    const std::wstring path = RootedPath(keyDef, perUser, &root);
    if (keyDef.replaceWhole) {
      const LONG status = ::RegDeleteTreeW(root, path.c_str());
      if (status != ERROR_SUCCESS && !IsMissing(status)) return HResultFromWin32(status);
    }
    CRegKey key;
    KAL_RETURN_IF_WIN32_ERROR(::RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0,
                                                KEY_READ | KEY_WRITE, nullptr, key.Put(),
                                                nullptr));
    for (const CRegValueSpec& value : keyDef.values) {
      KAL_RETURN_IF_WIN32_ERROR(WriteValue(key.Get(), value));
    }
  }
  return S_OK;
}
KAL_CATCH_RETURN()

HRESULT RemoveScript(const std::vector<CRegKeySpec>& script, bool perUser) noexcept try {
  HRESULT first = S_OK;
  auto note = [&first](LONG status) {
    if (status != ERROR_SUCCESS && !IsMissing(status) && SUCCEEDED(first)) {
      first = HResultFromWin32(status);
    }
  };
  for (auto it = script.rbegin(); it != script.rend(); ++it) {
    const CRegKeySpec& keyDef = *it;
    if (keyDef.neverRemove) continue;
    HKEY root = nullptr;
    const std::wstring path = RootedPath(keyDef, perUser, &root);
    if (keyDef.replaceWhole) {
      note(::RegDeleteTreeW(root, path.c_str()));
      continue;
    }
    DWORD subKeys = 0;
    DWORD values = 0;
    {
      CRegKey key;
      const LONG opened = ::RegOpenKeyExW(root, path.c_str(), 0, KEY_READ | KEY_WRITE, key.Put());
      if (IsMissing(opened)) continue;
      if (opened != ERROR_SUCCESS) {
        note(opened);
        continue;
      }
      for (const CRegValueSpec& value : keyDef.values) {
        note(::RegDeleteValueW(key.Get(), value.name.empty() ? nullptr : value.name.c_str()));
      }
      note(::RegQueryInfoKeyW(key.Get(), nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr,
                              &values, nullptr, nullptr, nullptr, nullptr));
    }
    // A key still holding someone else's entries stays.
    if (subKeys == 0 && values == 0) note(::RegDeleteKeyW(root, path.c_str()));
  }
  return first;
}
KAL_CATCH_RETURN()

HRESULT RegisterServer(const CClassTable& classes) noexcept try {
  // The module object leaves the path empty when it did not fit: registering a cut path
  // would point every class at a file that does not exist.
  if (CKalMsAddinModule::Instance().ModulePath()[0] == L'\0') {
    return HResultFromWin32(ERROR_FILENAME_EXCED_RANGE);
  }
  CThreadLocaleScope locale(kSystemDefaultLcid);
  const bool perUser = CKalMsAddinModule::Instance().PerUserRegistration();
  KAL_RETURN_IF_FAILED(ApplyScript(ModuleAppIdScript(), perUser));
  KAL_RETURN_IF_FAILED(ApplyScript(AllClassScripts(classes), perUser));
  return RegisterModuleTypeLib(perUser);
}
KAL_CATCH_RETURN()

HRESULT UnregisterServer(const CClassTable& classes) noexcept try {
  CThreadLocaleScope locale(kSystemDefaultLcid);
  const bool perUser = CKalMsAddinModule::Instance().PerUserRegistration();
  HRESULT hr = RemoveScript(AllClassScripts(classes), perUser);
  const HRESULT typeLib = UnregisterModuleTypeLib(perUser);
  if (SUCCEEDED(hr)) hr = typeLib;
  const HRESULT appId = RemoveScript(ModuleAppIdScript(), perUser);
  if (SUCCEEDED(hr)) hr = appId;
  return hr;
}
KAL_CATCH_RETURN()

HRESULT InstallServer(const CClassTable& classes, BOOL install,
                      const wchar_t* commandLine) noexcept {
  if (commandLine && ::lstrcmpiW(commandLine, L"user") == 0) {
    CKalMsAddinModule::Instance().SetPerUserRegistration(true);
  }
  if (!install) return UnregisterServer(classes);
  const HRESULT hr = RegisterServer(classes);
  if (FAILED(hr)) UnregisterServer(classes);
  return hr;
}

}  // namespace kal
