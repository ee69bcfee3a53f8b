// CMSWord in this process against the simulated Word: connection, ribbon, legacy menus and the
// stamping of documents, with the reference agent publishing the policy.
#include <gtest/gtest.h>

#include "core/policy.h"
#include "sim/word/word_user.h"
#include "tests/word/word_fixture.h"

using namespace kalsim::word;

namespace kaltest {
namespace {

using Names = std::vector<std::wstring>;

class WordStamping : public CWordAddinTest {
 protected:
  const CShape& FirstMark(const CDocument& doc) {
    return *doc.sections[0]->headers[0].story->shapes.at(0);
  }
  void AddShape(CDocument& doc, int section, const std::wstring& name) {
    auto shape = std::make_shared<CShape>();
    shape->name = name;
    shape->text = L"x";
    doc.sections[section - 1]->headers[0].story->shapes.push_back(shape);
  }
};

TEST_F(WordStamping, LinkedHeadersCarryOneShapePerSectionAndTheDocumentStaysSaved) {
  auto doc = MakeDocument(3, /*linkedHeaders=*/true);
  doc->saved = true;
  Start(doc);
  EXPECT_EQ(HeaderShapeNames(*doc, 1),
            (Names{L"PowerPlusWaterMarkObject4B414C01", L"PowerPlusWaterMarkObject4B414C02",
                   L"PowerPlusWaterMarkObject4B414C03"}));
  EXPECT_EQ(doc->sections[2]->headers[0].story, doc->sections[0]->headers[0].story);
  EXPECT_TRUE(doc->saved);
  // One stamping, at start-up: the screen off for all of it, then back on.
  EXPECT_EQ(App().State().screenUpdatingTransitions, (std::vector<bool>{false, true}));
  EXPECT_EQ(doc->seekView, kSeekMain);
  EXPECT_EQ(doc->viewType, kViewPrint);
  EXPECT_TRUE(m_trace.WaitFor("CMSWord::NewDocument----------------------", 10000));

  const CShape& s = FirstMark(*doc);
  EXPECT_EQ(s.text, Params().text);
  EXPECT_EQ(s.fontName, L"Arial");
  EXPECT_DOUBLE_EQ(s.fontSize, 36.0);
  EXPECT_FALSE(s.fontBold || s.fontItalic || s.normalizedHeight || s.lineVisible);
  EXPECT_TRUE(s.fillVisible && s.fillSolid && s.lockAspectRatio);
  EXPECT_NEAR(s.fillTransparency, 128 / 255.0, 1e-6);
  EXPECT_EQ(s.foreColor, 16711680);  // "0,0,255"
  EXPECT_DOUBLE_EQ(s.rotation, 315.0);
  EXPECT_EQ(s.wrapSide, 3);
  EXPECT_EQ(s.wrapType, 3);
  EXPECT_EQ(s.relativeHorizontalPosition, 0);
  EXPECT_EQ(s.relativeVerticalPosition, 0);
  EXPECT_EQ(s.left, -999995.0);
  EXPECT_EQ(s.top, -999995.0);
}

TEST_F(WordStamping, UnlinkedHeadersEachCarryTheirOwnSectionNumber) {
  auto doc = MakeDocument(3, /*linkedHeaders=*/false);
  doc->saved = true;
  Start(doc);
  for (int i = 1; i <= 3; ++i) EXPECT_EQ(HeaderShapeNames(*doc, i), OnlyMark(i)) << i;
  EXPECT_TRUE(doc->saved);
}

TEST_F(WordStamping, UnsavedDocumentStaysUnsavedAndLevelPolicyIsNotRotated) {
  CWordPolicy policy;
  policy.horizontal = true;
  policy.color = "";
  auto doc = MakeDocument(1);
  doc->saved = false;
  Start(doc, policy);
  ASSERT_EQ(HeaderShapeNames(*doc, 1).size(), 1u);
  EXPECT_FALSE(doc->saved);
  EXPECT_DOUBLE_EQ(FirstMark(*doc).rotation, 0.0);
  EXPECT_EQ(FirstMark(*doc).foreColor, 0xC0C0C0);  // the default colour
}

TEST_F(WordStamping, EarlierMarksAndUserWordArtAreRemovedOtherShapesStay) {
  auto doc = MakeDocument(2, /*linkedHeaders=*/false);
  for (const wchar_t* name : {L"WordArt 2", L"Logo", L"LumiCoreWatermark",
                              L"PowerPlusWaterMarkObject-7", L"PowerPlusWaterMarkObject4B414C05"})
    AddShape(*doc, 1, name);
  AddShape(*doc, 2, L"wordart 3");
  AddShape(*doc, 2, L"WordArt 4");
  Start(doc);
  EXPECT_EQ(HeaderShapeNames(*doc, 1), (Names{L"Logo", L"PowerPlusWaterMarkObject4B414C01"}));
  EXPECT_EQ(HeaderShapeNames(*doc, 2), (Names{L"wordart 3", L"PowerPlusWaterMarkObject4B414C02"}));
}

// Headers are sought only in print layout: a document read in draft, outline, web or read mode
// is switched to print layout first, and its old marks go as in any other view.
TEST_F(WordStamping, DocumentsInEveryViewAreSwitchedToPrintLayoutCleanedAndStamped) {
  Start(MakeDocument(1));
  for (long view : {1L /*draft*/, 2L /*outline*/, 6L /*web*/, 7L /*read mode*/}) {
    auto doc = MakeDocument(2, /*linkedHeaders=*/false);
    doc->viewType = view;
    AddShape(*doc, 2, L"WordArt 2");
    App().AddDocument(doc);  // DocumentOpen stamps it
    EXPECT_EQ(doc->viewType, kViewPrint) << view;
    EXPECT_EQ(doc->seekView, kSeekMain) << view;
    for (int i = 1; i <= 2; ++i)
      EXPECT_EQ(HeaderShapeNames(*doc, i), OnlyMark(i)) << view << " " << i;
  }
  EXPECT_FALSE(m_trace.Contains("put_SeekView, hr"));
}

TEST_F(WordStamping, RepeatedEventsNeverAccumulateShapes) {
  auto doc = MakeDocument(2, true);
  Start(doc);
  ASSERT_EQ(HeaderShapeNames(*doc, 1).size(), 2u);
  // Another document opens (DocumentOpen), a new one is made (NewDocument), then the first
  // is active again and stamped once more.
  auto other = MakeDocument(1);
  App().AddDocument(other);
  EXPECT_EQ(HeaderShapeNames(*other, 1).size(), 1u);
  EXPECT_TRUE(m_trace.WaitFor("CMSWord::DocumentOpen----------------------", 10000));
  EXPECT_EQ(HeaderShapeNames(*App().NewDocument(), 1), Names{L"PowerPlusWaterMarkObject4B414C01"});
  App().ActivateDocument(doc);
  Addin()->NewDocument(nullptr);
  EXPECT_EQ(HeaderShapeNames(*doc, 1).size(), 2u);
}

TEST_F(WordStamping, TrackedChangesLeaveTheDocumentAlone) {
  auto doc = MakeDocument(2, true);
  doc->trackRevisions = true;
  AddShape(*doc, 1, L"WordArt 1");
  Start(doc);
  EXPECT_EQ(HeaderShapeNames(*doc, 1), Names{L"WordArt 1"});
  EXPECT_EQ(doc->revisions, 0);
  EXPECT_TRUE(m_trace.WaitFor("CMSWord::AddWordWatermarkOnActiveDocument Document Track Revisions.",
                              10000));
}

TEST_F(WordStamping, RibbonXmlDisablesTheFiveCommandsAndSinksAndTimerAreUp) {
  Publish(CWordPolicy{});
  StartWord(MakeDocument(1));
  App().State().options = CWordOptions{};
  App().State().normalTemplateSaved = false;  // the add-in must put it back
  ConnectAddin();
  EXPECT_EQ(m_strRibbonXml, kal::word::BuildWordRibbonXml());
  for (const wchar_t* id : {L"WatermarkCustomDialog", L"WatermarkRemove", L"WatermarkGallery",
                            L"CustomWatermarkGallery", L"SaveSelectionToWaterMarkGallery"})
    EXPECT_FALSE(App().ExecuteCommand(id)) << id;
  EXPECT_TRUE(App().ExecuteCommand(L"Bold"));
  EXPECT_EQ(HeaderShapeNames(*Doc(), 1).size(), 1u);  // WatermarkRemove was refused
  EXPECT_TRUE(Addin()->IsAdvised());
  EXPECT_EQ(App().AdvisedSinks(), 2u);
  EXPECT_NE(Addin()->WatermarkTimerId(), 0u);
  EXPECT_EQ(Addin()->LockTimerId(), 0u);
  EXPECT_TRUE(Addin()->IsRibbonHost());
  EXPECT_FALSE(App().State().options.saveNormalPrompt);
  EXPECT_FALSE(App().State().options.savePropertiesPrompt);
  EXPECT_EQ(App().State().options.saveInterval, 0);
  EXPECT_TRUE(App().State().normalTemplateSaved);
  // The ribbon host's legacy bars are left alone.
  for (const auto& bar : App().State().commandBars)
    for (const auto& c : bar.controls) EXPECT_TRUE(c->enabled) << bar.name;
  // GetCustomUI without an out pointer is refused.
  Microsoft::WRL::ComPtr<IRibbonExtensibility> ribbon;
  ASSERT_EQ(m_pExt.As(&ribbon), S_OK);
  EXPECT_EQ(ribbon->GetCustomUI(nullptr, nullptr), E_POINTER);
}

TEST_F(WordStamping, Word2003GetsItsBackgroundMenuEntriesDisabled) {
  Start(MakeDocument(1), {}, L"11.0");
  EXPECT_FALSE(Addin()->IsRibbonHost());
  int disabled = 0, others = 0;
  for (const auto& bar : App().State().commandBars) {
    for (const auto& c : bar.controls) {
      if (c->caption == L"背景(&K)") disabled += c->enabled ? 0 : 1;
      for (const auto& sub : c->controls) {
        if (sub->caption == L"背景(&K)" && (bar.name == L"Menu Bar"))
          disabled += sub->enabled ? 0 : 1;
        else
          others += sub->enabled ? 0 : 1;
      }
    }
  }
  EXPECT_EQ(disabled, 2);  // the Standard button and the Format menu entry
  EXPECT_EQ(others, 0);
  EXPECT_EQ(HeaderShapeNames(*Doc(), 1).size(), 1u);
}

TEST_F(WordStamping, NeitherWatermarkNorReadOnlyLeavesTheAddinPassive) {
  CWordPolicy policy;
  policy.watermark = false;
  Publish(policy);
  auto doc = MakeDocument(1);
  StartWord(doc, L"11.0");
  App().State().normalTemplateSaved = false;
  ConnectAddin();
  EXPECT_TRUE(m_trace.WaitFor("KalMsAddin.dll CMSWord::IsHasWatermark Failed.", 10000));
  EXPECT_EQ(App().AdvisedSinks(), 0u);
  EXPECT_EQ(Addin()->WatermarkTimerId(), 0u);
  EXPECT_EQ(Addin()->LockTimerId(), 0u);
  EXPECT_FALSE(m_bRibbonGiven);
  EXPECT_TRUE(HeaderShapeNames(*doc, 1).empty());
  EXPECT_FALSE(App().State().options.saveNormalPrompt);  // options change before any decision
  EXPECT_EQ(App().State().options.saveInterval, 0);
  for (const auto& bar : App().State().commandBars)
    for (const auto& c : bar.controls) EXPECT_TRUE(c->enabled);
}

TEST_F(WordStamping, DocumentChangeKeepsTheNormalTemplateSaved) {
  Start(MakeDocument(1));
  App().State().normalTemplateSaved = false;
  App().AddDocument(MakeDocument(1), /*fireOpen=*/false);  // fires DocumentChange only
  EXPECT_TRUE(App().State().normalTemplateSaved);
  EXPECT_TRUE(m_trace.WaitFor("CMSWord::DocumentChange----------------------", 10000));
}

}  // namespace
}  // namespace kaltest
