// "TavRegedit.exe install <dir>" and "uninstall".
#include "tools/agent/agent_install.h"

#include "tools/agent/plain_bmp.h"

#include <windows.h>

#include <cstdio>
#include <fstream>

namespace kal {
namespace agent {
namespace {

constexpr const wchar_t* kRunKey = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr const wchar_t* kRunValue = L"TavRegedit";

std::wstring Join(const std::wstring& dir, const wchar_t* name) {
  if (!dir.empty() && (dir.back() == L'\\' || dir.back() == L'/')) return dir + name;
  return dir + L"\\" + name;
}

std::wstring OwnPath() {
  wchar_t path[MAX_PATH * 4] = {};
  DWORD n = GetModuleFileNameW(nullptr, path, ARRAYSIZE(path));
  return std::wstring(path, n);
}

// Small owner for a registry key.
class CRegKey {
 public:
  ~CRegKey() {
    if (m_hKey) RegCloseKey(m_hKey);
  }
  HKEY* Receive() { return &m_hKey; }
  HKEY Get() const { return m_hKey; }

 private:
  HKEY m_hKey = nullptr;
};

bool WriteIni(const std::wstring& path, const wchar_t* section, const wchar_t* key,
              const wchar_t* value) {
  return WritePrivateProfileStringW(section, key, value, path.c_str()) != FALSE;
}

}  // namespace

int InstallAgent(const std::wstring& dirArg) {
  wchar_t full[MAX_PATH * 4] = {};
  if (!GetFullPathNameW(dirArg.c_str(), ARRAYSIZE(full), full, nullptr)) return 2;
  std::wstring dir = full;
  CreateDirectoryW(dir.c_str(), nullptr);

  std::wstring exe = Join(dir, L"TavRegedit.exe");
  std::wstring self = OwnPath();
  if (_wcsicmp(exe.c_str(), self.c_str()) != 0 && !CopyFileW(self.c_str(), exe.c_str(), FALSE)) {
    fwprintf(stderr, L"TavRegedit: cannot copy itself to %ls (error %lu)\n", exe.c_str(),
             GetLastError());
    return 2;
  }

  std::vector<uint8_t> bmp = MakePlainBmp(1000, 600, 0xF4, 0xF4, 0xF4);
  std::ofstream out(Join(dir, L"watermark.bmp").c_str(), std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bmp.data()), static_cast<std::streamsize>(bmp.size()));
  out.close();
  if (!out) {
    fprintf(stderr, "TavRegedit: cannot write watermark.bmp\n");
    return 2;
  }
  if (!WriteIni(Join(dir, L"KalConfig.ini"), L"OEM", L"PowerpntWM", L"1") ||
      !WriteIni(Join(dir, L"KalEspecialConfig.ini"), L"ORCHARD", L"PPTWM", L"1")) {
    fprintf(stderr, "TavRegedit: cannot write the INI files\n");
    return 2;
  }

  CRegKey key;
  LONG rc = RegCreateKeyExW(HKEY_LOCAL_MACHINE, kRunKey, 0, nullptr, 0,
                            KEY_SET_VALUE | KEY_WOW64_32KEY, nullptr, key.Receive(), nullptr);
  if (rc == ERROR_SUCCESS)
    rc = RegSetValueExW(key.Get(), kRunValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(exe.c_str()),
                        static_cast<DWORD>((exe.size() + 1) * sizeof(wchar_t)));
  if (rc != ERROR_SUCCESS) {
    fprintf(stderr, "TavRegedit: cannot write the Run value (error %ld)\n", rc);
    return 2;
  }
  wprintf(L"TavRegedit: installed in %ls\n", dir.c_str());
  return 0;
}

int UninstallAgent() {
  CRegKey key;
  LONG rc = RegOpenKeyExW(HKEY_LOCAL_MACHINE, kRunKey, 0,
                          KEY_QUERY_VALUE | KEY_SET_VALUE | KEY_WOW64_32KEY, key.Receive());
  if (rc != ERROR_SUCCESS) return 0;
  wchar_t path[MAX_PATH * 4] = {};
  DWORD bytes = sizeof(path) - sizeof(wchar_t);
  DWORD type = 0;
  if (RegQueryValueExW(key.Get(), kRunValue, nullptr, &type, reinterpret_cast<BYTE*>(path),
                       &bytes) == ERROR_SUCCESS &&
      type == REG_SZ) {
    std::wstring exe = path;
    std::wstring dir = exe.substr(0, exe.find_last_of(L'\\') + 1);
    for (const wchar_t* name : {L"watermark.bmp", L"KalConfig.ini", L"KalEspecialConfig.ini"})
      DeleteFileW((dir + name).c_str());
    if (_wcsicmp(exe.c_str(), OwnPath().c_str()) != 0) DeleteFileW(exe.c_str());
  }
  RegDeleteValueW(key.Get(), kRunValue);
  printf("TavRegedit: uninstalled\n");
  return 0;
}

}  // namespace agent
}  // namespace kal
