// End-to-end Word scenarios: the registered KalMsAddin.dll inside the simulated winword.exe,
// with the reference agent publishing the policy for that process.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <set>

#include "core/automation.h"
#include "tests/support/test_paths.h"
#include "tests/word/word_e2e_fixture.h"

namespace kaltest {
namespace {

// The stamp name of section n (below 10).
std::string Mark(int n) { return "PowerPlusWaterMarkObject4B414C0" + std::to_string(n); }

std::vector<std::string> Names(const nlohmann::json& shapes) {
  std::vector<std::string> names;
  for (const auto& s : shapes) names.push_back(s.value("name", ""));
  return names;
}

// Three sections; later sections either share the first header or carry their own.
std::string ThreeSections(bool linked, bool saved = true, const std::string& firstHeaderShapes = "",
                          bool track = false) {
  std::string own = linked ? "" : R"(, "headers": {"primary": {"text": "own header"}})";
  return std::string(R"({"name": "report.docx", "saved": )") + (saved ? "true" : "false") +
         R"(, "trackRevisions": )" + (track ? "true" : "false") + R"(, "sections": [)" +
         R"({"text": "one", "headers": {"primary": {"text": "h", "shapes": [)" + firstHeaderShapes + "]}}}," +
         R"({"text": "two")" + own + "}," + R"({"text": "three")" + own + "}]}";
}

const nlohmann::json& Doc0(const nlohmann::json& state) { return state.at("documents").at(0); }

class WordEndToEnd : public CWordEndToEnd {};

TEST_F(WordEndToEnd, LinkedHeadersGetThreeShapesTheDocumentStaysSavedAndTheRibbonRefuses) {
  CWordRun run;
  run.document = ThreeSections(true);
  run.script =
      "ribbon WatermarkCustomDialog\nribbon WatermarkRemove\nribbon WatermarkGallery\n"
      "ribbon CustomWatermarkGallery\nribbon SaveSelectionToWaterMarkGallery\nribbon Bold\n";
  const CWordResult r = RunWord(run);
  ASSERT_EQ(r.exitCode, 0);
  ASSERT_TRUE(r.state.is_object());
  EXPECT_EQ(Names(r.Shapes(1, r.state)), (std::vector<std::string>{Mark(1), Mark(2), Mark(3)}));
  EXPECT_TRUE(Doc0(r.state).at("saved").get<bool>());
  const auto& actions = r.state.at("actions");
  ASSERT_GE(actions.size(), 6u);
  for (size_t i = 0; i < 5; ++i) EXPECT_EQ(actions[i].value("result", "").rfind("refused", 0), 0u) << actions[i];
  EXPECT_EQ(actions[5].value("result", ""), "ok");
  EXPECT_EQ(r.state.at("advisedSinks").get<int>(), 2);
  EXPECT_TRUE(m_trace.Contains("CMSWord::NewDocument----------------------"));
}

TEST_F(WordEndToEnd, UnlinkedHeadersCarryTheirOwn) {
  CWordRun run;
  run.document = ThreeSections(false);
  const CWordResult r = RunWord(run);
  ASSERT_EQ(r.exitCode, 0);
  for (int i = 1; i <= 3; ++i) EXPECT_EQ(Names(r.Shapes(i, r.state)), std::vector<std::string>{Mark(i)});
  EXPECT_TRUE(Doc0(r.state).at("saved").get<bool>());
}

TEST_F(WordEndToEnd, UserWordArtIsReplacedOtherShapesStayAndTrackedDocumentsAreLeftAlone) {
  CWordRun run;
  run.document = ThreeSections(
      true, true, R"({"name": "WordArt 2", "text": "mine"}, {"name": "Company logo", "type": "picture"})");
  CWordResult r = RunWord(run);
  ASSERT_EQ(r.exitCode, 0);
  auto names = Names(r.Shapes(1, r.state));
  EXPECT_EQ(std::count(names.begin(), names.end(), "WordArt 2"), 0);
  EXPECT_EQ(std::count(names.begin(), names.end(), "Company logo"), 1);
  EXPECT_EQ(names.size(), 4u);

  run.document = ThreeSections(true, true, R"({"name": "WordArt 2", "text": "mine"})", /*track=*/true);
  r = RunWord(run);
  ASSERT_EQ(r.exitCode, 0);
  EXPECT_EQ(Names(r.Shapes(1, r.state)), std::vector<std::string>{"WordArt 2"});
  EXPECT_TRUE(m_trace.Contains("CMSWord::AddWordWatermarkOnActiveDocument Document Track Revisions."));
}

TEST_F(WordEndToEnd, DamageInTheHeaderViewIsRepairedWithinOneTimerPeriod) {
  CWordRun run;
  run.document = ThreeSections(true);
  run.script =
      "header open 1\nshape move 1 2 30 -20\nticks 1\ndump 1\n"
      "header open 1\nshape text 1 1 nothing to see here\nticks 1\ndump 2\n"
      "header open 1\nshape color 1 3 255,0,0\nticks 1\ndump 3\n"
      "header open 1\nshape delete 1 1\nticks 1\ndump 4\n"
      "header open 1\nshape transparency 1 1 0.9\nticks 1\ndump 5\n";
  const CWordResult r = RunWord(run);
  ASSERT_EQ(r.exitCode, 0);
  for (int n = 1; n <= 4; ++n) {
    const auto shapes = r.Shapes(1, r.Dump(n));
    ASSERT_EQ(shapes.size(), 3u) << "dump " << n;
    for (const auto& s : shapes) {
      EXPECT_EQ(s.at("left").get<double>(), -999995.0) << "dump " << n;
      EXPECT_EQ(s.at("fill").at("foreColor").get<long>(), 16711680) << "dump " << n;
      EXPECT_EQ(s.at("text").get<std::string>(), shapes[0].at("text").get<std::string>());
    }
  }
  // 0.5 -> 0.9 is no damage: the user's transparency stays.
  const auto last = r.Shapes(1, r.Dump(5));
  ASSERT_EQ(last.size(), 3u);
  EXPECT_NEAR(last[0].at("fill").at("transparency").get<double>(), 0.9, 1e-6);
  EXPECT_TRUE(m_trace.Contains("get_Left or get_Top moved"));
}

TEST_F(WordEndToEnd, DocumentsOpenInDraftOutlineWebOrReadModeAreCleanedAndStamped) {
  for (int view : {1, 2, 6, 7}) {
    SCOPED_TRACE("view " + std::to_string(view));
    CWordRun run;
    run.document = R"({"name": "view.docx", "view": {"type": )" + std::to_string(view) +
                   R"(}, "sections": [{"text": "one", "headers": {"primary": {"text": "h", "shapes": [)"
                   R"({"name": "WordArt 2", "text": "old"}]}}}, {"text": "two"}]})";
    const CWordResult r = RunWord(run);
    ASSERT_EQ(r.exitCode, 0);
    EXPECT_EQ(Names(r.Shapes(1, r.state)), (std::vector<std::string>{Mark(1), Mark(2)}));
    EXPECT_EQ(Doc0(r.state).at("view").at("type").get<int>(), 3);
    for (const auto& l : m_trace.Entries())
      if (l.pid == r.pid) EXPECT_EQ(l.text.find("put_SeekView, hr"), std::string::npos) << l.text;
    m_trace.Clear();
  }
}

TEST_F(WordEndToEnd, Word2003GetsItsBackgroundControlsDisabled) {
  CWordRun run;
  run.extraArgs = L"/version 11.0";
  const CWordResult r = RunWord(run);
  ASSERT_EQ(r.exitCode, 0);
  int disabled = 0, found = 0;
  std::function<void(const nlohmann::json&)> walk = [&](const nlohmann::json& controls) {
    for (const auto& c : controls) {
      if (c.value("caption", "") == "背景(&K)") {
        ++found;
        if (!c.value("enabled", true)) ++disabled;
      }
      if (c.contains("controls")) walk(c["controls"]);
    }
  };
  for (const auto& bar : r.state.at("commandBars")) walk(bar.at("controls"));
  EXPECT_EQ(found, 2);
  EXPECT_EQ(disabled, 2);
  EXPECT_EQ(Names(r.Shapes(1, r.state)).size(), 1u);
}

TEST_F(WordEndToEnd, ReadOnlyDocumentIsProtectedForCommentsWithAFreshPasswordPerProcess) {
  std::set<std::string> passwords;
  for (int i = 0; i < 2; ++i) {
    CWordRun run;
    run.document = ThreeSections(true);
    run.readOnly = true;
    run.script = "ticks 1\ntype Hello\n";
    const CWordResult r = RunWord(run);
    ASSERT_EQ(r.exitCode, 0);
    const auto& doc = Doc0(r.state);
    EXPECT_EQ(doc.at("protection").at("type").get<int>(), 1);
    const std::string password = doc.at("protection").at("password").get<std::string>();
    EXPECT_EQ(password.size(), 32u);
    passwords.insert(password);
    EXPECT_TRUE(doc.at("saved").get<bool>());
    EXPECT_EQ(r.state.at("actions").at(1).value("result", "").rfind("refused", 0), 0u);
    // The timer stopped after its first tick found the document protected.
    size_t ticks = 0, kills = 0;
    for (const auto& l : m_trace.Entries()) {
      if (l.pid != r.pid) continue;
      EXPECT_EQ(l.text.find(password), std::string::npos) << l.text;
      ticks += l.text.find("LockWinDocTimer--------------------enter") != std::string::npos;
      kills += l.text.find("KalMsAddin.dll CMSWord KillTimer Succeed.") != std::string::npos;
    }
    EXPECT_EQ(kills, 1u);
    EXPECT_EQ(ticks, 1u);
    m_trace.Clear();
  }
  EXPECT_EQ(passwords.size(), 2u);
}

TEST_F(WordEndToEnd, ReadOnlyDocumentWithAWatermarkEndsStampedAndProtected) {
  CWordRun run;
  run.document = ThreeSections(true);
  run.readOnly = true;
  run.script = "ticks 1\nheader open 2\nticks 2\ntype Hello\n";
  const CWordResult r = RunWord(run);
  ASSERT_EQ(r.exitCode, 0);
  const auto& doc = Doc0(r.state);
  EXPECT_EQ(doc.at("protection").at("type").get<int>(), 1);
  EXPECT_EQ(Names(r.Shapes(1, r.state)), (std::vector<std::string>{Mark(1), Mark(2), Mark(3)}));
  EXPECT_TRUE(doc.at("saved").get<bool>());
  EXPECT_EQ(r.state.at("actions").at(3).value("result", "").rfind("refused", 0), 0u);
  // Every stamping ran before the protection: no step of it was refused, and the checks in the
  // header view found the mark intact.
  size_t stamps = 0;
  for (const auto& l : m_trace.Entries()) {
    if (l.pid != r.pid) continue;
    EXPECT_EQ(l.text.find("hr = 0x"), std::string::npos) << l.text;
    EXPECT_EQ(l.text.find("_com_error"), std::string::npos) << l.text;
    stamps += l.text.find("AddWordWatermarkOnShapes Section Index = 1,") != std::string::npos;
  }
  EXPECT_EQ(stamps, 2u);  // at DocumentOpen and at start-up, none at the ticks
}

TEST_F(WordEndToEnd, ModuleStaysLoadedWhileTheProtectionTimerOutlivesTheAddin) {
  CWordRun run;
  run.extraArgs = L"/nodocument";
  run.readOnly = true;
  run.watermark = false;
  run.script = "ticks 1\nunload\nwait 2000\n";
  const CWordResult r = RunWord(run);
  ASSERT_EQ(r.exitCode, 0);
  ASSERT_TRUE(r.state.is_object());
  EXPECT_TRUE(r.state.at("documents").empty());
  EXPECT_EQ(r.state.at("addins").at(0).value("unloadHr", 0L), 1L);  // S_FALSE: still locked
  // After the add-in was released and COM asked to free unused modules, the timer still fires
  // into the loaded module and reaches no add-in.
  bool released = false;
  size_t ticksAfter = 0, logicAfter = 0;
  for (const auto& l : m_trace.Entries()) {
    if (l.pid != r.pid) continue;
    if (l.text.find("_IDTExtensibility2::OnBeginShutdown.") != std::string::npos) released = true;
    if (!released) continue;
    ticksAfter += l.text.find("LockWinDocTimer--------------------end") != std::string::npos;
    logicAfter += l.text.find("LockWinDocTimer--------------------logic") != std::string::npos;
  }
  EXPECT_TRUE(released);
  EXPECT_GE(ticksAfter, 2u);
  EXPECT_EQ(logicAfter, 0u);
}

TEST_F(WordEndToEnd, ExemptedProcessGetsNothing) {
  CWordRun run;
  run.document = ThreeSections(true);
  run.exempt = true;
  run.script = "ribbon WatermarkRemove\n";
  const CWordResult r = RunWord(run);
  ASSERT_EQ(r.exitCode, 0);
  EXPECT_TRUE(r.Shapes(1, r.state).empty());
  EXPECT_EQ(r.state.at("advisedSinks").get<int>(), 0);
  EXPECT_EQ(r.state.at("actions").at(0).value("result", ""), "ok");
  EXPECT_EQ(r.state.at("addins").at(0).value("ribbonXml", "x"), "");
}

TEST_F(WordEndToEnd, AutomationStartedWordStaysPassiveWhileItsOptionsChange) {
  std::string out;
  ASSERT_EQ(RunBinTool(L"winword.exe", L"/regserver", &out), 0) << out;
  // Whatever Word process the agent sees gets a watermark, so only the switch keeps it passive.
  ASSERT_TRUE(s_pAgent->Set(E2ePolicy(0, false, true) + "protect = WINWORD.EXE readonly=0 print=1\n"));
  const std::wstring docPath = TempDir() + L"kalword_e2e_automation.docx";
  ASSERT_TRUE(WriteText(docPath, ThreeSections(true)));
  ASSERT_GE(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), 0);
  {
    CLSID clsid{};
    ASSERT_EQ(::CLSIDFromProgID(L"Word.Application", &clsid), S_OK);
    Microsoft::WRL::ComPtr<IDispatch> word;
    ASSERT_EQ(::CoCreateInstance(clsid, nullptr, CLSCTX_LOCAL_SERVER, IID_IDispatch,
                                 reinterpret_cast<void**>(word.GetAddressOf())),
              S_OK);
    const kal::Dispatch app(word.Get());
    const kal::Dispatch doc = app.GetObj(L"Documents").CallObj(L"Open", docPath);
    long shapes = -1;
    ASSERT_EQ(doc.GetObj(L"Sections").CallObj(L"Item", 1).GetObj(L"Headers").CallObj(L"Item", 1)
                  .GetObj(L"Shapes").Get(L"Count").ToInt(&shapes), S_OK);
    EXPECT_EQ(shapes, 0);
    const kal::Dispatch options = app.GetObj(L"Options");
    long interval = -1;
    bool prompt = true;
    EXPECT_EQ(options.Get(L"SaveInterval").ToInt(&interval), S_OK);
    EXPECT_EQ(interval, 0);
    EXPECT_EQ(options.Get(L"SaveNormalPrompt").ToBool(&prompt), S_OK);
    EXPECT_FALSE(prompt);
    (void)app.TryCall(L"Quit", nullptr);
  }
  ::CoUninitialize();
  EXPECT_TRUE(m_trace.WaitFor("KalMsAddin.dll CMSWord _IDTExtensibility2::OnBeginShutdown.", 15000));
  EXPECT_TRUE(m_trace.Contains("KalMsAddin.dll CMSWord _IDTExtensibility2::OnConnection."));
  // The ribbon still answers: the watermark was due in this process.
  EXPECT_TRUE(m_trace.Contains("IsHasWatermark bInit = false bResult=1"));
  // Under automation the connection ends before the read-only and watermark questions.
  EXPECT_FALSE(m_trace.Contains("TAVFile && bDocReadOnley"));
  EXPECT_FALSE(m_trace.Contains("CMSWord::IsHasWatermark Failed."));
  EXPECT_FALSE(m_trace.Contains("CMSWord::DocumentOpen----------------------"));
  RunBinTool(L"winword.exe", L"/unregserver", &out);
  ::DeleteFileW(docPath.c_str());
}

}  // namespace
}  // namespace kaltest
