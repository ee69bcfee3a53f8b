// Module-level settings read from KalConfig.ini beside this module's own file.
#pragma once
#include <windows.h>

#include <string>

#include "core/trace.h"

// [custom] PPTReadOnlyProtectPwd: non-zero selects the PowerPoint read-only guard variant.
extern int g_nPptReadOnlyProtectPwd;

// Called at every entry into the DLL entry point: locates KalConfig.ini beside the module
// and refreshes g_bTraceOn and g_nPptReadOnlyProtectPwd from it (defaults 0 when absent).
void ReadModuleConfig(HMODULE module);

// Reads the two keys from the given INI file into the process-wide values.
void ReadConfigFile(const wchar_t* iniPath);

// The module path cut after its last backslash (kept) with "KalConfig.ini" appended; a path
// without a backslash gives the bare file name.
std::wstring ConfigPathForModule(const std::wstring& modulePath);
