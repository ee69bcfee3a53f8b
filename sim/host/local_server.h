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

// The same for any application: HKCR\<progId>, HKCR\CLSID\<clsid>\LocalServer32 and the
// type library embedded in the executable.
HRESULT RegisterLocalServer(const std::wstring& progId, const std::wstring& clsid, const std::wstring& description,
                            const std::wstring& exePath);
HRESULT UnregisterLocalServer(const std::wstring& progId, const std::wstring& clsid, const std::wstring& exePath);
// Registers a class object serving `application` under `clsid` (REGCLS_SINGLEUSE or
// REGCLS_MULTIPLEUSE); `served` is set once a client has created it.
HRESULT ServeApplication(const CLSID& clsid, DWORD regcls, IDispatch* application, bool* served, DWORD* cookie);

// Registers a single-use class object serving `application`; `served` is set once a client
// has created it. The returned cookie is for CoRevokeClassObject.
HRESULT ServeWordApplication(IDispatch* application, bool* served, DWORD* cookie);

}  // namespace kalsim
