// COM server exports (placeholder until the module object lands).
#include <windows.h>

STDAPI DllCanUnloadNow() { return S_OK; }
STDAPI DllGetClassObject(REFCLSID, REFIID, LPVOID* out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  return CLASS_E_CLASSNOTAVAILABLE;
}
STDAPI DllRegisterServer() { return S_OK; }
STDAPI DllUnregisterServer() { return S_OK; }
STDAPI DllInstall(BOOL, LPCWSTR) { return S_OK; }
