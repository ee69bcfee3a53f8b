// The automation switch: an Office instance started by automation stays passive.
#pragma once

// True when the text contains "/automation" or "-automation", in any case.
bool HasAutomationSwitch(const wchar_t* commandLine);
// HasAutomationSwitch of GetCommandLineW().
bool ProcessHasAutomationSwitch();
