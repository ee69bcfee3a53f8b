// Fixture of the end-to-end scenarios (see word_e2e_fixture.h), over the shared host runs.
#include "tests/word/word_e2e_fixture.h"

namespace kaltest {

CAgentProcess* CEndToEnd::s_pAgent = nullptr;

void CEndToEnd::SetUpTestSuite() {
  // Wine's COM starts a local server from the client's own process, and the server shares the
  // test's output: one that outlived its client (a client that ended without releasing it)
  // would hold CTest's pipe open and hang the suite until its timeout. Everything this suite
  // starts, directly or through COM, is in a job that ends with the test process.
  static const HANDLE s_hJob = [] {
    HANDLE job = ::CreateJobObjectW(nullptr, nullptr);
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    if (job) ::SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof(limits));
    if (job) ::AssignProcessToJobObject(job, ::GetCurrentProcess());
    return job;
  }();
  (void)s_hJob;
  ASSERT_EQ(RegisterAddin(), 0);
  s_pAgent = new CAgentProcess();
  ASSERT_TRUE(s_pAgent->Start(PolicyForProcess(0, false, true)));
}

void CEndToEnd::TearDownTestSuite() {
  delete s_pAgent;
  s_pAgent = nullptr;
  UnregisterAddin();
}

CHostResult CEndToEnd::Run(CHostRun run, const wchar_t* exe, const wchar_t* documentName,
                           const std::wstring& dirTag) {
  run.exe = exe;
  if (run.documentName.empty()) run.documentName = documentName;
  CHostResult result = RunHost(*s_pAgent, run, dirTag);
  EXPECT_TRUE(m_trace.Drain()) << "the host's last trace lines did not arrive";
  return result;
}

nlohmann::json HeaderShapes(const nlohmann::json& dump, int section) {
  const std::string path =
      "/documents/0/sections/" + std::to_string(section - 1) + "/headers/primary/shapes";
  try {
    return dump.at(nlohmann::json::json_pointer(path));
  } catch (const nlohmann::json::exception&) {
    return nlohmann::json::array();
  }
}

}  // namespace kaltest
