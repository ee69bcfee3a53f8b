// Fixture of the in-process Word suite (see word_fixture.h).
#include "tests/word/word_fixture.h"

#include <cstring>

#include "core/com/KalMsAddin_h.h"
#include "core/com/module.h"
#include "core/policy.h"
#include "core/trace.h"
#include "picture/watermark_pic.h"

STDAPI DllGetClassObject(REFCLSID clsid, REFIID riid, LPVOID* ppv);

namespace kaltest {

std::string MakePolicyText(const CWordPolicy& p, DWORD pid) {
  return std::string("[user]\nname = alice\nemployeeId = E-1001\n[watermark]\nreadWatermark = ") +
         (p.watermark ? "1" : "0") + "\ntavFileWatermark = 1\nsmartFileWatermark = 1\nmodelFlag = 0\nhorizontal = " +
         (p.horizontal ? "1" : "0") + "\ntext = " + p.text + "\nfont = Arial\nfontSize = " + std::to_string(p.fontSize) +
         "\ncolor = " + p.color + "\ntransparency = " + std::to_string(p.transparency) +
         "\nshowDate = 0\nshowUserName = 0\nshowEmployeeId = 0\n[processes]\nprotect = pid:" + std::to_string(pid) +
         " readonly=" + (p.readOnly ? "1" : "0") + " print=1\n";
}

bool PumpUntil(const std::function<bool()>& done, DWORD limitMs) {
  const DWORD start = ::GetTickCount();
  MSG msg;
  for (;;) {
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
    if (done()) return true;
    if (::GetTickCount() - start >= limitMs) return false;
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
  }
}

void PumpFor(DWORD ms) {
  PumpUntil([] { return false; }, ms);
}

void CWordAddinTest::SetUp() {
  g_bTraceOn = true;
  ASSERT_EQ(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED) >= 0, true);
  ASSERT_TRUE(m_trace.Listening());
}

void CWordAddinTest::TearDown() {
  DisconnectAddin();
  if (m_app) m_app->DisconnectSinks();
  m_app.Reset();
  m_agent.Stop();
  ::CoUninitialize();
}

void CWordAddinTest::Publish(const CWordPolicy& policy) {
  m_policy = policy;
  ASSERT_TRUE(m_agent.Start(MakePolicyText(policy, ::GetCurrentProcessId())));
  // The decision is made once per process; every test here stands for a fresh Word.
  std::memset(&WatermarkPolicyCache, 0, sizeof(WatermarkPolicyCache));
  g_bLastInHeader = 0;
}

void CWordAddinTest::StartWord(std::shared_ptr<kalsim::word::CDocument> doc, const std::wstring& version) {
  m_app = kalsim::word::CWordApplication::Create(version);
  if (doc) m_app->AddDocument(doc, /*fireOpen=*/false);
}

void CWordAddinTest::ConnectAddin() {
  Microsoft::WRL::ComPtr<IClassFactory> factory;
  ASSERT_EQ(DllGetClassObject(CLSID_MSWord, IID_IClassFactory,
                              reinterpret_cast<void**>(factory.GetAddressOf())),
            S_OK);
  ASSERT_EQ(factory->CreateInstance(nullptr, kal::IID_IDTExtensibility2,
                                    reinterpret_cast<void**>(m_pExt.GetAddressOf())),
            S_OK);
  m_pAddin = static_cast<CMSWord*>(m_pExt.Get());
  SAFEARRAY* custom = nullptr;
  m_hrConnect = m_pExt->OnConnection(m_app->AsDispatch(), ext_cm_Startup, nullptr, &custom);
  Microsoft::WRL::ComPtr<IRibbonExtensibility> ribbon;
  ASSERT_EQ(m_pExt.As(&ribbon), S_OK);
  BSTR xml = nullptr;
  m_hrRibbon = ribbon->GetCustomUI(nullptr, &xml);
  m_bRibbonGiven = xml != nullptr;
  if (xml) {
    m_strRibbonXml.assign(xml, ::SysStringLen(xml));
    ::SysFreeString(xml);
    m_app->ApplyCustomUi(m_strRibbonXml);
  }
  EXPECT_EQ(m_pExt->OnStartupComplete(&custom), S_OK);
}

void CWordAddinTest::DisconnectAddin() {
  if (!m_pExt) return;
  SAFEARRAY* custom = nullptr;
  EXPECT_EQ(m_pExt->OnBeginShutdown(&custom), S_OK);
  // A still-running protection timer must not outlive the test's add-in (nor its module lock).
  if (m_pAddin->LockTimerId() && ::KillTimer(nullptr, m_pAddin->LockTimerId()))
    kal::CKalMsAddinModule::Instance().Unlock();
  EXPECT_EQ(m_pExt->OnDisconnection(ext_dm_HostShutdown, &custom), S_OK);
  m_pAddin = nullptr;
  m_pExt.Reset();
}

kal::word::CWordWatermarkParams CWordAddinTest::Params() const {
  kal::word::CWordWatermarkParams p;
  p.text = GetWaterMarkText();
  p.fontName = L"Arial";
  p.fontSize = static_cast<float>(m_policy.fontSize);
  p.colour = static_cast<float>(GetWatermarkColor());
  p.transparency = static_cast<float>(m_policy.transparency);
  p.diagonal = !m_policy.horizontal;
  return p;
}

void CWordAddinTest::TickWatermarkTimer() {
  CMSWord::WatermarkCheckTimer(nullptr, WM_TIMER, m_pAddin ? m_pAddin->WatermarkTimerId() : 0,
                               ::GetTickCount());
}

std::vector<std::wstring> HeaderShapeNames(const kalsim::word::CDocument& doc, int section) {
  std::vector<std::wstring> names;
  const auto& story = doc.sections.at(section - 1)->headers[0].story;
  if (!story) return names;
  for (const auto& s : story->shapes) names.push_back(s->name);
  return names;
}

}  // namespace kaltest
