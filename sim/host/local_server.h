// winword.exe as COM's local server for "Word.Application" (Word's real CLSID): registration
// (/regserver, /unregserver) and the class object that hands the application to clients.
#pragma once
#include <windows.h>
#include <wrl/client.h>

#include <string>

namespace kalsim {

// Writes HKCR\Word.Application, HKCR\CLSID\{000209FF-...}\LocalServer32 = "<exe>" /automation
// and registers the embedded type library (so _Application marshals as a dispinterface).
HRESULT RegisterWordServer(const std::wstring& exePath);
HRESULT UnregisterWordServer(const std::wstring& exePath);

// Registers a single-use class object serving `application`; `served` is set once a client
// has created it. The returned cookie is for CoRevokeClassObject.
HRESULT ServeWordApplication(IDispatch* application, bool* served, DWORD* cookie);

}  // namespace kalsim
