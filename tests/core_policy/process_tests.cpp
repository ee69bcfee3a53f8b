// The decision, exemption, read-only query and configuration inside real child processes
// whose executable names are those of the Office applications (copies of policy_probe.exe).
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "core/policy.h"
#include "tests/core_policy/probe_process.h"
#include "tests/exchange/section_fixture.h"
#include "tests/support/agent_process.h"
#include "tests/support/dbwin_capture.h"
#include "tests/support/host_run.h"
#include "tests/support/test_paths.h"

using kaltest::CProbeProcess;
using kaltest::CTestExchangeSection;
using ::testing::StartsWith;

namespace {
// Debugger lines arrive through another thread; on a busy machine that can take a while.
constexpr DWORD kWaitMs = 10000;

class ProbeFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(m_section.Ok());
    m_dir = kaltest::MakeTempDir(L"probe");
    m_section.SetUser("alice");
    m_section.SetWatermarkPolicy(1, 1);
  }
  // Copies the probe under `name`, starts it suspended, lets `prepare` see its pid, resumes.
  template <typename Prepare>
  bool Launch(CProbeProcess& probe, const std::wstring& name, Prepare prepare) {
    if (!probe.StartSuspended(m_dir, name)) return false;
    prepare(probe.Pid());
    probe.Resume();
    return true;
  }
  std::string DecisionOf(const std::wstring& name) {
    CProbeProcess probe;
    if (!Launch(probe, name, [&](DWORD pid) { m_section.AddTav(pid); })) return "start failed";
    return probe.Command("decide");
  }

  CTestExchangeSection m_section;
  std::wstring m_dir;
};

}  // namespace

TEST_F(ProbeFixture, OfficeNamesDecideForAWatermark) {
  for (const wchar_t* name : {L"WINWORD.EXE", L"winword.exe", L"my_winword.exe_copy.exe",
                              L"EXCEL.EXE", L"POWERPNT.EXE"}) {
    EXPECT_THAT(DecisionOf(name), StartsWith("decide=1 init=1 cached=1 readWatermark=1 "
                                             "color=0x0000FF size=48 transparency=40 slanted=1 "
                                             "font=Arial"));
  }
  EXPECT_THAT(DecisionOf(L"notepad2.exe"),
              StartsWith("decide=0 init=1 cached=0 readWatermark=0 color=0xC0C0C0"));
}

TEST_F(ProbeFixture, DecisionSurvivesPolicyChangesButNotTheExemptionMutex) {
  CProbeProcess word;
  ASSERT_TRUE(Launch(word, L"WINWORD.EXE", [&](DWORD pid) { m_section.AddTav(pid); }));
  EXPECT_EQ("mutex=0", word.Command("mutex"));
  ASSERT_THAT(word.Command("decide"), StartsWith("decide=1 ")) << "first decision";

  m_section.Block().printPolicy.readWatermark = 0;
  m_section.Block().printPolicy.watermarkFontSize = 12;
  EXPECT_THAT(word.Command("decide"),
              StartsWith("decide=1 init=1 cached=1 readWatermark=1 color=0x0000FF size=48"));
  // A live look at the block (not cached) sees the change.
  EXPECT_EQ("watermark=0", word.Command("watermark"));

  // Another process marks this Word process as exempt, then lets go.
  CProbeProcess holder;
  ASSERT_TRUE(Launch(holder, L"holder.exe", [](DWORD) {}));
  kaltest::CDbwinCapture capture;
  ASSERT_EQ("held=1", holder.Command("holdfor WINWORD.EXE " + std::to_string(word.Pid())));
  EXPECT_EQ("mutex=1", word.Command("mutex"));
  EXPECT_THAT(word.Command("decide"), StartsWith("decide=0 init=1 cached=1 "));
  EXPECT_TRUE(
      capture.WaitFor("LumicODS KalMsAddin CreateWaterMutex is already exist WINWORD.EXE PID " +
                          std::to_string(word.Pid()),
                      kWaitMs));
  EXPECT_EQ("released", holder.Command("release"));
  EXPECT_EQ("mutex=0", word.Command("mutex"));
  EXPECT_THAT(word.Command("decide"), StartsWith("decide=1 init=1 cached=1 "));
}

TEST_F(ProbeFixture, MutexAppliesOnlyToExactOfficeNames) {
  CProbeProcess copy;
  ASSERT_TRUE(Launch(copy, L"my_winword.exe_copy.exe", [&](DWORD pid) { m_section.AddTav(pid); }));
  CProbeProcess holder;
  ASSERT_TRUE(Launch(holder, L"holder.exe", [](DWORD) {}));
  ASSERT_EQ("held=1",
            holder.Command("holdfor MY_WINWORD.EXE_COPY.EXE " + std::to_string(copy.Pid())));
  EXPECT_EQ("mutex=0", copy.Command("mutex"));
  EXPECT_THAT(copy.Command("decide"), StartsWith("decide=1 ")) << "no exemption for copies";

  CProbeProcess excel;
  ASSERT_TRUE(Launch(excel, L"excel.exe", [&](DWORD pid) { m_section.AddSmart(pid); }));
  // The name is upper-cased for the mutex whatever the file's own case.
  ASSERT_EQ("held=1", holder.Command("holdfor EXCEL.EXE " + std::to_string(excel.Pid())));
  EXPECT_EQ("mutex=1", excel.Command("mutex"));
  EXPECT_THAT(excel.Command("decide"), StartsWith("decide=0 init=0 cached=0 "));
  EXPECT_EQ("released", holder.Command("release"));
  EXPECT_THAT(excel.Command("decide"), StartsWith("decide=1 init=1 cached=1 "));
}

TEST(ProbeNoAgent, NoSectionNoWatermark) {
  CProbeProcess probe;
  ASSERT_TRUE(probe.StartSuspended(kaltest::MakeTempDir(L"noagent"), L"WINWORD.EXE"));
  probe.Resume();
  EXPECT_THAT(probe.Command("decide"), StartsWith("decide=0 init=1 cached=0 "));
  EXPECT_EQ("readonly=0", probe.Command("readonly"));
}

TEST_F(ProbeFixture, ReadOnlyQueryWritesItsLinesInOrder) {
  struct Case {
    int record;  // -1 none, else the readOnlyFlag
    const char* answer;
    std::vector<std::string> lines;
  };
  const std::string enter = "manager--------------IsTavReadOnly-----enter";
  const std::string found = "manager--------------IsTavReadOnly.11";
  const std::string ro = "manager--------------IsTavReadOnly.22";
  const std::string end = "manager--------------IsTavReadOnly-----end";
  const Case cases[] = {{1, "readonly=1", {enter, found, ro, end}},
                        {0, "readonly=0", {enter, found, end}},
                        {-1, "readonly=0", {enter, end}}};
  for (const Case& c : cases) {
    CProbeProcess probe;
    ASSERT_TRUE(Launch(probe, L"WINWORD.EXE", [&](DWORD pid) {
      if (c.record >= 0) m_section.AddTav(pid, static_cast<uint32_t>(c.record));
    }));
    kaltest::CDbwinCapture capture;
    EXPECT_EQ(c.answer, probe.Command("readonly"));
    ASSERT_TRUE(capture.WaitFor(end, kWaitMs));
    std::vector<std::string> lines;
    for (const std::string& l : capture.LinesOf(probe.Pid()))
      if (l.find("IsTavReadOnly") != std::string::npos) lines.push_back(l);
    EXPECT_EQ(c.lines, lines) << c.answer;
  }
}

// Trace switch read from KalConfig.ini beside the executable.
namespace {
std::string ConfigOf(const char* ini, std::vector<std::string>* traced) {
  std::wstring dir = kaltest::MakeTempDir(L"cfg");
  if (ini) {
    std::ofstream out((dir + L"\\KalConfig.ini").c_str(), std::ios::binary);
    out << ini;
  }
  CProbeProcess probe;
  if (!probe.StartSuspended(dir, L"cfgprobe.exe")) return "start failed";
  probe.Resume();
  std::string answer = probe.Command("config");
  kaltest::CDbwinCapture capture;
  probe.Command("trace gated-line-marker");
  probe.Command("readonly");  // an ungated line to wait for: the gated ones came before it
  capture.WaitFor("IsTavReadOnly-----end", kWaitMs);
  for (const std::string& l : capture.LinesOf(probe.Pid()))
    if (l.find("gated-line-marker") != std::string::npos) traced->push_back(l);
  return answer;
}
}  // namespace

TEST(ModuleConfig, TraceSwitchAndGuardSelectorFromTheIniBesideTheModule) {
  const std::vector<std::string> none, both = {"gated-line-marker", "fmt:gated-line-marker"};
  const struct {
    const char* ini;  // nullptr: no KalConfig.ini at all
    const char* answer;
    const std::vector<std::string>& traced;
  } cases[] = {{nullptr, "trace=0 ppt=0", none},
               {"[DebugLog]\r\nKalMsAddin=1\r\n[custom]\r\nPPTReadOnlyProtectPwd=3\r\n",
                "trace=1 ppt=3", both},
               {"[DebugLog]\r\nKalMsAddin=2\r\n", "trace=1 ppt=0", both},
               {"[KalMsAddin]\r\nDebugLog=1\r\n[custom]\r\nPPTReadOnlyProtectPwd=0\r\n",
                "trace=0 ppt=0", none}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.ini ? c.ini : "no ini");
    std::vector<std::string> traced;
    EXPECT_EQ(c.answer, ConfigOf(c.ini, &traced));
    EXPECT_EQ(c.traced, traced);
  }
}

// The same decision with the reference agent publishing the policy.
namespace {
std::string AgentPolicy(DWORD pid, int readWatermark, int readOnly) {
  return "[user]\nname = alice\n\n[watermark]\nreadWatermark = " + std::to_string(readWatermark) +
         "\ntavFileWatermark = 1\nsmartFileWatermark = 0\nhorizontal = 1\ntext = Internal\n"
         "font = Tahoma\nfontSize = 30\ncolor = 0,128,255\ntransparency = 77\n\n"
         "[processes]\nprotect = pid:" +
         std::to_string(pid) + " readonly=" + std::to_string(readOnly) + " print=0\n";
}
}  // namespace

TEST(AgentPublished, DecisionReadOnlyAndCacheAgainstTheReferenceAgent) {
  CProbeProcess excel;
  ASSERT_TRUE(excel.StartSuspended(kaltest::MakeTempDir(L"agent"), L"EXCEL.EXE"));
  kaltest::CAgentProcess agent;
  ASSERT_TRUE(agent.Start(AgentPolicy(excel.Pid(), 1, 1)));
  excel.Resume();
  EXPECT_EQ(
      "decide=1 init=1 cached=1 readWatermark=1 color=0xFF8000 size=30 transparency=77 "
      "slanted=0 font=Tahoma",
      excel.Command("decide"));
  EXPECT_EQ("readonly=1", excel.Command("readonly"));

  // The agent withdraws the watermark and the read-only mark: the decision stays, the live
  // queries follow.
  ASSERT_TRUE(agent.Set(AgentPolicy(excel.Pid(), 0, 0)));
  EXPECT_THAT(excel.Command("decide"), StartsWith("decide=1 init=1 cached=1 readWatermark=1 "));
  EXPECT_EQ("watermark=0", excel.Command("watermark"));
  EXPECT_EQ("readonly=0", excel.Command("readonly"));

  agent.Stop();
  EXPECT_THAT(excel.Command("decide"), StartsWith("decide=1 init=1 cached=1 "));
  EXPECT_EQ("readonly=0", excel.Command("readonly"));
}

// "TavRegedit.exe launch": the records the running policy gives a program's name are in place
// before its first instruction (the probe decides first thing), whatever the 100 ms scan does,
// and the launcher ends with the program's exit code.
TEST(AgentLauncher, RecordsOfTheProgramsNameAreInPlaceBeforeItRuns) {
  const std::wstring dir = kaltest::MakeTempDir(L"launch") + L"\\";
  kaltest::CAgentProcess agent;
  ASSERT_TRUE(agent.Start(
      "[user]\nname = alice\n[watermark]\nreadWatermark = 1\ntavFileWatermark = 1\n"
      "smartFileWatermark = 1\ntext = Internal\n"
      "[processes]\nprotect = winword.exe readonly=1 print=0\nsmart = EXCEL.EXE\n"));
  const struct {
    const wchar_t* exe;
    const char* records;
    const char* answers;
  } cases[] = {
      {L"WINWORD.EXE", "(records: protect)", "decide=1 readonly=1"},
      {L"EXCEL.EXE", "(records: smart)", "decide=1 readonly=0"},
      {L"POWERPNT.EXE", "(records: none)", "decide=0 readonly=0"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(kaltest::Utf8(c.exe));
    const std::wstring exe = dir + c.exe;
    ASSERT_TRUE(::CopyFileW(kaltest::BinPath(L"policy_probe.exe").c_str(), exe.c_str(), FALSE));
    std::string out;
    EXPECT_EQ(7, kaltest::RunBinTool(L"TavRegedit.exe",
                                     L"launch \"" + exe + L"\" decide + readonly + exit 7", &out));
    EXPECT_NE(out.find(c.records), std::string::npos) << out;
    // "decide=D ..." then "readonly=R", folded into one line for the comparison.
    const size_t decide = out.find("decide="), readonly = out.find("readonly=");
    ASSERT_NE(decide, std::string::npos) << out;
    ASSERT_NE(readonly, std::string::npos) << out;
    EXPECT_EQ(c.answers, out.substr(decide, 9) + out.substr(readonly, 10)) << out;
  }
  agent.Stop();
  std::string out;
  EXPECT_EQ(2, kaltest::RunBinTool(L"TavRegedit.exe", L"launch \"" + dir + L"WINWORD.EXE\" exit 7", &out));
  EXPECT_NE(out.find("no agent is running; nothing was started"), std::string::npos) << out;
}
