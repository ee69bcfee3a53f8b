// Scenario scripts in-process: parsing, and user actions applied to the Word model as a user
// would apply them (drag from the centred position, recolour, retype, delete, ribbon, wait),
// and injected faults.
#include <gtest/gtest.h>

#include "sim/engine/sim_faults.h"
#include "sim/host/message_pump.h"
#include "sim/host/scenario.h"
#include "sim/host/word_scenario.h"
#include "sim/word/word_json.h"
#include "sim/word/word_user.h"
#include "tests/sim/disp_client.h"

using namespace kalsim;
using namespace kalsim::word;

namespace {

TEST(ScenarioParse, SkipsCommentsAndBlankLinesAndKeepsTextArguments) {
  auto steps = ParseScenario(L"# comment\r\n\r\n  shape text 1 2   two  words here \r\nquit");
  ASSERT_EQ(2u, steps.size());
  EXPECT_EQ(3, steps[0].nLine);
  EXPECT_EQ(7u, steps[0].words.size());
  EXPECT_EQ(L"two  words here", steps[0].Rest(4));
  EXPECT_EQ(L"", steps[0].Rest(9));
  EXPECT_EQ(L"quit", steps[1].words[0]);
  EXPECT_TRUE(ParseScenario(L"\n# only a comment\n").empty());
}

class ScenarioRun : public ::testing::Test {
 protected:
  void SetUp() override {
    CSimFaults::Instance().Clear();
    m_app = CWordApplication::Create();
    auto doc = MakeDocument(2, true);
    auto shape = std::make_shared<CShape>();
    shape->name = L"PowerPlusWaterMarkObject4B414C01";
    shape->left = shape->top = kShapeCenter;
    shape->width = 200;
    shape->height = 100;
    doc->sections[0]->headers[0].story->shapes.push_back(shape);
    doc->viewType = kViewNormal;
    m_doc = m_app->AddDocument(doc);
    m_scenario = std::make_unique<CWordScenario>(*m_app.Get(), [this](DWORD ms) {
      m_waited += ms;
      return true;
    }, nullptr, [this](unsigned ticks, DWORD limitMs) {
      m_ticksAsked += ticks;
      m_tickLimit = limitMs;
      return m_tickAnswer;
    });
  }
  void TearDown() override { CSimFaults::Instance().Clear(); }
  std::wstring Run(const std::wstring& line) { return m_scenario->Run(ParseScenario(line).at(0)); }
  CShape& Mark() { return *m_doc->sections[0]->headers[0].story->shapes.at(0); }

  Microsoft::WRL::ComPtr<CWordApplication> m_app;
  std::shared_ptr<CDocument> m_doc;
  std::unique_ptr<CWordScenario> m_scenario;
  DWORD m_waited = 0;
  unsigned m_ticksAsked = 0;
  DWORD m_tickLimit = 0;
  int m_tickAnswer = 1;
};

TEST_F(ScenarioRun, HeaderViewAndShapeEditsAsAUserMakesThem) {
  EXPECT_EQ(L"ok", Run(L"header open 2"));
  EXPECT_EQ(kSeekPrimaryHeader, m_doc->seekView);
  EXPECT_EQ(kViewPrint, m_doc->viewType);  // the header is edited in print layout
  EXPECT_EQ(2, m_doc->selection.section);
  EXPECT_EQ(1, m_app->EventsFired(12));
  EXPECT_EQ(L"ok", Run(L"shape move 2 1 10 -5"));  // linked: section 2 shows section 1's shape
  EXPECT_DOUBLE_EQ((432.0 - 200) / 2 + 10, Mark().left);
  EXPECT_DOUBLE_EQ((648.0 - 100) / 2 - 5, Mark().top);
  EXPECT_EQ(L"ok", Run(L"shape color 1 1 0,0,255"));
  EXPECT_EQ(16711680, Mark().foreColor);
  EXPECT_EQ(L"ok", Run(L"shape color 1 1 255"));
  EXPECT_EQ(255, Mark().foreColor);
  EXPECT_EQ(0u, Run(L"shape color 1 1 256,0,0").find(L"error:"));
  EXPECT_EQ(L"ok", Run(L"shape text 1 1 New  text"));
  EXPECT_EQ(L"New  text", Mark().text);
  EXPECT_EQ(L"ok", Run(L"shape transparency 1 1 0.75"));
  EXPECT_DOUBLE_EQ(0.75, Mark().fillTransparency);
  EXPECT_EQ(0u, Run(L"shape transparency 1 1 1.5").find(L"refused:"));
  EXPECT_EQ(L"ok", Run(L"shape rename 1 1 WordArt 9"));
  EXPECT_EQ(L"ok", Run(L"header close"));
  EXPECT_EQ(kSeekMain, m_doc->seekView);
  EXPECT_EQ(L"ok", Run(L"shape delete 1 1"));
  EXPECT_TRUE(m_doc->sections[1]->headers[0].story->shapes.empty());
  EXPECT_EQ(0u, Run(L"shape delete 1 1").find(L"refused:"));
  EXPECT_FALSE(m_doc->saved);
  EXPECT_EQ(L"ok", Run(L"linebreaks written"));
  EXPECT_EQ(ETextEffectBreaks::kAsWritten, m_app->State().textEffectBreaks);
  EXPECT_EQ(L"ok", Run(L"linebreaks cr"));
  EXPECT_EQ(ETextEffectBreaks::kParagraphMark, m_app->State().textEffectBreaks);
  EXPECT_EQ(0u, Run(L"linebreaks lf").find(L"error:"));
}

TEST_F(ScenarioRun, TypingWaitingRibbonAndBadSteps) {
  EXPECT_EQ(L"ok", Run(L"type Hello world"));
  EXPECT_EQ(L"Hello world", m_doc->sections[0]->text);
  EXPECT_EQ(L"ok", Run(L"header open"));
  EXPECT_EQ(L"ok", Run(L"type in header"));
  EXPECT_EQ(L"in header", m_doc->sections[0]->headers[0].story->text);
  EXPECT_EQ(L"ok", Run(L"wait 250"));
  EXPECT_EQ(250u, m_waited);
  m_app->ApplyCustomUi(L"<customUI xmlns=\"http://schemas.microsoft.com/office/2006/01/customui\"><commands>"
                       L"<command idMso=\"WatermarkGallery\" enabled=\"false\"/></commands></customUI>");
  EXPECT_EQ(L"refused: command disabled", Run(L"ribbon WatermarkGallery"));
  EXPECT_EQ(L"error: unknown command", Run(L"ribbon NoSuchCommand"));
  EXPECT_EQ(L"error: unknown action", Run(L"fly away"));
  EXPECT_EQ(L"error: not a number", Run(L"wait soon"));
  EXPECT_EQ(0u, Run(L"save").find(L"refused:"));  // a document built in code has no file
  EXPECT_EQ(L"ok", Run(L"track on"));
  EXPECT_TRUE(m_doc->trackRevisions);
  EXPECT_EQ(3, m_scenario->Errors());
  nlohmann::json dump = m_scenario->Dump();
  EXPECT_EQ(10u, dump["actions"].size());
  EXPECT_EQ("refused: command disabled", dump["actions"][4]["result"].get<std::string>());
  EXPECT_EQ(1, dump["commands"]["WatermarkGallery"]["refused"].get<int>());
  EXPECT_FALSE(m_scenario->Quit());
  EXPECT_EQ(L"ok", Run(L"quit"));
  EXPECT_TRUE(m_scenario->Quit());
}

TEST_F(ScenarioRun, DocumentsOpenNewActivateAndClose) {
  wchar_t dir[MAX_PATH];
  GetTempPathW(MAX_PATH, dir);
  std::wstring path = std::wstring(dir) + L"scenario_saved.docx";
  EXPECT_EQ(L"ok", Run(L"saveas " + path));
  EXPECT_TRUE(m_doc->saved);
  EXPECT_EQ(L"ok", Run(L"new"));
  EXPECT_EQ(2u, m_app->State().documents.size());
  EXPECT_EQ(L"ok", Run(L"activate 1"));
  EXPECT_EQ(m_doc, m_app->ActiveDocument());
  EXPECT_EQ(L"ok", Run(L"close"));
  EXPECT_EQ(L"ok", Run(L"open " + path));
  EXPECT_EQ(1u, m_app->ActiveDocument()->sections[0]->headers[0].story->shapes.size());
  EXPECT_EQ(0u, Run(L"activate 5").find(L"error:"));
  DeleteFileW(path.c_str());
}

TEST_F(ScenarioRun, TicksWaitForTimerMessagesWithinALimit) {
  EXPECT_EQ(L"ok", Run(L"ticks 2"));
  EXPECT_EQ(2u, m_ticksAsked);
  EXPECT_EQ(60000u, m_tickLimit);
  EXPECT_EQ(0u, m_waited);  // no wall-clock wait instead
  m_tickAnswer = 0;
  EXPECT_EQ(0u, Run(L"ticks 1").find(L"error: the timer did not tick"));
  EXPECT_EQ(L"error: ticks must be positive", Run(L"ticks 0"));
  EXPECT_EQ(L"error: not a number", Run(L"ticks many"));
  EXPECT_FALSE(m_scenario->Quit());
  m_tickAnswer = -1;  // WM_QUIT while waiting ends the script
  EXPECT_EQ(L"ok", Run(L"ticks 1"));
  EXPECT_TRUE(m_scenario->Quit());

  CWordScenario noTicks(*m_app.Get(), [](DWORD) { return true; }, nullptr);
  EXPECT_EQ(L"error: timer ticks are not counted here",
            noTicks.Run(ParseScenario(L"ticks 1").at(0)));
}

// The host's tick pump counts handled WM_TIMER messages of this thread's timers.
TEST(HostPump, TicksCountHandledTimerMessages) {
  static int s_fired = 0;
  s_fired = 0;
  UINT_PTR id = SetTimer(nullptr, 0, 30, [](HWND, UINT, UINT_PTR, DWORD) { ++s_fired; });
  ASSERT_NE(id, 0u);
  EXPECT_EQ(1, PumpTicks(3, 20000));
  EXPECT_EQ(3, s_fired);
  KillTimer(nullptr, id);
  EXPECT_EQ(0, PumpTicks(1, 200));  // no timer left: the limit passes
  EXPECT_EQ(3, s_fired);
}

TEST_F(ScenarioRun, FailLinesInjectFaultsUntilCleared) {
  EXPECT_EQ(L"ok", Run(L"fail Document.Protect 0x80070005 every Access denied by the test"));
  EXPECT_EQ(L"ok", Run(L"fail sections.count 0x80004005 2"));
  EXPECT_EQ(0u, Run(L"fail Document 0x80004005").find(L"error:"));
  EXPECT_EQ(0u, Run(L"fail Document.Protect 1").find(L"error:"));
  EXPECT_EQ(2, m_scenario->Errors());
  simtest::CDisp doc(m_app->DocumentObject(m_doc).Get());
  simtest::CCallResult r = doc.TryCall(L"Protect", {simtest::I(1)});
  EXPECT_EQ(DISP_E_EXCEPTION, r.hr);
  EXPECT_EQ(E_ACCESSDENIED, r.scode);
  EXPECT_EQ(L"Access denied by the test", r.error);
  EXPECT_EQ(kNoProtection, m_doc->protectionType);
  simtest::CDisp sections = doc.Obj(L"Sections");
  EXPECT_EQ(S_OK, sections.TryGet(L"Count").hr);
  EXPECT_EQ(E_FAIL, sections.TryGet(L"Count").hr);
  EXPECT_EQ(S_OK, sections.TryGet(L"Count").hr);
  EXPECT_EQ(L"ok", Run(L"fail clear"));
  EXPECT_EQ(S_OK, doc.TryCall(L"Protect", {simtest::I(1)}).hr);
  EXPECT_EQ(kAllowOnlyComments, m_doc->protectionType);
}

}  // namespace
