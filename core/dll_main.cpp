// KalMsAddin.dll entry point: refreshes the module configuration on every call, then hands the
// call to the module object. The COM exports live in com_exports.cpp.
#include <windows.h>

#include "core/com/module.h"
#include "core/config.h"

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  ReadModuleConfig(instance);
  return kal::CKalMsAddinModule::Instance().DllMain(instance, reason, reserved);
}
