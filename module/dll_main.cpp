// KalMsAddin.dll entry point: refreshes the module configuration on every call, then hands the
// call to the module object, which goes with the DLL when FreeLibrary unloads it. The COM
// exports live in com_exports.cpp.
#include <windows.h>

#include "core/com/module.h"
#include "core/config.h"

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  ReadModuleConfig(instance);
  const BOOL ok = kal::CKalMsAddinModule::Instance().DllMain(instance, reason, reserved);
  if (reason == DLL_PROCESS_DETACH && !reserved) kal::CKalMsAddinModule::DestroyInstance();
  return ok;
}
