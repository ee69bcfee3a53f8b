// Base of the in-process add-in suites (Word, Excel, PowerPoint): trace and COM up for each
// test, the reference agent publishing a policy for this very process, the simulated host
// application, and the add-in created through the module's class factory (DllGetClassObject)
// and connected the way its Office host connects it.
#pragma once
#include <gtest/gtest.h>
#include <windows.h>
#include <wrl/client.h>

#include <cstring>
#include <string>

#include "core/office_interfaces.h"
#include "core/policy.h"
#include "core/trace.h"
#include "sim/engine/sim_faults.h"
#include "tests/support/agent_process.h"
#include "tests/support/dbwin_capture.h"

STDAPI DllGetClassObject(REFCLSID clsid, REFIID riid, LPVOID* ppv);

namespace kaltest {

template <class TApp, class TAddin>
class CAddinTest : public ::testing::Test {
 protected:
  explicit CAddinTest(const CLSID& clsid) : m_clsid(clsid) {}

  void SetUp() override {
    g_bTraceOn = true;
    kalsim::CSimFaults::Instance().Clear();
    ASSERT_GE(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), 0);
    ASSERT_TRUE(m_trace.Listening());
  }
  void TearDown() override {
    kalsim::CSimFaults::Instance().Clear();
    DisconnectAddin();
    if (m_app) m_app->DisconnectSinks();
    m_app.Reset();
    m_agent.Stop();
    ::CoUninitialize();
  }

  // Starts the agent with the policy and forgets any earlier watermark decision: it is made
  // once per process, and every test here stands for a fresh host.
  void PublishText(const std::string& policy) {
    ASSERT_TRUE(m_agent.Start(policy));
    std::memset(&WatermarkPolicyCache, 0, sizeof(WatermarkPolicyCache));
  }
  // Creates the add-in through the class factory and calls OnConnection, GetCustomUI (its XML,
  // when written, applied to the host's commands) and OnStartupComplete as the host does.
  void ConnectAddin() {
    Microsoft::WRL::ComPtr<IClassFactory> factory;
    ASSERT_EQ(DllGetClassObject(m_clsid, IID_IClassFactory,
                                reinterpret_cast<void**>(factory.GetAddressOf())),
              S_OK);
    ASSERT_EQ(factory->CreateInstance(nullptr, kal::IID_IDTExtensibility2,
                                      reinterpret_cast<void**>(m_pExt.GetAddressOf())),
              S_OK);
    m_pAddin = static_cast<TAddin*>(m_pExt.Get());
    SAFEARRAY* custom = nullptr;
    EXPECT_EQ(m_pExt->OnConnection(m_app->AsDispatch(), ext_cm_Startup, nullptr, &custom), S_OK);
    Microsoft::WRL::ComPtr<IRibbonExtensibility> ribbon;
    ASSERT_EQ(m_pExt.As(&ribbon), S_OK);
    // Without XML to give, the add-in leaves the out parameter as it found it.
    const BSTR sentinel = ::SysAllocString(L"untouched");
    BSTR xml = sentinel;
    EXPECT_EQ(ribbon->GetCustomUI(nullptr, &xml), S_OK);
    m_bRibbonGiven = xml != sentinel;
    m_strRibbonXml = xml ? std::wstring(xml, ::SysStringLen(xml)) : std::wstring();
    if (m_bRibbonGiven) {
      ::SysFreeString(xml);
      ApplyCustomUi(m_strRibbonXml);
    }
    ::SysFreeString(sentinel);
    EXPECT_EQ(m_pExt->OnStartupComplete(&custom), S_OK);
  }
  void DisconnectAddin() {
    if (!m_pExt) return;
    SAFEARRAY* custom = nullptr;
    EXPECT_EQ(m_pExt->OnBeginShutdown(&custom), S_OK);
    BeforeDisconnection();
    EXPECT_EQ(m_pExt->OnDisconnection(ext_dm_HostShutdown, &custom), S_OK);
    m_pAddin = nullptr;
    m_pExt.Reset();
  }

  TApp& App() { return *m_app.Get(); }
  // Makes the simulated host fail kind.member with `hr` (on call number `call`; 0: every call).
  static void Fail(const wchar_t* kind, const wchar_t* member, HRESULT hr = E_FAIL, long call = 0,
                   const wchar_t* description = L"") {
    kalsim::CSimFaults::Instance().Add(kalsim::CSimFault{kind, member, hr, description, call});
  }

  std::wstring m_strRibbonXml;  // "untouched" when GetCustomUI gave none
  bool m_bRibbonGiven = false;
  CDbwinCapture m_trace;
  CAgentProcess m_agent;
  Microsoft::WRL::ComPtr<TApp> m_app;
  Microsoft::WRL::ComPtr<_IDTExtensibility2> m_pExt;
  TAddin* m_pAddin = nullptr;  // the object behind m_pExt

 private:
  virtual void ApplyCustomUi(const std::wstring& xml) = 0;
  virtual void BeforeDisconnection() {}

  CLSID m_clsid;
};

}  // namespace kaltest
