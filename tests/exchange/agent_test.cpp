// The reference agent and the trace capture, as other suites use them: the agent in its own
// process, read back through the accessor in this one.
#include <windows.h>

#include <cstring>
#include <cwchar>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "exchange/process_map.h"
#include "exchange/tav_exchg.h"
#include "tests/exchange/section_fixture.h"
#include "tests/support/agent_process.h"
#include "tests/support/dbwin_capture.h"
#include "tests/support/test_paths.h"
#include "tools/agent/policy_file.h"

namespace {

const char kPolicy[] =
    "# test policy\n"
    "[user]\nname = bob\nextra = R&D\npassword = pw1\nemployeeId = 4711\n"
    "[watermark]\nreadWatermark = 1\ntavFileWatermark = 1\nsmartFileWatermark = 0\n"
    "horizontal = 1\ntext = Geheim \xC3\xA4\\nline2\nfont = Arial\nfontSize = 40\n"
    "color = 1,2,3\ntransparency = 200\nshowDate = 1\nshowUserName = 0\nshowEmployeeId = 1\n"
    "[processes]\nprotect = pid:4242 readonly=1 print=0\nsmart = pid:5151\n"
    "[screen]\nprotectScreen = A.EXE|B.EXE\n"
    "[keys]\nip = 1.2.3.4\nport = 99\n";

}  // namespace

TEST(AgentProcess, PublishesThePolicyAcrossProcessesAndToTheShowTool) {
  kaltest::CAgentProcess agent;
  ASSERT_TRUE(agent.Start(kPolicy));
  CTavExchg ex;
  char name[256], pw[256], extra[256], emp[256];
  ex.GetDefaultUserNameAndPsw(name, pw, extra);
  ex.GetUserEmployeeId(emp);
  EXPECT_EQ(std::vector<std::string>({name, pw, extra, emp}),
            (std::vector<std::string>{"bob", "pw1", "R&D", "4711"}));

  _TAV_EXCHG_INFO rec{};
  ASSERT_EQ(ex.GetInfo_doc(4242u, rec), 0);
  EXPECT_EQ(rec.readOnlyFlag, 1u);
  EXPECT_EQ(rec.printFlag, 0u);
  EXPECT_EQ(ex.GetInfo_doc(5151u, 0), 0);

  auto w = std::make_unique<_PRINT_EXCHG_INFO>();
  ex.GetPrintPolicy(*w);
  EXPECT_EQ(w->readWatermark, 1u);
  EXPECT_EQ(w->watermarkHorizontal, 1u);
  EXPECT_EQ(w->watermarkFontSize, 40u);
  EXPECT_EQ(w->watermarkTransparency, 200u);
  EXPECT_EQ(std::wstring(w->watermarkText), L"Geheim \x00E4\nline2");
  EXPECT_EQ(std::wstring(w->watermarkColor), L"1,2,3");
  EXPECT_EQ(std::wstring(w->showUserName), L"0");

  char screen[40960];
  ex.GetprotectScreen(screen);
  EXPECT_STREQ(screen, "A.EXE|B.EXE");
  char ip[64], port[64];
  ex.GetCurrentIpPort(ip, port);
  EXPECT_STREQ(ip, "1.2.3.4");
  EXPECT_STREQ(port, "99");
  std::string out;
  EXPECT_EQ(kaltest::RunBinTool(L"TavRegedit.exe", L"show", &out), 0);
  EXPECT_NE(out.find("user.name=bob"), std::string::npos) << out;
  EXPECT_NE(out.find("pid 4242 infoId 4242 readOnly=1 print=0"), std::string::npos) << out;
  EXPECT_NE(out.find("watermark.text=Geheim \xC3\xA4\\nline2"), std::string::npos) << out;

  agent.Stop();
  EXPECT_EQ(ex.GetCount(), 0);  // the sections went away with the agent
  ex.GetCurrentIpPort(ip, port);
  EXPECT_STREQ(ip, "127.0.0.1");
  // Without an agent, show says so and set fails.
  EXPECT_EQ(kaltest::RunBinTool(L"TavRegedit.exe", L"show", &out), 0);
  EXPECT_NE(out.find("agent sections: absent"), std::string::npos) << out;
  EXPECT_NE(out.find("ip=127.0.0.1 port=0"), std::string::npos) << out;
  std::wstring path = kaltest::WriteTempFile("[user]\nname=x\n", L".policy");
  EXPECT_EQ(kaltest::RunBinTool(L"TavRegedit.exe", L"set \"" + path + L"\"", nullptr), 2);
  DeleteFileW(path.c_str());
}

TEST(AgentProcess, ListsRunningProcessesByExeNameAndForgetsEndedOnes) {
  // This test executable stands in for an Office process: the agent finds it by name.
  wchar_t self[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  const std::wstring exe = std::wcsrchr(self, L'\\') + 1;
  const std::string exeName(exe.begin(), exe.end());
  kaltest::CAgentProcess agent;
  ASSERT_TRUE(agent.Start("[user]\nname=u\n[processes]\nprotect = " + exeName +
                          " readonly=1 print=1\nprotect = NOSUCH.EXE\n"));
  CTavExchg ex;
  _TAV_EXCHG_INFO rec{};
  ASSERT_EQ(ex.GetInfo_doc(static_cast<unsigned>(GetCurrentProcessId()), rec), 0)
      << "the first scan runs before the agent reports ready";
  EXPECT_EQ(rec.readOnlyFlag, 1u);
  EXPECT_EQ(rec.printFlag, 1u);

  // A child with the same name joins the list within a few scans and leaves it when it ends.
  kal::CHandleOwner process;
  DWORD pid = 0;
  ASSERT_TRUE(kaltest::Spawn(L"\"" + std::wstring(self) + L"\" --gtest_filter=NoSuchTest.*",
                             &process, &pid, CREATE_SUSPENDED));
  // True once the child's record reaches `state` (0 listed, -1 gone) within twenty seconds.
  auto becomes = [&](int state) {
    for (int i = 0; i < 400; ++i, Sleep(50))
      if (ex.GetInfo_doc(static_cast<unsigned>(pid)) == state) return true;
    return false;
  };
  EXPECT_TRUE(becomes(0));
  TerminateProcess(process.Get(), 0);
  WaitForSingleObject(process.Get(), 5000);
  EXPECT_TRUE(becomes(-1));
  EXPECT_EQ(ex.GetInfo_doc(static_cast<unsigned>(GetCurrentProcessId())), 0);
}

TEST(AgentProcess, SetReplacesThePolicyOfTheRunningAgent) {
  kaltest::CAgentProcess agent;
  ASSERT_TRUE(agent.Start("[user]\nname = first\n[processes]\nprotect = pid:11\n"));
  ASSERT_TRUE(agent.Set("[user]\nname = second\n[processes]\nprotect = pid:22 readonly=1\n"));
  CTavExchg ex;
  char name[256];
  GetUserNameAndPsw(name, nullptr);
  EXPECT_STREQ(name, "second");
  EXPECT_EQ(ex.GetInfo_doc(11u), -1);
  EXPECT_EQ(ex.GetInfo_doc(22u), 0);
  EXPECT_FALSE(agent.Set("[user]\nnosuchkey = 1\n"));  // rejected, the old policy stays
  GetUserNameAndPsw(name, nullptr);
  EXPECT_STREQ(name, "second");
}

TEST(AgentTool, RejectsABadPolicyFile) {
  kaltest::CAgentProcess agent;
  EXPECT_FALSE(agent.Start("[user]\nname = x\n[processes]\nprotect = pid:abc\n", 5000));
  EXPECT_FALSE(agent.Running());
}

TEST(DbwinCapture, SeesLinesOfThisAndOtherProcesses) {
  kaltest::CDbwinCapture capture;
  ASSERT_TRUE(capture.Listening());
  OutputDebugStringW(L"kaltest line one\nkaltest line two\n");
  ASSERT_TRUE(capture.WaitFor("kaltest line two", 10000));
  auto lines = capture.LinesOf(GetCurrentProcessId());
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines[lines.size() - 2], "kaltest line one");
  EXPECT_FALSE(capture.WaitFor("never written", 100));
  // A second listener cannot take the channel while this one holds it.
  kaltest::CDbwinCapture second;
  EXPECT_FALSE(second.Listening());
}

TEST(Kaltrace, WritesFilteredLinesWithTheirPid) {
  std::wstring outFile = kaltest::WriteTempFile("", L".log");
  std::wstring ready = L"kaltest_kaltrace_ready", stop = L"kaltest_kaltrace_stop";
  kal::CHandleOwner readyEv(CreateEventW(nullptr, TRUE, FALSE, ready.c_str()));
  kal::CHandleOwner stopEv(CreateEventW(nullptr, TRUE, FALSE, stop.c_str()));
  std::wstring cmd = L"\"" + kaltest::BinPath(L"kaltrace.exe") + L"\" --filter KEEP --out \"" +
                     outFile + L"\" --ready-event " + ready + L" --stop-event " + stop +
                     L" --seconds 30";
  kal::CHandleOwner process;
  ASSERT_TRUE(kaltest::Spawn(cmd, &process));
  ASSERT_EQ(WaitForSingleObject(readyEv.Get(), 10000), WAIT_OBJECT_0);
  OutputDebugStringW(L"drop this\n");
  OutputDebugStringW(L"KEEP this one\n");
  // The viewer has taken both lines once a third one gets through (one writer at a time).
  OutputDebugStringW(L"drop the last\n");
  SetEvent(stopEv.Get());
  ASSERT_EQ(WaitForSingleObject(process.Get(), 10000), WAIT_OBJECT_0);
  std::string text = kaltest::ReadFileBytes(outFile);
  DeleteFileW(outFile.c_str());
  EXPECT_EQ(text, std::to_string(GetCurrentProcessId()) + ": KEEP this one\n");
}

TEST(AgentProcess, CollectsTheIdsAnnouncedThroughTheNewProcessEvent) {
  kaltest::CAgentProcess agent;
  ASSERT_TRUE(agent.Start("[user]\nname = n\n"));
  kal::CHandleOwner probe(OpenEventW(SYNCHRONIZE, FALSE, L"Lumicore_NewProcess_Event"));
  EXPECT_TRUE(probe) << "the agent creates the new-process event";
  CTavExchg ex;
  ex.AddNewProcess(4711);
  ex.AddNewProcess(4712);
  // Peek at the pending count without taking the ids: the agent should have emptied the list.
  int32_t pending = -1;
  for (int i = 0; i < 500 && pending != 0; ++i, Sleep(20)) {
    CSectionView view(kal::kExchangeSectionName, true);
    ASSERT_NE(view.Data(), nullptr);
    pending = static_cast<const ExchangeBlock*>(view.Data())->newProcessCount;
  }
  EXPECT_EQ(pending, 0);
  unsigned ids[64] = {};
  EXPECT_EQ(ex.GetNewProcess(ids), 0);
}
