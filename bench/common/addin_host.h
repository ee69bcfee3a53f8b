// An add-in object made through the DLL's class factory and connected to a simulated
// application, for the benchmarks that count its automation calls.
#pragma once
#include <windows.h>
#include <wrl/client.h>

#include "core/com/KalMsAddin_h.h"
#include "core/office_interfaces.h"

STDAPI DllGetClassObject(REFCLSID clsid, REFIID riid, LPVOID* ppv);

namespace kalbench {

template <class TAddin>
class CConnectedAddin {
 public:
  // Without an agent the add-in stays passive, but it holds the application it was given.
  CConnectedAddin(REFCLSID clsid, IDispatch* app) {
    Microsoft::WRL::ComPtr<IClassFactory> factory;
    if (SUCCEEDED(DllGetClassObject(clsid, IID_IClassFactory,
                                    reinterpret_cast<void**>(factory.GetAddressOf()))) &&
        SUCCEEDED(factory->CreateInstance(nullptr, kal::IID_IDTExtensibility2,
                                          reinterpret_cast<void**>(m_ext.GetAddressOf()))))
      m_ext->OnConnection(app, ext_cm_Startup, nullptr, &m_custom);
  }
  ~CConnectedAddin() { Disconnect(); }
  CConnectedAddin(const CConnectedAddin&) = delete;
  CConnectedAddin& operator=(const CConnectedAddin&) = delete;

  TAddin* Get() const { return static_cast<TAddin*>(m_ext.Get()); }
  void Disconnect() {
    if (m_ext) m_ext->OnDisconnection(ext_dm_HostShutdown, &m_custom);
    m_ext.Reset();
  }

 private:
  Microsoft::WRL::ComPtr<_IDTExtensibility2> m_ext;
  SAFEARRAY* m_custom = nullptr;
};

}  // namespace kalbench
