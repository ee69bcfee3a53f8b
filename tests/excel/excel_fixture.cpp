// Fixture of the in-process Excel suite (see excel_fixture.h).
#include "tests/excel/excel_fixture.h"

#include "core/com/KalMsAddin_h.h"
#include "tests/support/host_run.h"
#include "tests/support/test_paths.h"

namespace kaltest {

std::wstring CExcelAddinTest::s_strAppData;

namespace {
std::wstring AgentDir() {
  return BinDir() + L"excel_agent_" + std::to_wstring(::GetCurrentProcessId());
}
}  // namespace

void CExcelAddinTest::SetUpTestSuite() {
  std::string out;
  ASSERT_EQ(RunBinTool(L"TavRegedit.exe", L"install \"" + AgentDir() + L"\"", &out), 0) << out;
  s_strAppData = TempFolder() + L"kalexcel_" + std::to_wstring(::GetCurrentProcessId());
  ::CreateDirectoryW(s_strAppData.c_str(), nullptr);
  ::SetEnvironmentVariableW(L"APPDATA", s_strAppData.c_str());
}

void CExcelAddinTest::TearDownTestSuite() {
  std::string out;
  RunBinTool(L"TavRegedit.exe", L"uninstall", &out);
}

CExcelAddinTest::CExcelAddinTest() : CAddinTest(CLSID_MSExcel) {}

void CExcelAddinTest::Publish(bool watermark, bool readOnly) {
  PublishText(PolicyForProcess(::GetCurrentProcessId(), readOnly, watermark));
}

void CExcelAddinTest::StartExcel(
    const std::vector<std::shared_ptr<kalsim::excel::CWorkbook>>& books) {
  m_app = kalsim::excel::CExcelApplication::Create();
  for (const auto& b : books) m_app->AddWorkbook(b);
}

void CExcelAddinTest::ConnectAddin() {
  CAddinTest::ConnectAddin();
  m_strPicture = m_pAddin ? m_pAddin->m_szImgPath : L"";
}

std::vector<std::wstring> CExcelAddinTest::Stamped(const kalsim::excel::CWorkbook& book) const {
  std::vector<std::wstring> names;
  for (const auto& s : book.sheets)
    if (!m_strPicture.empty() && s->background == m_strPicture) names.push_back(s->name);
  return names;
}

std::string CExcelAddinTest::Ansi(const std::wstring& text) {
  const int n = ::WideCharToMultiByte(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()),
                                      nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n > 0 ? n : 0), '\0');
  if (n > 0)
    ::WideCharToMultiByte(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()), &out[0], n,
                          nullptr, nullptr);
  return out;
}

}  // namespace kaltest
