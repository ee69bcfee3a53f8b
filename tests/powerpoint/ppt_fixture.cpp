// Fixture of the in-process PowerPoint suite (see ppt_fixture.h).
#include "tests/powerpoint/ppt_fixture.h"

#include <cstring>

#include "core/com/KalMsAddin_h.h"
#include "core/policy.h"
#include "core/trace.h"
#include "sim/engine/sim_faults.h"

STDAPI DllGetClassObject(REFCLSID clsid, REFIID riid, LPVOID* ppv);

namespace kaltest {

namespace {
const wchar_t kSentinel[] = L"untouched";

std::string PolicyText(const CPptPolicy& p, DWORD pid) {
  return std::string("[user]\nname = alice\nemployeeId = E-1001\n[watermark]\nreadWatermark = ") + (p.watermark ? "1" : "0") +
         "\ntavFileWatermark = 1\nsmartFileWatermark = 1\nmodelFlag = 0\nhorizontal = " + (p.horizontal ? "1" : "0") +
         "\ntext = CONFIDENTIAL\n" + (p.font.empty() ? "" : "font = " + p.font + "\n") + "fontSize = " +
         std::to_string(p.fontSize) + "\n" + (p.color.empty() ? "" : "color = " + p.color + "\n") +
         "transparency = 128\nshowDate = 0\nshowUserName = 0\nshowEmployeeId = 0\n[processes]\nprotect = pid:" +
         std::to_string(pid) + " readonly=" + (p.readOnly ? "1" : "0") + " print=" + (p.print ? "1" : "0") + "\n";
}

void WriteIni(const std::wstring& path, const char* section, const char* key, int value) {
  ::DeleteFileW(path.c_str());
  if (value >= 0) pictest::WriteBytes(path, std::string("[") + section + "]\r\n" + key + "=" + std::to_string(value) + "\r\n");
}
}  // namespace

kalsim::ppt::PresentationPtr DeckWithMarks(std::initializer_list<const wchar_t*> names, size_t slides) {
  auto p = kalsim::ppt::MakePresentation(slides);
  p->name = L"deck.pptx";
  p->path = L"C:\\deck.pptx";
  for (const wchar_t* name : names) {
    auto s = std::make_shared<kalsim::ppt::CShape>();
    s->id = p->nextId++;
    s->name = name;
    s->type = kalsim::ppt::kMsoTextEffect;
    p->masterShapes.push_back(s);
  }
  p->saved = true;
  return p;
}

void CPptAddinTest::SetUp() {
  g_bTraceOn = true;
  ASSERT_GE(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), 0);
  ASSERT_TRUE(m_trace.Listening());
  wchar_t temp[MAX_PATH];
  ::GetTempPathW(MAX_PATH, temp);
  m_agentDir = std::wstring(temp) + L"kal_ppt_agent\\";
  ::CreateDirectoryW(m_agentDir.c_str(), nullptr);
  m_runValue = std::make_unique<pictest::CScopedRunValue>();
  ASSERT_TRUE(m_runValue->SetString(m_agentDir + L"TavRegedit.exe"));
}

void CPptAddinTest::TearDown() {
  kalsim::CSimFaults::Instance().Clear();
  if (m_pExt) {
    SAFEARRAY* custom = nullptr;
    EXPECT_EQ(m_pExt->OnBeginShutdown(&custom), S_OK);
    EXPECT_EQ(m_pExt->OnDisconnection(ext_dm_HostShutdown, &custom), S_OK);
  }
  m_pAddin = nullptr;
  m_pExt.Reset();
  if (m_app) m_app->DisconnectSinks();
  m_app.Reset();
  if (m_ribbonXml != nullptr) ::SysFreeString(m_ribbonXml);
  m_agent.Stop();
  m_runValue.reset();
  ::CoUninitialize();
}

void CPptAddinTest::Start(kalsim::ppt::PresentationPtr presentation, const CPptPolicy& policy, const std::wstring& version) {
  m_policy = policy;
  WriteIni(m_agentDir + L"KalConfig.ini", "OEM", "PowerpntWM", policy.powerpntWM);
  WriteIni(m_agentDir + L"KalEspecialConfig.ini", "ORCHARD", "PPTWM", policy.pptWM);
  ASSERT_TRUE(m_agent.Start(PolicyText(policy, ::GetCurrentProcessId())));
  // The decision is made once per process; every test here stands for a fresh PowerPoint.
  std::memset(&WatermarkPolicyCache, 0, sizeof(WatermarkPolicyCache));
  m_app = kalsim::ppt::CPptApplication::Create(version);
  if (presentation) m_app->AddPresentation(presentation, /*fireOpen=*/false);
  Connect();
}

void CPptAddinTest::Connect() {
  Microsoft::WRL::ComPtr<IClassFactory> factory;
  ASSERT_EQ(DllGetClassObject(CLSID_MSPowerPoint, IID_IClassFactory, reinterpret_cast<void**>(factory.GetAddressOf())), S_OK);
  ASSERT_EQ(factory->CreateInstance(nullptr, kal::IID_IDTExtensibility2, reinterpret_cast<void**>(m_pExt.GetAddressOf())), S_OK);
  m_pAddin = static_cast<CMSPowerPoint*>(m_pExt.Get());
  SAFEARRAY* custom = nullptr;
  EXPECT_EQ(m_pExt->OnConnection(m_app->AsDispatch(), ext_cm_Startup, nullptr, &custom), S_OK);
  Microsoft::WRL::ComPtr<IRibbonExtensibility> ribbon;
  ASSERT_EQ(m_pExt.As(&ribbon), S_OK);
  m_ribbonXml = ::SysAllocString(kSentinel);
  BSTR before = m_ribbonXml;
  m_hrRibbon = ribbon->GetCustomUI(nullptr, &m_ribbonXml);
  if (m_ribbonXml != before) {
    ::SysFreeString(before);
    m_app->ApplyCustomUi(m_ribbonXml);
  }
  EXPECT_EQ(m_pExt->OnStartupComplete(&custom), S_OK);
}

std::vector<std::wstring> CPptAddinTest::MasterNames() {
  std::vector<std::wstring> names;
  for (const auto& s : Pres().masterShapes) names.push_back(s->name);
  return names;
}

}  // namespace kaltest
