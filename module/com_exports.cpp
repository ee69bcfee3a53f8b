// The COM entry points of KalMsAddin.dll; the work is done by the module object, the class
// factory and the registrar in core/com, over this module's class table.
#include <windows.h>

#include "core/com/class_factory.h"
#include "core/com/module.h"
#include "core/com/registrar.h"
#include "module/class_table.h"

STDAPI DllCanUnloadNow() {
  return kal::CKalMsAddinModule::Instance().GetLockCount() == 0 ? S_OK : S_FALSE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID riid, LPVOID* ppv) {
  return kal::GetClassObject(kal::ModuleClassTable(), clsid, riid, ppv);
}

STDAPI DllRegisterServer() { return kal::RegisterServer(kal::ModuleClassTable()); }

STDAPI DllUnregisterServer() { return kal::UnregisterServer(kal::ModuleClassTable()); }

STDAPI DllInstall(BOOL install, LPCWSTR commandLine) {
  return kal::InstallServer(kal::ModuleClassTable(), install, commandLine);
}
