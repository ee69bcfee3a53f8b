// msvc_client.exe, built by clang and lld-link only, against the shipped DLL: with the
// reference agent publishing a policy, then with no section at all.
#include <windows.h>

#include <string>

#include <gtest/gtest.h>

#include "tests/support/agent_process.h"

namespace {

const char kPolicy[] =
    "[user]\nname = bob\nextra = R&D\npassword = pw1\nemployeeId = 4711\n"
    "[watermark]\nreadWatermark = 1\ntavFileWatermark = 1\nfontSize = 40\ncolor = 1,2,3\n"
    "[processes]\nprotect = pid:4242 readonly=1 print=0\nsmart = pid:5151\n"
    "[screen]\nprotectScreen = A.EXE|B.EXE\n"
    "[keys]\nip = 1.2.3.4\nport = 99\n";

}  // namespace

TEST(MsvcClient, CallsEveryOperationThroughTheMicrosoftNames) {
  kaltest::CAgentProcess agent;
  ASSERT_TRUE(agent.Start(kPolicy));
  std::string output;
  EXPECT_EQ(kaltest::RunBinTool(L"msvc_client.exe", L"present", &output, 120000), 0) << output;

  agent.Stop();
  output.clear();
  EXPECT_EQ(kaltest::RunBinTool(L"msvc_client.exe", L"absent", &output, 120000), 0) << output;
}
