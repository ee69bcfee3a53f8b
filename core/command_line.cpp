// Case-insensitive test of a command line for the automation switch.
#include "core/command_line.h"

#include <windows.h>

#include <string>

bool HasAutomationSwitch(const wchar_t* commandLine) {
  if (!commandLine) return false;
  std::wstring lower(commandLine);
  if (!lower.empty()) CharLowerBuffW(&lower[0], static_cast<DWORD>(lower.size()));
  return lower.find(L"/automation") != std::wstring::npos ||
         lower.find(L"-automation") != std::wstring::npos;
}

bool ProcessHasAutomationSwitch() { return HasAutomationSwitch(GetCommandLineW()); }
