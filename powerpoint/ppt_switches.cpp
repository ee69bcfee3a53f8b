// IsEnablePowerpntWM and IsEnablePowerpntWatermark.
#include "powerpoint/ppt_switches.h"

#include <windows.h>

#include <string>

#include "core/trace.h"
#include "picture/watermark_pic.h"

namespace {
// A key of an INI file in the agent's folder; the default when the agent's folder is unknown
// (a bare file name would make the profile functions look in the Windows folder instead).
int AgentIniInt(const wchar_t* file, const wchar_t* section, const wchar_t* key, int fallback) {
  const std::wstring dir = GetAgentInstallDir();
  if (dir.empty()) return fallback;
  return static_cast<int>(::GetPrivateProfileIntW(section, key, fallback, (dir + file).c_str()));
}
}  // namespace

int IsEnablePowerpntWM() { return AgentIniInt(L"KalConfig.ini", L"OEM", L"PowerpntWM", 1); }

bool IsEnablePowerpntWatermark() {
  const int value = AgentIniInt(L"KalEspecialConfig.ini", L"ORCHARD", L"PPTWM", 1);
  DebugOutFmtW(L"IsEnablePowerpntWatermark: ini file show is :%d.", value);
  return value != 0;
}
