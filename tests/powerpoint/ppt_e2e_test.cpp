// End-to-end PowerPoint scenarios: the registered KalMsAddin.dll inside the simulated
// powerpnt.exe, with the reference agent publishing the policy for that process. Clicks and
// keys reach PowerPoint's windows through SendInput, so the add-in's real hooks decide.
#include <gtest/gtest.h>
#include <windows.h>

#include <nlohmann/json.hpp>
#include <string>

#include "tests/picture/system_fixtures.h"
#include "tests/support/agent_process.h"
#include "tests/support/test_paths.h"
#include "tests/word/word_e2e_fixture.h"

namespace kaltest {
namespace {

const char kMark[] = "PowerPnt_TextWatermark1";

struct CPptRun {
  std::string presentation;  // JSON presentation; empty: PowerPoint starts with a new one
  std::string script;        // scenario lines; a final dump is appended
  std::wstring extraArgs;
  bool readOnly = false;
  int powerpntWM = 1;
  int pptWM = 1;
  int pptReadOnlyProtectPwd = 0;
};

std::wstring Quoted(const std::wstring& s) { return L"\"" + s + L"\""; }
std::string Narrow(const std::wstring& w) { return std::string(w.begin(), w.end()); }

int Regsvr32(const std::wstring& flags) {
  std::wstring cmd = L"regsvr32 " + flags + L" " + Quoted(BinPath(L"KalMsAddin.dll"));
  STARTUPINFOW si{sizeof(si)};
  PROCESS_INFORMATION pi{};
  if (!::CreateProcessW(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return -1;
  DWORD code = static_cast<DWORD>(-1);
  if (::WaitForSingleObject(pi.hProcess, 60000) == WAIT_OBJECT_0) ::GetExitCodeProcess(pi.hProcess, &code);
  ::CloseHandle(pi.hThread);
  ::CloseHandle(pi.hProcess);
  return static_cast<int>(code);
}

class PptEndToEnd : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ASSERT_EQ(Regsvr32(L"/s"), 0);
    s_pAgent = new CAgentProcess();
    ASSERT_TRUE(s_pAgent->Start(E2ePolicy(0, false, true)));
  }
  static void TearDownTestSuite() {
    delete s_pAgent;
    s_pAgent = nullptr;
    ::DeleteFileW(BinPath(L"KalConfig.ini").c_str());
    Regsvr32(L"/u /s");
  }

  nlohmann::json Run(const CPptRun& run) {
    static int s_nRun = 0;
    const std::wstring dir = TempDir() + L"kalppt_e2e_" + std::to_wstring(::GetCurrentProcessId()) + L"_" + std::to_wstring(++s_nRun) + L"\\";
    ::CreateDirectoryW(dir.c_str(), nullptr);
    // The agent's folder with the PowerPoint switches, and the module's own KalConfig.ini.
    pictest::CScopedRunValue runValue;
    EXPECT_TRUE(runValue.SetString(dir + L"TavRegedit.exe"));
    WriteText(dir + L"KalConfig.ini", "[OEM]\r\nPowerpntWM=" + std::to_string(run.powerpntWM) + "\r\n");
    WriteText(dir + L"KalEspecialConfig.ini", "[ORCHARD]\r\nPPTWM=" + std::to_string(run.pptWM) + "\r\n");
    WriteText(BinPath(L"KalConfig.ini"), "[DebugLog]\r\nKalMsAddin=1\r\n[custom]\r\nPPTReadOnlyProtectPwd=" +
                                             std::to_string(run.pptReadOnlyProtectPwd) + "\r\n");
    std::string script = run.script;
    if (!run.presentation.empty()) {
      WriteText(dir + L"deck.pptx", run.presentation);
      const std::string tag = "$DECK";
      for (size_t at = script.find(tag); at != std::string::npos; at = script.find(tag)) script.replace(at, tag.size(), Narrow(dir + L"deck.pptx"));
    }
    script += "\ndump " + Narrow(dir + L"final.json") + "\n";
    WriteText(dir + L"script.txt", script);
    std::wstring cmd = Quoted(BinPath(L"powerpnt.exe"));
    if (!run.presentation.empty() && run.script.find("$DECK") == std::string::npos) cmd += L" " + Quoted(dir + L"deck.pptx");
    cmd += L" /script " + Quoted(dir + L"script.txt") + L" /log " + Quoted(dir + L"host.log") + L" " + run.extraArgs;

    STARTUPINFOW si{sizeof(si)};
    PROCESS_INFORMATION pi{};
    if (!::CreateProcessW(nullptr, &cmd[0], nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr, nullptr, &si, &pi)) {
      ADD_FAILURE() << "powerpnt.exe did not start";
      return nlohmann::json();
    }
    EXPECT_TRUE(s_pAgent->Set(E2ePolicy(pi.dwProcessId, run.readOnly, true)));
    ::ResumeThread(pi.hThread);
    DWORD code = 1;
    if (::WaitForSingleObject(pi.hProcess, 120000) == WAIT_OBJECT_0) {
      ::GetExitCodeProcess(pi.hProcess, &code);
    } else {
      ADD_FAILURE() << "powerpnt.exe did not finish";
      ::TerminateProcess(pi.hProcess, 1);
    }
    ::CloseHandle(pi.hThread);
    ::CloseHandle(pi.hProcess);
    EXPECT_EQ(code, 0u);
    const std::string text = ReadFileBytes(dir + L"final.json");
    return text.empty() ? nlohmann::json() : nlohmann::json::parse(text, nullptr, false);
  }

  static CAgentProcess* s_pAgent;
};
CAgentProcess* PptEndToEnd::s_pAgent = nullptr;

std::string Deck(const std::string& masterShapes, const std::string& extra = "") {
  return R"({"name": "deck.pptx", )" + extra + R"("master": {"shapes": [)" + masterShapes +
         R"(]}, "slides": [{"layout": 1, "text": "Title"}, {"layout": 2, "text": "Body"}], "view": {"type": 7}})";
}

std::vector<std::string> MasterNames(const nlohmann::json& state) {
  std::vector<std::string> names;
  for (const auto& s : state.at("presentations").at(0).at("master").at("shapes")) names.push_back(s.value("name", ""));
  return names;
}

const nlohmann::json& Counts(const nlohmann::json& state) { return state.at("ui").at("counts"); }
long CountOf(const nlohmann::json& state, const char* what) { return Counts(state).value(what, 0L); }

TEST_F(PptEndToEnd, OpenAndNewSlidesKeepOneMarkInTheNormalViewAndTheMasterViewIsRefused) {
  CPptRun run;
  run.presentation = Deck(R"({"name": "Title 1", "type": 1}, {"name": "Watermark1", "type": 15})");
  run.script = "slide add\nslide add\nribbon ViewSlideMasterView\nview sorter\nslide add\n";
  const auto state = Run(run);
  ASSERT_TRUE(state.is_object());
  EXPECT_EQ(MasterNames(state), (std::vector<std::string>{"Title 1", kMark}));
  const auto& p = state.at("presentations").at(0);
  EXPECT_EQ(p.at("view").at("type").get<int>(), 9);
  EXPECT_EQ(p.at("master").at("shapes").at(1).at("left").get<double>(), 130.0);
  EXPECT_EQ(state.at("actions").at(2).value("result", ""), "refused: command disabled");
  EXPECT_EQ(state.at("advisedSinks").get<int>(), 2);
  EXPECT_NE(state.at("addins").at(0).value("ribbonXml", "").find("ViewSlideMasterView"), std::string::npos);
  EXPECT_EQ(state.at("eventsFired").value("2021", 0), 1);
}

TEST_F(PptEndToEnd, SwitchesAndVersionsShapeTheResult) {
  CPptRun run;
  run.presentation = Deck(R"({"name": "Watermark1", "type": 15}, {"name": ")" + std::string(kMark) + R"(", "type": 15})");
  run.script = "slide add\nslide add\n";
  auto state = Run(run);  // both old names: two marks after every event
  EXPECT_EQ(MasterNames(state).size(), 2u);

  run.pptWM = 0;  // only removal: one per event (open + two slides)
  state = Run(run);
  EXPECT_TRUE(MasterNames(state).empty());

  run.pptWM = 1;
  run.powerpntWM = 0;  // nothing at all
  state = Run(run);
  EXPECT_EQ(MasterNames(state).size(), 2u);
  EXPECT_EQ(state.at("advisedSinks").get<int>(), 0);
  EXPECT_TRUE(state.at("addins").at(0).value("ribbonXml", "").empty());

  run.powerpntWM = 1;
  run.presentation = Deck("");
  run.extraArgs = L"/version 11.0";
  state = Run(run);
  ASSERT_EQ(MasterNames(state), std::vector<std::string>{kMark});
  const auto& mark = state.at("presentations").at(0).at("master").at("shapes").at(0);
  EXPECT_FLOAT_EQ(static_cast<float>(mark.at("width").get<double>()), 512.2122f * 0.5f);
  EXPECT_EQ(mark.at("left").get<double>(), 250.0);
}

TEST_F(PptEndToEnd, NoActiveWindowStillAddsOneUnmovedMark) {
  CPptRun run;
  run.presentation = Deck(R"({"name": ")" + std::string(kMark) + R"(", "type": 15})");
  run.script = "fail Application.ActiveWindow 0x80048240 every There is no currently active document window.\nslide add\nslide add\n";
  const auto state = Run(run);
  ASSERT_EQ(MasterNames(state).size(), 1u);
  EXPECT_EQ(state.at("presentations").at(0).at("master").at("shapes").at(0).at("left").get<double>(), 100.0);
}

TEST_F(PptEndToEnd, ReadOnlyInputGuardsSwallowEditsAndLeaveFindAndNoWorking) {
  CPptRun run;
  run.readOnly = true;
  run.presentation = Deck("");
  run.script =
      "show replace\nclick replacefindnext\nclick replacebutton\nclick replaceall\n"
      "focus pane\ntype abc\nclick pane\nclick pane right\nclick statusbar\nclick toolbar\nclick dock double\n"
      "show find\nclick findbox\ntype xyz\nshow msgbox\nclick yes\nclick no\n";
  const auto state = Run(run);
  ASSERT_TRUE(state.is_object());
  EXPECT_EQ(CountOf(state, "findNext"), 1);
  for (const char* swallowed : {"replace", "replaceAll", "typedInPane", "paneClick", "contextMenu", "statusBarClick",
                                "toolbarCommand", "dockCustomize", "yes"})
    EXPECT_EQ(CountOf(state, swallowed), 0) << swallowed;
  EXPECT_EQ(CountOf(state, "no"), 1);
  EXPECT_EQ(state.at("ui").value("findText", ""), "xyz");
  EXPECT_EQ(state.at("presentations").at(0).at("slides").at(0).value("text", ""), "Title");
  EXPECT_EQ(state.at("addins").at(0).value("unloadHr", 0L), 1L);  // S_FALSE: the hooks keep the module
}

TEST_F(PptEndToEnd, WithoutGuardsTheSameInputEdits) {
  CPptRun run;
  run.presentation = Deck("");
  run.script = "show replace\nclick replacebutton\nfocus pane\ntype abc\nclick pane right\n";
  const auto state = Run(run);
  EXPECT_EQ(CountOf(state, "replace"), 1);
  EXPECT_EQ(CountOf(state, "typedInPane"), 3);
  EXPECT_EQ(CountOf(state, "contextMenu"), 1);
}

TEST_F(PptEndToEnd, PasswordGuardOpensReadOnlyThroughTheReadOnlyButtonOnly) {
  CPptRun run;
  run.readOnly = true;
  run.pptReadOnlyProtectPwd = 1;
  run.presentation = Deck("", R"("modifyPassword": "secret", )");
  run.script = "open $DECK\n";
  auto state = Run(run);
  ASSERT_TRUE(state.is_object());
  EXPECT_EQ(state.at("actions").at(0).value("result", ""), "ok");
  EXPECT_EQ(state.at("ui").value("lastPassword", ""), "read only");
  ASSERT_EQ(state.at("presentations").size(), 2u);
  EXPECT_TRUE(state.at("presentations").at(1).at("readOnly").get<bool>());

  run.extraArgs = L"/readonlyid 8 /passwordwait 1500";  // another button id: left alone
  state = Run(run);
  EXPECT_EQ(state.at("ui").value("lastPassword", ""), "cancelled");
  EXPECT_EQ(state.at("actions").at(0).value("result", "").rfind("refused", 0), 0u);
}

}  // namespace
}  // namespace kaltest
