// End-to-end PowerPoint scenarios: the registered KalMsAddin.dll inside the simulated
// powerpnt.exe, with the reference agent publishing the policy for that process. Clicks and
// keys reach PowerPoint's windows through SendInput, so the add-in's real hooks decide.
#include <gtest/gtest.h>
#include <windows.h>

#include <nlohmann/json.hpp>
#include <string>

#include "tests/picture/system_fixtures.h"
#include "tests/support/test_paths.h"
#include "tests/support/ungated_trace.h"
#include "tests/word/word_e2e_fixture.h"

namespace kaltest {
namespace {

const char kMark[] = "PowerPnt_TextWatermark1";

// A host run with the PowerPoint switches and the password guard's setting.
struct CPptRun : CHostRun {
  int powerpntWM = 1;
  int pptWM = 1;
  int pptReadOnlyProtectPwd = 0;
  int trace = 1;  // [DebugLog] KalMsAddin
};

class PptEndToEnd : public CEndToEnd {
 protected:
  nlohmann::json Run(const CPptRun& run) {
    // The agent's folder with the PowerPoint switches, and the module's own KalConfig.ini.
    const std::wstring agentDir = TempFolder() + L"kalppt_e2e_agent\\";
    ::CreateDirectoryW(agentDir.c_str(), nullptr);
    pictest::CScopedRunValue runValue;
    EXPECT_TRUE(runValue.SetString(agentDir + L"TavRegedit.exe"));
    WriteFileBytes(agentDir + L"KalConfig.ini",
                   "[OEM]\r\nPowerpntWM=" + std::to_string(run.powerpntWM) + "\r\n");
    WriteFileBytes(agentDir + L"KalEspecialConfig.ini",
                   "[ORCHARD]\r\nPPTWM=" + std::to_string(run.pptWM) + "\r\n");
    WriteFileBytes(BinPath(L"KalConfig.ini"),
                   "[DebugLog]\r\nKalMsAddin=" + std::to_string(run.trace) + "\r\n[custom]\r\n" +
                       "PPTReadOnlyProtectPwd=" +
                       std::to_string(run.pptReadOnlyProtectPwd) + "\r\n");
    const CHostResult r = CEndToEnd::Run(run, L"powerpnt.exe", L"deck.pptx", L"kalppt_e2e");
    EXPECT_EQ(r.exitCode, 0);
    m_lastPid = r.pid;
    return r.state;
  }
  DWORD m_lastPid = 0;  // the host process of the last run
};

std::string Deck(const std::string& masterShapes, const std::string& extra = "") {
  return R"({"name": "deck.pptx", )" + extra + R"("master": {"shapes": [)" + masterShapes +
         R"(]}, "slides": [{"layout": 1, "text": "Title"}, {"layout": 2, "text": "Body"}], "view": {"type": 7}})";
}

std::vector<std::string> MasterNames(const nlohmann::json& state) {
  std::vector<std::string> names;
  for (const auto& s : state.at("presentations").at(0).at("master").at("shapes"))
    names.push_back(s.value("name", ""));
  return names;
}

long CountOf(const nlohmann::json& state, const char* what) {
  return state.at("ui").at("counts").value(what, 0L);
}

TEST_F(PptEndToEnd, OpenAndNewSlidesKeepOneMarkInTheNormalViewAndTheMasterViewIsRefused) {
  CPptRun run;
  run.document = Deck(R"({"name": "Title 1", "type": 1}, {"name": "Watermark1", "type": 15})");
  run.script = "slide add\nslide add\nribbon ViewSlideMasterView\nview sorter\nslide add\n";
  const auto state = Run(run);
  ASSERT_TRUE(state.is_object());
  EXPECT_EQ(MasterNames(state), (std::vector<std::string>{"Title 1", kMark}));
  const auto& p = state.at("presentations").at(0);
  EXPECT_EQ(p.at("view").at("type").get<int>(), 9);
  EXPECT_EQ(p.at("master").at("shapes").at(1).at("left").get<double>(), 130.0);
  EXPECT_EQ(state.at("actions").at(2).value("result", ""), "refused: command disabled");
  EXPECT_EQ(state.at("advisedSinks").get<int>(), 2);
  EXPECT_NE(state.at("addins").at(0).value("ribbonXml", "").find("ViewSlideMasterView"),
            std::string::npos);
  EXPECT_EQ(state.at("eventsFired").value("2021", 0), 1);
}

TEST_F(PptEndToEnd, SwitchesAndVersionsShapeTheResult) {
  CPptRun run;
  run.document = Deck(R"({"name": "Watermark1", "type": 15}, {"name": ")" + std::string(kMark) +
                      R"(", "type": 15})");
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
  run.document = Deck("");
  run.extraArgs = L"/version 11.0";
  state = Run(run);
  ASSERT_EQ(MasterNames(state), std::vector<std::string>{kMark});
  const auto& mark = state.at("presentations").at(0).at("master").at("shapes").at(0);
  EXPECT_FLOAT_EQ(static_cast<float>(mark.at("width").get<double>()), 512.2122f * 0.5f);
  EXPECT_EQ(mark.at("left").get<double>(), 250.0);
}

TEST_F(PptEndToEnd, NoActiveWindowStillAddsOneUnmovedMark) {
  CPptRun run;
  run.document = Deck(R"({"name": ")" + std::string(kMark) + R"(", "type": 15})");
  run.script =
      "fail Application.ActiveWindow 0x80048240 every There is no currently active document "
      "window.\nslide add\nslide add\n";
  const auto state = Run(run);
  ASSERT_EQ(MasterNames(state).size(), 1u);
  EXPECT_EQ(
      state.at("presentations").at(0).at("master").at("shapes").at(0).at("left").get<double>(),
      100.0);
}

TEST_F(PptEndToEnd, ReadOnlyInputGuardsSwallowEditsAndLeaveFindAndNoWorking) {
  CPptRun run;
  run.readOnly = true;
  run.document = Deck("");
  run.script =
      "show replace\nclick replacefindnext\nclick replacebutton\nclick replaceall\n"
      "focus pane\ntype abc\nclick pane\nclick pane right\nclick statusbar\nclick toolbar\nclick "
      "dock double\n"
      "show find\nclick findbox\ntype xyz\nshow msgbox\nclick yes\nclick no\n";
  const auto state = Run(run);
  ASSERT_TRUE(state.is_object());
  EXPECT_EQ(CountOf(state, "findNext"), 1);
  for (const char* swallowed : {"replace", "replaceAll", "typedInPane", "paneClick", "contextMenu",
                                "statusBarClick", "toolbarCommand", "dockCustomize", "yes"})
    EXPECT_EQ(CountOf(state, swallowed), 0) << swallowed;
  EXPECT_EQ(CountOf(state, "no"), 1);
  EXPECT_EQ(state.at("ui").value("findText", ""), "xyz");
  EXPECT_EQ(state.at("presentations").at(0).at("slides").at(0).value("text", ""), "Title");
  EXPECT_EQ(state.at("addins").at(0).value("unloadHr", 0L),
            1L);  // S_FALSE: the hooks keep the module
}

TEST_F(PptEndToEnd, WithoutGuardsTheSameInputEdits) {
  CPptRun run;
  run.document = Deck("");
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
  // PowerPoint starts without it and opens it from the script.
  const std::wstring deck = TempFolder() + L"kalppt_e2e_guarded.pptx";
  ASSERT_TRUE(WriteFileBytes(deck, Deck("", R"("modifyPassword": "secret", )")));
  run.script = "open " + Utf8(deck) + "\n";
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

// [DebugLog] KalMsAddin=0 silences every gated line and none of the ungated ones PowerPoint
// writes: the watermark decision, the read-only and print queries of the input guards, the
// PPTWM switch and the "wmk" lines of the stamping.
TEST_F(PptEndToEnd, TraceSwitchOffLeavesTheUngatedLinesOnly) {
  ExpectTraceSwitchHolds(
      m_trace,
      [&](bool on) {
        CPptRun run;
        run.trace = on ? 1 : 0;
        run.readOnly = true;
        run.document = Deck(R"({"name": "Watermark1", "type": 15})");
        run.script = "slide add\n";
        EXPECT_TRUE(Run(run).is_object());
        return m_lastPid;
      },
      {EUngated::kPolicy, EUngated::kReadOnly, EUngated::kPrint, EUngated::kPptSwitch, EUngated::kPptMark});
}

}  // namespace
}  // namespace kaltest
