// Fixture of the in-process Excel suite (see excel_fixture.h).
#include "tests/excel/excel_fixture.h"

#include <cstring>

#include "core/com/KalMsAddin_h.h"
#include "core/policy.h"
#include "core/trace.h"
#include "sim/engine/sim_faults.h"
#include "tests/support/test_paths.h"

STDAPI DllGetClassObject(REFCLSID clsid, REFIID riid, LPVOID* ppv);

namespace kaltest {

std::wstring CExcelAddinTest::s_strAppData;

namespace {
std::wstring AgentDir() { return BinDir() + L"excel_agent_" + std::to_wstring(::GetCurrentProcessId()); }
}  // namespace

void CExcelAddinTest::SetUpTestSuite() {
  std::string out;
  ASSERT_EQ(RunBinTool(L"TavRegedit.exe", L"install \"" + AgentDir() + L"\"", &out), 0) << out;
  wchar_t temp[MAX_PATH] = {};
  ::GetTempPathW(MAX_PATH, temp);
  s_strAppData = std::wstring(temp) + L"kalexcel_" + std::to_wstring(::GetCurrentProcessId());
  ::CreateDirectoryW(s_strAppData.c_str(), nullptr);
  ::SetEnvironmentVariableW(L"APPDATA", s_strAppData.c_str());
}

void CExcelAddinTest::TearDownTestSuite() {
  std::string out;
  RunBinTool(L"TavRegedit.exe", L"uninstall", &out);
}

void CExcelAddinTest::SetUp() {
  g_bTraceOn = true;
  ASSERT_EQ(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED) >= 0, true);
  ASSERT_TRUE(m_trace.Listening());
}

void CExcelAddinTest::TearDown() {
  DisconnectAddin();
  kalsim::CSimFaults::Instance().Clear();
  if (m_app) m_app->DisconnectSinks();
  m_app.Reset();
  m_agent.Stop();
  ::CoUninitialize();
}

void CExcelAddinTest::Publish(bool watermark, bool readOnly) {
  ASSERT_TRUE(m_agent.Start(PolicyForProcess(::GetCurrentProcessId(), readOnly, watermark)));
  // The decision is made once per process; every test here stands for a fresh Excel.
  std::memset(&WatermarkPolicyCache, 0, sizeof(WatermarkPolicyCache));
}

void CExcelAddinTest::StartExcel(const std::vector<std::shared_ptr<kalsim::excel::CWorkbook>>& books) {
  m_app = kalsim::excel::CExcelApplication::Create();
  for (const auto& b : books) m_app->AddWorkbook(b);
}

void CExcelAddinTest::ConnectAddin() {
  Microsoft::WRL::ComPtr<IClassFactory> factory;
  ASSERT_EQ(DllGetClassObject(CLSID_MSExcel, IID_IClassFactory, reinterpret_cast<void**>(factory.GetAddressOf())),
            S_OK);
  ASSERT_EQ(factory->CreateInstance(nullptr, kal::IID_IDTExtensibility2, reinterpret_cast<void**>(m_pExt.GetAddressOf())),
            S_OK);
  m_pAddin = static_cast<CMSExcel*>(m_pExt.Get());
  SAFEARRAY* custom = nullptr;
  m_hrConnect = m_pExt->OnConnection(m_app->AsDispatch(), ext_cm_Startup, nullptr, &custom);
  m_strPicture = m_pAddin->m_szImgPath;
  Microsoft::WRL::ComPtr<IRibbonExtensibility> ribbon;
  ASSERT_EQ(m_pExt.As(&ribbon), S_OK);
  BSTR xml = nullptr;
  EXPECT_EQ(ribbon->GetCustomUI(nullptr, &xml), S_OK);
  m_bRibbonGiven = xml != nullptr;
  if (xml) {
    m_strRibbonXml.assign(xml, ::SysStringLen(xml));
    ::SysFreeString(xml);
    m_app->Commands().ApplyCustomUi(m_strRibbonXml);
  }
  EXPECT_EQ(m_pExt->OnStartupComplete(&custom), S_OK);
}

void CExcelAddinTest::DisconnectAddin() {
  if (!m_pExt) return;
  SAFEARRAY* custom = nullptr;
  EXPECT_EQ(m_pExt->OnBeginShutdown(&custom), S_OK);
  EXPECT_EQ(m_pExt->OnDisconnection(ext_dm_HostShutdown, &custom), S_OK);
  m_pAddin = nullptr;
  m_pExt.Reset();
}

std::vector<std::wstring> CExcelAddinTest::Stamped(const kalsim::excel::CWorkbook& book) const {
  std::vector<std::wstring> names;
  for (const auto& s : book.sheets)
    if (!m_strPicture.empty() && s->background == m_strPicture) names.push_back(s->name);
  return names;
}

std::string CExcelAddinTest::Ansi(const std::wstring& text) {
  const int n = ::WideCharToMultiByte(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n > 0 ? n : 0), '\0');
  if (n > 0) ::WideCharToMultiByte(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()), &out[0], n, nullptr, nullptr);
  return out;
}

}  // namespace kaltest
