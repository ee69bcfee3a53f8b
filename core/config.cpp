// Reads [DebugLog] KalMsAddin and [custom] PPTReadOnlyProtectPwd from KalConfig.ini.
#include "core/config.h"

int g_nPptReadOnlyProtectPwd = 0;

std::wstring ConfigPathForModule(const std::wstring& modulePath) {
  size_t slash = modulePath.find_last_of(L'\\');
  std::wstring dir =
      (slash == std::wstring::npos) ? std::wstring() : modulePath.substr(0, slash + 1);
  return dir + L"KalConfig.ini";
}

void ReadConfigFile(const wchar_t* iniPath) {
  // The section really is "DebugLog" and the key "KalMsAddin", in that order.
  UINT traceValue = GetPrivateProfileIntW(L"DebugLog", L"KalMsAddin", 0, iniPath);
  g_bTraceOn = traceValue != 0;
  g_nPptReadOnlyProtectPwd =
      static_cast<int>(GetPrivateProfileIntW(L"custom", L"PPTReadOnlyProtectPwd", 0, iniPath));
}

void ReadModuleConfig(HMODULE module) {
  wchar_t path[MAX_PATH + 1] = {};
  DWORD n = GetModuleFileNameW(module, path, MAX_PATH);
  if (n > MAX_PATH) n = MAX_PATH;
  path[n] = L'\0';
  ReadConfigFile(ConfigPathForModule(std::wstring(path, n)).c_str());
}
