// End-to-end Word scenarios: the registered KalMsAddin.dll inside the simulated winword.exe,
// with the reference agent publishing the policy for that process.
#include <gtest/gtest.h>

#include <set>

#include "core/automation.h"
#include "tests/support/test_paths.h"
#include "tests/support/ungated_trace.h"
#include "tests/word/word_e2e_fixture.h"

namespace kaltest {
namespace {

// The stamp name of section n (below 10).
std::string Mark(int n) { return "PowerPlusWaterMarkObject4B414C0" + std::to_string(n); }

// Names of a section's header shapes in a dump.
std::vector<std::string> Names(const nlohmann::json& dump, int section) {
  std::vector<std::string> names;
  for (const auto& s : HeaderShapes(dump, section)) names.push_back(s.value("name", ""));
  return names;
}

// Three sections sharing the first one's header.
const char kThreeSections[] =
    R"({"name": "report.docx", "saved": true, "trackRevisions": false, "sections": [)"
    R"({"text": "one", "headers": {"primary": {"text": "h", "shapes": []}}},)"
    R"({"text": "two"}, {"text": "three"}]})";

const nlohmann::json& Doc0(const nlohmann::json& state) { return state.at("documents").at(0); }

class WordEndToEnd : public CEndToEnd {};

TEST_F(WordEndToEnd, LinkedHeadersGetThreeShapesTheDocumentStaysSavedAndTheRibbonRefuses) {
  CHostRun run;
  run.document = kThreeSections;
  run.script =
      "ribbon WatermarkCustomDialog\nribbon WatermarkRemove\nribbon WatermarkGallery\n"
      "ribbon CustomWatermarkGallery\nribbon SaveSelectionToWaterMarkGallery\nribbon Bold\n";
  const CHostResult r = RunWord(run);
  ASSERT_EQ(r.exitCode, 0);
  ASSERT_TRUE(r.state.is_object());
  EXPECT_EQ(Names(r.state, 1), (std::vector<std::string>{Mark(1), Mark(2), Mark(3)}));
  EXPECT_TRUE(Doc0(r.state).at("saved").get<bool>());
  const auto& actions = r.state.at("actions");
  ASSERT_GE(actions.size(), 6u);
  for (size_t i = 0; i < 5; ++i)
    EXPECT_EQ(actions[i].value("result", "").rfind("refused", 0), 0u) << actions[i];
  EXPECT_EQ(actions[5].value("result", ""), "ok");
  EXPECT_EQ(r.state.at("advisedSinks").get<int>(), 2);
  EXPECT_TRUE(m_trace.Contains("CMSWord::NewDocument----------------------"));
}

TEST_F(WordEndToEnd, DamageInTheHeaderViewIsRepairedWithinOneTimerPeriod) {
  CHostRun run;
  run.document = kThreeSections;
  run.script =
      "header open 1\nshape move 1 2 30 -20\nticks 1\ndump 1\n"
      "header open 1\nshape text 1 1 nothing to see here\nticks 1\ndump 2\n"
      "header open 1\nshape color 1 3 255,0,0\nticks 1\ndump 3\n"
      "header open 1\nshape delete 1 1\nticks 1\ndump 4\n"
      "header open 1\nshape transparency 1 1 0.9\nticks 1\ndump 5\n";
  const CHostResult r = RunWord(run);
  ASSERT_EQ(r.exitCode, 0);
  for (int n = 1; n <= 4; ++n) {
    const auto shapes = HeaderShapes(r.Dump(n), 1);
    ASSERT_EQ(shapes.size(), 3u) << "dump " << n;
    for (const auto& s : shapes) {
      EXPECT_EQ(s.at("left").get<double>(), -999995.0) << "dump " << n;
      EXPECT_EQ(s.at("fill").at("foreColor").get<long>(), 16711680) << "dump " << n;
      EXPECT_EQ(s.at("text").get<std::string>(), shapes[0].at("text").get<std::string>());
    }
  }
  // 0.5 -> 0.9 is no damage: the user's transparency stays.
  const auto last = HeaderShapes(r.Dump(5), 1);
  ASSERT_EQ(last.size(), 3u);
  EXPECT_NEAR(last[0].at("fill").at("transparency").get<double>(), 0.9, 1e-6);
  EXPECT_TRUE(m_trace.Contains("get_Left or get_Top moved"));
}

TEST_F(WordEndToEnd, ReadOnlyDocumentIsProtectedForCommentsWithAFreshPasswordPerProcess) {
  std::set<std::string> hashes;  // Word keeps the password's hash only
  for (int i = 0; i < 2; ++i) {
    CHostRun run;
    run.document = kThreeSections;
    run.readOnly = true;
    run.script = "ticks 1\ntype Hello\n";
    const CHostResult r = RunWord(run);
    ASSERT_EQ(r.exitCode, 0);
    const auto& doc = Doc0(r.state);
    EXPECT_EQ(doc.at("protection").at("type").get<int>(), 1);
    const std::string hash = doc.at("protection").at("passwordHash").get<std::string>();
    EXPECT_FALSE(hash.empty());
    hashes.insert(hash);
    EXPECT_TRUE(doc.at("saved").get<bool>());
    EXPECT_EQ(r.state.at("actions").at(1).value("result", "").rfind("refused", 0), 0u);
    // The timer stopped after its first tick found the document protected.
    size_t ticks = 0, kills = 0;
    for (const auto& line : m_trace.LinesOf(r.pid)) {
      ticks += line.find("LockWinDocTimer--------------------enter") != std::string::npos;
      kills += line.find("KalMsAddin.dll CMSWord KillTimer Succeed.") != std::string::npos;
    }
    EXPECT_EQ(kills, 1u);
    EXPECT_EQ(ticks, 1u);
    m_trace.Clear();
  }
  EXPECT_EQ(hashes.size(), 2u);
}

// [DebugLog] KalMsAddin=0 silences every gated line and none of the ungated ones Word writes:
// the watermark decision, the read-only query and the failures of the removal of old marks
// before stamping (forced here: the sections of a new document refuse to be selected).
TEST_F(WordEndToEnd, TraceSwitchOffLeavesTheUngatedLinesOnly) {
  ExpectTraceSwitchHolds(
      m_trace,
      [&](bool) {
        CHostRun run;
        run.document = kThreeSections;
        run.readOnly = true;
        run.script = "fail Range.Select 0x80004005 every\nnew\nticks 1\n";
        const CHostResult r = RunWord(run);
        EXPECT_EQ(r.exitCode, 0);
        return r.pid;
      },
      {EUngated::kPolicy, EUngated::kReadOnly, EUngated::kWordMarkRemoval});
}

TEST_F(WordEndToEnd, ReadOnlyDocumentWithAWatermarkEndsStampedAndProtected) {
  CHostRun run;
  run.document = kThreeSections;
  run.readOnly = true;
  run.script = "ticks 1\nheader open 2\nticks 2\ntype Hello\n";
  const CHostResult r = RunWord(run);
  ASSERT_EQ(r.exitCode, 0);
  const auto& doc = Doc0(r.state);
  EXPECT_EQ(doc.at("protection").at("type").get<int>(), 1);
  EXPECT_EQ(Names(r.state, 1), (std::vector<std::string>{Mark(1), Mark(2), Mark(3)}));
  EXPECT_TRUE(doc.at("saved").get<bool>());
  EXPECT_EQ(r.state.at("actions").at(3).value("result", "").rfind("refused", 0), 0u);
  // Every stamping ran before the protection: no step of it was refused, and the checks in the
  // header view found the mark intact.
  size_t stamps = 0;
  for (const auto& line : m_trace.LinesOf(r.pid)) {
    EXPECT_EQ(line.find("hr = 0x"), std::string::npos) << line;
    EXPECT_EQ(line.find("_com_error"), std::string::npos) << line;
    stamps += line.find("AddWordWatermarkOnShapes Section Index = 1,") != std::string::npos;
  }
  EXPECT_EQ(stamps, 2u);  // at DocumentOpen and at start-up, none at the ticks
}

TEST_F(WordEndToEnd, ModuleStaysLoadedWhileTheProtectionTimerOutlivesTheAddin) {
  CHostRun run;
  run.extraArgs = L"/nodocument";
  run.readOnly = true;
  run.watermark = false;
  run.script = "ticks 1\nunload\nticks 2\n";  // the timer is the only one: two ticks after
  const CHostResult r = RunWord(run);
  ASSERT_EQ(r.exitCode, 0);
  ASSERT_TRUE(r.state.is_object());
  EXPECT_TRUE(r.state.at("documents").empty());
  EXPECT_EQ(r.state.at("addins").at(0).value("unloadHr", 0L), 1L);  // S_FALSE: still locked
  // After the add-in was released and COM asked to free unused modules, the timer still fires
  // into the loaded module and reaches no add-in.
  bool released = false;
  size_t ticksAfter = 0, logicAfter = 0;
  for (const auto& line : m_trace.LinesOf(r.pid)) {
    released = released || line.find("_IDTExtensibility2::OnBeginShutdown.") != std::string::npos;
    if (!released) continue;
    ticksAfter += line.find("LockWinDocTimer--------------------end") != std::string::npos;
    logicAfter += line.find("LockWinDocTimer--------------------logic") != std::string::npos;
  }
  EXPECT_TRUE(released);
  EXPECT_GE(ticksAfter, 2u);
  EXPECT_EQ(logicAfter, 0u);
}

TEST_F(WordEndToEnd, ExemptedProcessGetsNothing) {
  CHostRun run;
  run.document = kThreeSections;
  run.beforeResume = [](DWORD pid) {  // holds the watermark-exemption mutex for the process
    const std::wstring name = L"Global\\LumicODS_WINWORD.EXE_" + std::to_wstring(pid);
    HANDLE exemption = ::CreateMutexW(nullptr, FALSE, name.c_str());
    EXPECT_NE(exemption, nullptr);
    return exemption;
  };
  run.script = "ribbon WatermarkRemove\n";
  const CHostResult r = RunWord(run);
  ASSERT_EQ(r.exitCode, 0);
  EXPECT_TRUE(HeaderShapes(r.state, 1).empty());
  EXPECT_EQ(r.state.at("advisedSinks").get<int>(), 0);
  EXPECT_EQ(r.state.at("actions").at(0).value("result", ""), "ok");
  EXPECT_EQ(r.state.at("addins").at(0).value("ribbonXml", "x"), "");
}

TEST_F(WordEndToEnd, AutomationStartedWordStaysPassiveWhileItsOptionsChange) {
  std::string out;
  ASSERT_EQ(RunBinTool(L"winword.exe", L"/regserver", &out), 0) << out;
  // COM starts this Word, so no record can be in place for its id: the screen-protection list
  // names it, and every Word process is due a watermark; only the switch keeps it passive.
  ASSERT_TRUE(s_pAgent->Set(PolicyForProcess(0, false, true) + "[screen]\nprotectScreen = WINWORD.EXE\n"));
  const std::wstring docPath = TempFolder() + L"kalword_e2e_automation.docx";
  ASSERT_TRUE(WriteFileBytes(docPath, kThreeSections));
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
    ASSERT_EQ(doc.GetObj(L"Sections")
                  .CallObj(L"Item", 1)
                  .GetObj(L"Headers")
                  .CallObj(L"Item", 1)
                  .GetObj(L"Shapes")
                  .Get(L"Count")
                  .ToInt(&shapes),
              S_OK);
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
  EXPECT_TRUE(
      m_trace.WaitFor("KalMsAddin.dll CMSWord _IDTExtensibility2::OnBeginShutdown.", 15000));
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
