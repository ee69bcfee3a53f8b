// CMSWord in this process against the simulated Word: connection, ribbon, legacy menus and the
// stamping of documents, with the reference agent publishing the policy.
#include <gtest/gtest.h>

#include "core/policy.h"
#include "sim/engine/call_counter.h"
#include "sim/word/word_user.h"
#include "tests/word/word_fixture.h"

using namespace kalsim::word;

namespace kaltest {
namespace {

class WordStamping : public CWordAddinTest {};

TEST_F(WordStamping, LinkedHeadersCarryOneShapePerSectionAndTheDocumentStaysSaved) {
  Publish(CWordPolicy{});
  auto doc = MakeDocument(3, /*linkedHeaders=*/true);
  doc->saved = true;
  StartWord(doc);
  ConnectAddin();
  EXPECT_EQ(m_hrConnect, S_OK);

  const auto names = HeaderShapeNames(*doc, 1);
  EXPECT_EQ(names, (std::vector<std::wstring>{L"PowerPlusWaterMarkObject4B414C01", L"PowerPlusWaterMarkObject4B414C02",
                                               L"PowerPlusWaterMarkObject4B414C03"}));
  EXPECT_EQ(doc->sections[2]->headers[0].story, doc->sections[0]->headers[0].story);
  EXPECT_TRUE(doc->saved);
  EXPECT_TRUE(App().State().screenUpdating);
  EXPECT_EQ(doc->seekView, kSeekMain);
  EXPECT_EQ(doc->viewType, kViewPrint);
  EXPECT_TRUE(m_trace.WaitFor("CMSWord::NewDocument----------------------", 2000));

  const CShape& s = *doc->sections[0]->headers[0].story->shapes[0];
  const auto p = Params();
  EXPECT_EQ(s.text, p.text);
  EXPECT_EQ(s.fontName, L"Arial");
  EXPECT_DOUBLE_EQ(s.fontSize, 36.0);
  EXPECT_FALSE(s.fontBold);
  EXPECT_FALSE(s.fontItalic);
  EXPECT_FALSE(s.normalizedHeight);
  EXPECT_FALSE(s.lineVisible);
  EXPECT_TRUE(s.fillVisible);
  EXPECT_NEAR(s.fillTransparency, 128 / 255.0, 1e-6);
  EXPECT_EQ(s.foreColor, 16711680);  // "0,0,255"
  EXPECT_TRUE(s.fillSolid);
  EXPECT_DOUBLE_EQ(s.rotation, 315.0);
  EXPECT_TRUE(s.lockAspectRatio);
  EXPECT_EQ(s.wrapSide, 3);
  EXPECT_EQ(s.wrapType, 3);
  EXPECT_EQ(s.relativeHorizontalPosition, 0);
  EXPECT_EQ(s.relativeVerticalPosition, 0);
  EXPECT_EQ(s.left, -999995.0);
  EXPECT_EQ(s.top, -999995.0);
}

TEST_F(WordStamping, UnlinkedHeadersEachCarryTheirOwnSectionNumber) {
  Publish(CWordPolicy{});
  auto doc = MakeDocument(3, /*linkedHeaders=*/false);
  StartWord(doc);
  ConnectAddin();
  for (int i = 1; i <= 3; ++i) {
    EXPECT_EQ(HeaderShapeNames(*doc, i), std::vector<std::wstring>{kal::word::MakeWatermarkShapeName(i)}) << i;
  }
}

TEST_F(WordStamping, UnsavedDocumentStaysUnsavedAndLevelPolicyIsNotRotated) {
  CWordPolicy policy;
  policy.horizontal = true;
  policy.color = "";
  Publish(policy);
  auto doc = MakeDocument(1);
  doc->saved = false;
  StartWord(doc);
  ConnectAddin();
  ASSERT_EQ(HeaderShapeNames(*doc, 1).size(), 1u);
  EXPECT_FALSE(doc->saved);
  const CShape& s = *doc->sections[0]->headers[0].story->shapes[0];
  EXPECT_DOUBLE_EQ(s.rotation, 0.0);
  EXPECT_EQ(s.foreColor, 0xC0C0C0);  // the default colour
}

TEST_F(WordStamping, EarlierMarksAndUserWordArtAreRemovedOtherShapesStay) {
  Publish(CWordPolicy{});
  auto doc = MakeDocument(2, /*linkedHeaders=*/false);
  StartWord(doc);
  auto add = [&](int section, const std::wstring& name) {
    auto shape = std::make_shared<CShape>();
    shape->name = name;
    shape->text = L"x";
    doc->sections[section - 1]->headers[0].story->shapes.push_back(shape);
  };
  add(1, L"WordArt 2");
  add(1, L"Logo");
  add(1, L"LumiCoreWatermark");
  add(1, L"PowerPlusWaterMarkObject-7");
  add(1, L"PowerPlusWaterMarkObject4B414C05");
  add(2, L"wordart 3");
  add(2, L"WordArt 4");
  ConnectAddin();
  EXPECT_EQ(HeaderShapeNames(*doc, 1), (std::vector<std::wstring>{L"Logo", L"PowerPlusWaterMarkObject4B414C01"}));
  EXPECT_EQ(HeaderShapeNames(*doc, 2), (std::vector<std::wstring>{L"wordart 3", L"PowerPlusWaterMarkObject4B414C02"}));
}

TEST_F(WordStamping, RepeatedEventsNeverAccumulateShapes) {
  Publish(CWordPolicy{});
  auto doc = MakeDocument(2, true);
  StartWord(doc);
  ConnectAddin();
  ASSERT_EQ(HeaderShapeNames(*doc, 1).size(), 2u);
  // Another document opens (DocumentOpen), a new one is made (NewDocument), then the first
  // is active again and stamped once more.
  auto other = MakeDocument(1);
  App().AddDocument(other);
  EXPECT_EQ(HeaderShapeNames(*other, 1).size(), 1u);
  EXPECT_TRUE(m_trace.WaitFor("CMSWord::DocumentOpen----------------------", 2000));
  auto fresh = App().NewDocument();
  EXPECT_EQ(HeaderShapeNames(*fresh, 1), std::vector<std::wstring>{L"PowerPlusWaterMarkObject4B414C01"});
  App().ActivateDocument(doc);
  Addin()->NewDocument(nullptr);
  EXPECT_EQ(HeaderShapeNames(*doc, 1).size(), 2u);
}

TEST_F(WordStamping, TrackedChangesLeaveTheDocumentAlone) {
  Publish(CWordPolicy{});
  auto doc = MakeDocument(2, true);
  doc->trackRevisions = true;
  auto old = std::make_shared<CShape>();
  old->name = L"WordArt 1";
  doc->sections[0]->headers[0].story->shapes.push_back(old);
  StartWord(doc);
  ConnectAddin();
  EXPECT_EQ(HeaderShapeNames(*doc, 1), std::vector<std::wstring>{L"WordArt 1"});
  EXPECT_EQ(doc->revisions, 0);
  EXPECT_TRUE(m_trace.WaitFor("CMSWord::AddWordWatermarkOnActiveDocument Document Track Revisions.", 2000));
}

TEST_F(WordStamping, RibbonXmlDisablesTheFiveCommandsAndSinksAndTimerAreUp) {
  Publish(CWordPolicy{});
  StartWord(MakeDocument(1));
  App().State().options = CWordOptions{};
  ConnectAddin();
  EXPECT_EQ(m_hrRibbon, S_OK);
  EXPECT_EQ(m_strRibbonXml, kal::word::BuildWordRibbonXml());
  for (const wchar_t* id : {L"WatermarkCustomDialog", L"WatermarkRemove", L"WatermarkGallery",
                            L"CustomWatermarkGallery", L"SaveSelectionToWaterMarkGallery"}) {
    EXPECT_FALSE(App().ExecuteCommand(id)) << id;
  }
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
}

TEST_F(WordStamping, GetCustomUiWithoutOutPointerIsRefused) {
  Publish(CWordPolicy{});
  StartWord(MakeDocument(1));
  ConnectAddin();
  Microsoft::WRL::ComPtr<IRibbonExtensibility> ribbon;
  ASSERT_EQ(m_pExt.As(&ribbon), S_OK);
  EXPECT_EQ(ribbon->GetCustomUI(nullptr, nullptr), E_POINTER);
}

TEST_F(WordStamping, Word2003GetsItsBackgroundMenuEntriesDisabled) {
  Publish(CWordPolicy{});
  StartWord(MakeDocument(1), L"11.0");
  ConnectAddin();
  EXPECT_FALSE(Addin()->IsRibbonHost());
  int disabled = 0;
  int others = 0;
  for (const auto& bar : App().State().commandBars) {
    for (const auto& c : bar.controls) {
      if (c->caption == L"背景(&K)") disabled += c->enabled ? 0 : 1;
      for (const auto& sub : c->controls) {
        if (sub->caption == L"背景(&K)" && (bar.name == L"Menu Bar")) disabled += sub->enabled ? 0 : 1;
        else others += sub->enabled ? 0 : 1;
      }
    }
  }
  EXPECT_EQ(disabled, 2);  // the Standard button and the Format menu entry
  EXPECT_EQ(others, 0);
}

TEST_F(WordStamping, NeitherWatermarkNorReadOnlyLeavesTheAddinPassive) {
  CWordPolicy policy;
  policy.watermark = false;
  Publish(policy);
  auto doc = MakeDocument(1);
  StartWord(doc, L"11.0");
  App().State().normalTemplateSaved = false;
  ConnectAddin();
  EXPECT_EQ(m_hrConnect, S_OK);
  EXPECT_TRUE(m_trace.WaitFor("KalMsAddin.dll CMSWord::IsHasWatermark Failed.", 2000));
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
  Publish(CWordPolicy{});
  StartWord(MakeDocument(1));
  ConnectAddin();
  App().State().normalTemplateSaved = false;
  App().AddDocument(MakeDocument(1), /*fireOpen=*/false);  // fires DocumentChange only
  EXPECT_TRUE(App().State().normalTemplateSaved);
  EXPECT_TRUE(m_trace.WaitFor("CMSWord::DocumentChange----------------------", 2000));
}

TEST_F(WordStamping, StampingCostGrowsWithSections) {
  Publish(CWordPolicy{});
  StartWord(MakeDocument(1));
  ConnectAddin();
  auto& counter = kalsim::CSimCallCounter::Instance();
  long perDoc[2] = {};
  const int sizes[2] = {2, 8};
  for (int k = 0; k < 2; ++k) {
    App().AddDocument(MakeDocument(sizes[k], false), /*fireOpen=*/false);
    counter.Reset();
    Addin()->NewDocument(nullptr);
    perDoc[k] = counter.Count(L"Shapes", L"AddTextEffect");
    EXPECT_EQ(perDoc[k], sizes[k]);
  }
}

}  // namespace
}  // namespace kaltest
