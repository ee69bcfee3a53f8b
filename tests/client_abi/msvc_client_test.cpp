// msvc_client.exe, built by clang and lld-link only, against the shipped DLL: with the
// reference agent's sections, then with no section at all.
#include <windows.h>

#include <string>

#include <gtest/gtest.h>

#include "tests/support/agent_process.h"

TEST(MsvcClient, CallsEveryOperationThroughTheMicrosoftNames) {
  kaltest::CAgentProcess agent;
  ASSERT_TRUE(agent.Start("[user]\nname = bob\n"));
  std::string output;
  EXPECT_EQ(kaltest::RunBinTool(L"msvc_client.exe", L"present", &output, 120000), 0) << output;

  agent.Stop();
  output.clear();
  EXPECT_EQ(kaltest::RunBinTool(L"msvc_client.exe", L"absent", &output, 120000), 0) << output;
}
