// The COM entry points of KalMsAddin.dll; the work is done by the module object, the class
// table and the registrar in core/com.
#include <windows.h>

#include "core/com/class_factory.h"
#include "core/com/module.h"
#include "core/com/registrar.h"

STDAPI DllCanUnloadNow() {
  return kal::CKalMsAddinModule::Instance().GetLockCount() == 0 ? S_OK : S_FALSE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID riid, LPVOID* ppv) {
  return kal::GetClassObject(clsid, riid, ppv);
}

STDAPI DllRegisterServer() { return kal::RegisterServer(); }

STDAPI DllUnregisterServer() { return kal::UnregisterServer(); }

STDAPI DllInstall(BOOL install, LPCWSTR commandLine) {
  return kal::InstallServer(install, commandLine);
}
