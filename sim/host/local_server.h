// The simulator hosts as COM's local servers for "Word.Application" and "Excel.Application"
// (the real CLSIDs): registration (/regserver, /unregserver) and the class object that hands
// the application to clients.
#pragma once
#include <windows.h>
#include <wrl/client.h>

#include <string>

namespace kalsim {

// One application class a host serves.
struct CLocalServerClass {
  const wchar_t* progId;       // "Excel.Application"
  const wchar_t* clsid;        // "{00024500-0000-0000-C000-000000000046}"
  const wchar_t* description;  // "Microsoft Excel Application"
};

// Writes HKCR\<progId>, HKCR\CLSID\<clsid>\LocalServer32 = "<exe>" /automation and registers the
// type library embedded in the executable.
HRESULT RegisterLocalServer(const CLocalServerClass& cls, const std::wstring& exePath);
HRESULT UnregisterLocalServer(const CLocalServerClass& cls, const std::wstring& exePath);
// Registers a single-use class object of `clsid` serving `application` (see ServeWordApplication).
HRESULT ServeApplication(const CLSID& clsid, IDispatch* application, bool* served, DWORD* cookie);

// Writes HKCR\Word.Application, HKCR\CLSID\{000209FF-...}\LocalServer32 = "<exe>" /automation
// and registers the embedded type library (so _Application marshals as a dispinterface).
HRESULT RegisterWordServer(const std::wstring& exePath);
HRESULT UnregisterWordServer(const std::wstring& exePath);

// Registers a single-use class object serving `application`; `served` is set once a client
// has created it. The returned cookie is for CoRevokeClassObject.
HRESULT ServeWordApplication(IDispatch* application, bool* served, DWORD* cookie);

}  // namespace kalsim
