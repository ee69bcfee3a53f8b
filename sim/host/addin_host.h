// Loads COM add-ins the way Office does: registered under
// HKCU, then HKLM "Software\Microsoft\Office\<App>\Addins\<ProgID>" with LoadBehavior 3,
// created with CLSIDFromProgID + CoCreateInstance, connected with OnConnection (application,
// connect mode, a COMAddIn object, an empty custom array), asked for their ribbon XML, told
// OnStartupComplete, and at exit OnBeginShutdown and OnDisconnection, then released. Each
// add-in's start-up and shutdown time goes to the host log ("addin <ProgID> startup ms=...").
#pragma once
#include <windows.h>
#include <wrl/client.h>

#include <functional>
#include <string>
#include <vector>

#include "core/office_interfaces.h"

namespace kalsim {

struct CLoadedAddin {
  std::wstring strProgId;
  std::wstring strModule;  // path of the module implementing the add-in
  Microsoft::WRL::ComPtr<_IDTExtensibility2> pExt;
  Microsoft::WRL::ComPtr<IDispatch> pAddInInst;
  HRESULT hrConnect = E_FAIL;
  std::wstring strRibbonXml;
  HRESULT hrUnload = S_FALSE;  // DllCanUnloadNow after every reference was released
  // Time spent in the add-in's own calls, as Office measures it for its slow-add-in check:
  // OnConnection + OnStartupComplete, and OnBeginShutdown + OnDisconnection.
  double msStartup = 0;
  double msShutdown = 0;
};

class CAddinHost {
 public:
  CAddinHost(std::wstring officeApp, IDispatch* application)
      : m_strOfficeApp(std::move(officeApp)), m_pApplication(application) {}

  void LoadRegistered(ext_ConnectMode mode);
  // GetCustomUI(ribbonId) of every connected add-in; `apply` gets each XML returned.
  void CustomizeRibbon(const std::wstring& ribbonId, const std::function<void(const std::wstring&)>& apply);
  void StartupComplete();
  void BeginShutdown();
  void Disconnect();
  // After the application has dropped its event sinks: asks each add-in module whether it
  // can unload (every object released) and records the answer.
  void CheckUnload();

  std::vector<CLoadedAddin>& Addins() { return m_addins; }

 private:
  void LoadOne(const std::wstring& progId, ext_ConnectMode mode);
  std::wstring m_strOfficeApp;
  IDispatch* m_pApplication;
  std::vector<CLoadedAddin> m_addins;
};

}  // namespace kalsim
