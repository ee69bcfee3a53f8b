// Fixture of the end-to-end Word scenarios (see word_e2e_fixture.h), over the shared host runs.
#include "tests/word/word_e2e_fixture.h"

#include "tests/support/host_run.h"
#include "tests/support/test_paths.h"

namespace kaltest {

CAgentProcess* CWordEndToEnd::s_pAgent = nullptr;

bool WriteText(const std::wstring& path, const std::string& text) { return WriteFileBytes(path, text); }

std::wstring TempDir() { return TempFolder(); }

std::string E2ePolicy(DWORD pid, bool readOnly, bool watermark) { return PolicyForProcess(pid, readOnly, watermark); }

void CWordEndToEnd::SetUpTestSuite() {
  ASSERT_EQ(RegisterAddin(), 0);
  s_pAgent = new CAgentProcess();
  ASSERT_TRUE(s_pAgent->Start(E2ePolicy(0, false, true)));
}

void CWordEndToEnd::TearDownTestSuite() {
  delete s_pAgent;
  s_pAgent = nullptr;
  UnregisterAddin();
}

nlohmann::json CWordResult::Dump(int n) const { return ParseJsonFile(dumpDir + L"dump" + std::to_wstring(n) + L".json"); }

nlohmann::json CWordResult::Shapes(int section, const nlohmann::json& dump) const {
  try {
    return dump.at("documents").at(0).at("sections").at(section - 1).at("headers").at("primary").value(
        "shapes", nlohmann::json::array());
  } catch (const nlohmann::json::exception&) {
    return nlohmann::json::array();
  }
}

CWordResult CWordEndToEnd::RunWord(const CWordRun& run) {
  CHostRun host;
  host.exe = L"winword.exe";
  host.document = run.document;
  host.documentName = L"document.docx";
  host.script = run.script;
  host.extraArgs = run.extraArgs;
  host.readOnly = run.readOnly;
  host.watermark = run.watermark;
  if (run.exempt) {
    host.beforeResume = [](DWORD pid) {
      HANDLE exemption = ::CreateMutexW(nullptr, FALSE, (L"Global\\LumicODS_WINWORD.EXE_" + std::to_wstring(pid)).c_str());
      EXPECT_NE(exemption, nullptr);
      return exemption;
    };
  }
  const CHostResult r = RunHost(*s_pAgent, host, L"kalword_e2e");
  CWordResult result;
  result.exitCode = r.exitCode;
  result.pid = r.pid;
  result.state = r.state;
  result.dumpDir = r.dir;
  return result;
}

}  // namespace kaltest
