// CMSPowerPoint in-process against the simulated PowerPoint and the reference agent: the
// lifecycle switches, the ribbon, the watermark event step, stamping and removal on the slide
// master, the failure paths (injected faults) and the guard installation.
#include <gtest/gtest.h>

#include <algorithm>

#include "core/com/module.h"
#include "core/config.h"
#include "core/policy.h"
#include "powerpoint/ppt_guards.h"
#include "powerpoint/ppt_switches.h"
#include "sim/engine/sim_faults.h"
#include "tests/powerpoint/ppt_fixture.h"

STDAPI DllCanUnloadNow();

namespace kaltest {
namespace {

using kalsim::ppt::CShape;
const wchar_t kMark[] = L"PowerPnt_TextWatermark1";

class PptAddin : public CPptAddinTest {
 protected:
  const CShape& OnlyMark() {
    EXPECT_EQ(MasterNames(), std::vector<std::wstring>{kMark});
    return *Pres().designs[0]->masterShapes.back();
  }
  // Captured lines equal to `line`, once every line written so far is in.
  size_t LinesEqual(const std::string& line) {
    EXPECT_TRUE(m_trace.Drain());
    const auto lines = m_trace.Lines();
    return static_cast<size_t>(std::count(lines.begin(), lines.end(), line));
  }
};

TEST_F(PptAddin, OpenStampsOneStyledMarkAfterRemovingTheOldOneAndLocksTheMasterView) {
  Start(nullptr);
  EXPECT_TRUE(m_pAddin->IsAdvised());
  EXPECT_EQ(App().AdvisedSinks(), 2u);
  EXPECT_EQ(m_strRibbonXml,
            L"<customUI xmlns=\"http://schemas.microsoft.com/office/2006/01/customui\"><commands>"
            L"<command idMso=\"ViewSlideMasterView\" enabled=\"false\"/></commands></customUI>");
  EXPECT_FALSE(App().ExecuteCommand(L"ViewSlideMasterView"));

  auto deck = DeckWithMarks({L"Title 1", L"Watermark1"});
  deck->window.viewType = kalsim::ppt::kViewSlideSorter;
  App().AddPresentation(deck, /*fireOpen=*/true);
  EXPECT_EQ(MasterNames(), (std::vector<std::wstring>{L"Title 1", kMark}));
  const CShape& s = *Pres().designs[0]->masterShapes.back();
  EXPECT_EQ(s.type, kalsim::ppt::kMsoTextEffect);
  EXPECT_EQ(s.presetTextEffect, 7);
  EXPECT_EQ(s.text.rfind(L"CONFIDENTIAL", 0), 0u);
  EXPECT_EQ(s.fontName, L"Arial");
  EXPECT_EQ(s.fontSize, 40.0);
  EXPECT_FALSE(s.fontBold || s.fontItalic || s.normalizedHeight);
  EXPECT_EQ(s.textRgb, 0xFF0000);  // 0,0,255 as a Windows RGB value
  EXPECT_EQ(s.shadowRgb, 0xFF0000);
  EXPECT_FLOAT_EQ(static_cast<float>(s.shadowTransparency), 0.2f);
  EXPECT_FALSE(s.fill.visible);
  EXPECT_FLOAT_EQ(static_cast<float>(s.fill.transparency), 0.2f);
  EXPECT_EQ(s.rotation, 315.0);
  EXPECT_TRUE(s.lockAspectRatio);
  EXPECT_EQ(static_cast<float>(s.width), 512.2122f);
  // The locked aspect ratio rescaled the height when the width was set.
  EXPECT_NE(static_cast<float>(s.height), 73.13268f);
  // Version 16: moved by (30, -100) from (100, 375), although the master view shows a layout.
  EXPECT_EQ(s.left, 130.0);
  EXPECT_EQ(s.top, 275.0);
  EXPECT_EQ(Pres().window.viewType, kalsim::ppt::kViewNormal);
  EXPECT_TRUE(m_trace.WaitFor("wmk\t\tDelete Success", 5000));
  EXPECT_TRUE(m_trace.Contains("IsEnablePowerpntWatermark: ini file show is :1."));
}

// The kept departure: a presentation opened without a window (as the offline removal opens its
// file) never becomes the active one, so the step is left out for it; the presentation in
// front and the opened one keep their masters.
TEST_F(PptAddin, OpenWithAWindowStampsItAndOpenWithoutOneLeavesTheStepOut) {
  const std::string stepped = "wmk\t\t\t\tAfterPresentationOpen";
  const std::string skipped = stepped + " without a window";
  for (bool withWindow : {true, false}) {
    SCOPED_TRACE(withWindow ? "with a window" : "without a window");
    Start(DeckWithMarks({L"Title 1"}));
    auto front = App().ActivePresentation();
    auto opened = DeckWithMarks({L"Watermark1"});
    opened->path = L"C:\\opened.pptx";
    m_trace.Clear();
    App().AddPresentation(opened, /*fireOpen=*/true, withWindow);
    EXPECT_EQ(LinesEqual(stepped), withWindow ? 1u : 0u);
    EXPECT_EQ(LinesEqual(skipped), withWindow ? 0u : 1u);
    EXPECT_EQ(m_trace.Contains("SetPPtWatermark"), withWindow);
    EXPECT_EQ(App().ActivePresentation(), withWindow ? opened : front);
    EXPECT_EQ(opened->designs[0]->masterShapes.back()->name, withWindow ? kMark : L"Watermark1");
    EXPECT_EQ(opened->designs[0]->masterShapes.size(), 1u);
    EXPECT_EQ(front->designs[0]->masterShapes.size(), 1u);
    TearDown();
    SetUp();
  }
}

// Each design's master gets its mark and loses one old one: on PowerPoint 2003 the view shows
// the current slide's master only, from 2007 on a layout, so the other marks are deleted and
// moved without the selection.
TEST_F(PptAddin, EveryDesignsMasterIsStampedAndCleaned) {
  for (const wchar_t* version : {L"16.0", L"11.0"}) {
    SCOPED_TRACE(version);
    auto deck = DeckWithMarks({L"Title 1", L"Watermark1"});
    AddDesign(*deck, {kMark, L"Logo"});
    Start(deck, {}, version);
    App().AddSlideToActive();
    EXPECT_EQ(MasterNames(0), (std::vector<std::wstring>{L"Title 1", kMark}));
    EXPECT_EQ(MasterNames(1), (std::vector<std::wstring>{L"Logo", kMark}));
    const double left = std::wstring(version) == L"16.0" ? 130.0 : 250.0;
    for (const auto& d : Pres().designs) EXPECT_EQ(d->masterShapes.back()->left, left);
    EXPECT_TRUE(ShowsMasterShapes(Pres(), *Pres().slides.back()));
    EXPECT_EQ(Pres().slides.back()->design, 1u);
    EXPECT_EQ(Pres().window.viewType, kalsim::ppt::kViewNormal);
    TearDown();
    SetUp();
  }
}

TEST_F(PptAddin, NewSlidesNeverPileUpMarksAndNewPresentationsAreNotOpenEvents) {
  Start(DeckWithMarks({}));
  for (int i = 0; i < 3; ++i) App().AddSlideToActive();
  OnlyMark();
  EXPECT_EQ(Pres().slides.size(), 5u);
  App().NewPresentation();
  EXPECT_TRUE(MasterNames().empty());  // no AfterPresentationOpen for a new presentation
  App().AddSlideToActive();
  OnlyMark();
}

TEST_F(PptAddin, BothOldNamesKeepTwoMarksAfterEveryEvent) {
  Start(DeckWithMarks({L"Watermark1", kMark}));
  for (int i = 0; i < 3; ++i) {
    App().AddSlideToActive();
    EXPECT_EQ(MasterNames().size(), 2u);
    EXPECT_EQ(MasterNames().back(), kMark);
  }
}

TEST_F(PptAddin, NamesCompareCaseSensitively) {
  Start(DeckWithMarks({L"watermark1", L"POWERPNT_TEXTWATERMARK1"}));
  App().AddSlideToActive();
  EXPECT_EQ(MasterNames().size(), 3u);
}

TEST_F(PptAddin, CustomerSwitchOffOnlyRemovesOneMarkPerEvent) {
  CPptPolicy policy;
  policy.pptWM = 0;
  auto deck = DeckWithMarks({kMark, L"Watermark1", L"Logo"});
  AddDesign(*deck, {L"Watermark1", kMark});
  Start(deck, policy);
  EXPECT_TRUE(m_pAddin->IsAdvised());
  EXPECT_NE(m_strRibbonXml.find(L"ViewSlideMasterView"), std::wstring::npos);
  App().AddSlideToActive();
  EXPECT_EQ(MasterNames(), (std::vector<std::wstring>{L"Watermark1", L"Logo"}));
  EXPECT_EQ(MasterNames(1), std::vector<std::wstring>{kMark});
  App().AddSlideToActive();
  App().AddSlideToActive();
  EXPECT_EQ(MasterNames(), std::vector<std::wstring>{L"Logo"});
  EXPECT_TRUE(MasterNames(1).empty());
  EXPECT_EQ(Pres().window.viewType, kalsim::ppt::kViewNormal);
  EXPECT_TRUE(m_trace.WaitFor("IsEnablePowerpntWatermark: ini file show is :0.", 5000));
}

TEST_F(PptAddin, WatermarkingOffOrNoWatermarkLeavesRibbonAndEventsAlone) {
  for (int variant = 0; variant < 2; ++variant) {
    CPptPolicy policy;
    if (variant == 0)
      policy.powerpntWM = 0;
    else
      policy.watermark = false;
    Start(DeckWithMarks({kMark}), policy);
    EXPECT_FALSE(m_pAddin->IsAdvised()) << variant;
    EXPECT_EQ(App().AdvisedSinks(), 0u);
    EXPECT_EQ(m_strRibbonXml, L"untouched");
    App().AddSlideToActive();
    EXPECT_EQ(MasterNames(), std::vector<std::wstring>{kMark});
    TearDown();
    SetUp();
  }
}

TEST_F(PptAddin, SwitchesDefaultToOnAndAreReadEveryCall) {
  Start(nullptr, CPptPolicy{true, false, false, "Arial", "0,0,255", 40, false, -1, -1});
  EXPECT_EQ(IsEnablePowerpntWM(), 1);
  EXPECT_TRUE(IsEnablePowerpntWatermark());
  pictest::WriteBytes(m_agentDir + L"KalConfig.ini", "[OEM]\r\nPowerpntWM=0\r\n");
  pictest::WriteBytes(m_agentDir + L"KalEspecialConfig.ini", "[ORCHARD]\r\nPPTWM=0\r\n");
  EXPECT_EQ(IsEnablePowerpntWM(), 0);
  EXPECT_FALSE(IsEnablePowerpntWatermark());
  // GetCustomUI with a null out pointer.
  Microsoft::WRL::ComPtr<IRibbonExtensibility> ribbon;
  ASSERT_EQ(m_pExt.As(&ribbon), S_OK);
  EXPECT_EQ(ribbon->GetCustomUI(nullptr, nullptr), E_POINTER);
}

// PowerPoint 2003's WordArt has no text frame and its fill paints the letters: the mark's fill
// stays visible in the policy colour.
TEST_F(PptAddin, OldVersionsHalveTheSizeMoveFurtherAndColourTheLettersThroughTheFill) {
  Start(DeckWithMarks({}), {}, L"11.0");
  App().AddSlideToActive();
  const CShape& s = OnlyMark();
  EXPECT_FLOAT_EQ(static_cast<float>(s.width), 512.2122f * 0.5f);
  EXPECT_EQ(s.left, 250.0);
  EXPECT_EQ(s.top, 175.0);
  EXPECT_TRUE(s.fill.visible);
  EXPECT_EQ(s.fill.foreRgb, 0xFF0000);
  EXPECT_FLOAT_EQ(static_cast<float>(s.fill.transparency), 0.2f);
  EXPECT_EQ(s.shadowRgb, 0xFF0000);
  EXPECT_EQ(Pres().window.viewType, kalsim::ppt::kViewNormal);
}

TEST_F(PptAddin, PolicyDefaultsAndHorizontalText) {
  CPptPolicy policy;
  policy.font.clear();
  policy.color.clear();
  policy.horizontal = true;
  Start(DeckWithMarks({}), policy);
  App().AddSlideToActive();
  const CShape& s = OnlyMark();
  EXPECT_EQ(s.fontName, L"宋体");
  EXPECT_EQ(s.textRgb, 0xC0C0C0);
  EXPECT_EQ(s.rotation, 0.0);
}

// Failure lines, each made by an injected fault on the member the step calls.
TEST_F(PptAddin, WithoutAnActiveWindowAMarkIsStillAddedUnmovedAndNeverPiledUp) {
  Start(DeckWithMarks({kMark}));
  Fail(L"Application", L"ActiveWindow");
  for (int i = 0; i < 3; ++i) App().AddSlideToActive();
  const CShape& s = OnlyMark();
  EXPECT_EQ(s.left, 100.0);
  EXPECT_EQ(s.top, 375.0);
  EXPECT_EQ(static_cast<float>(s.width), 512.2122f);
}

TEST_F(PptAddin, FailedStepsAreSkipped) {
  struct {
    const wchar_t* kind;
    const wchar_t* member;
    size_t marks;  // marks on the master after one new slide (one old mark to start with)
    double left;
  } cases[] = {
      {L"Shapes", L"AddTextEffect", 0, 0},         // old mark removed, nothing added
      {L"Application", L"Version", 1, 100.0},      // added, not moved
      {L"DocumentWindow", L"ViewType", 1, 100.0},  // no view: nothing removed here either
      {L"Shapes", L"Count", 1, 130.0},             // removal skipped; the new mark still lands
      {L"TextEffectFormat", L"NormalizedHeight", 1, 130.0},
      {L"Shape", L"Rotation", 1, 130.0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::wstring(c.kind) + L"." + c.member);
    Start(DeckWithMarks({kMark}));
    Fail(c.kind, c.member);
    App().AddSlideToActive();
    kalsim::CSimFaults::Instance().Clear();
    size_t marks = 0;
    double left = 0;
    for (const auto& s : Pres().designs[0]->masterShapes)
      if (s->name == kMark && s->type == kalsim::ppt::kMsoTextEffect && s->fontSize == 40.0) {
        ++marks;
        left = s->left;
      }
    if (std::wstring(c.member) == L"ViewType" || std::wstring(c.member) == L"Count") {
      EXPECT_EQ(Pres().designs[0]->masterShapes.size(), 2u);
    }
    EXPECT_EQ(marks, c.marks);
    if (c.marks) {
      EXPECT_EQ(left, c.left);
    }
    TearDown();
    SetUp();
  }
}

TEST_F(PptAddin, ReadOnlyInstallsTheGuardSetTheSelectorChoosesAndKeepsTheModule) {
  const int saved = g_nPptReadOnlyProtectPwd;
  CPptPolicy policy;
  policy.readOnly = true;
  policy.print = true;
  PptGuardState = {};
  g_nPptReadOnlyProtectPwd = 0;
  Start(DeckWithMarks({}), policy);
  EXPECT_NE(PptGuardState.hMouseHook, nullptr);
  EXPECT_NE(PptGuardState.hKeyboardHook, nullptr);
  EXPECT_EQ(PptGuardState.hPasswordHook, nullptr);
  EXPECT_EQ(PptGuardState.bPrintAllowed, 1);
  EXPECT_TRUE(m_trace.WaitFor("manager--------------IsTavPrint.22", 5000));
  EXPECT_TRUE(m_trace.Contains("CMSPowerPoint InstallPptReadOnlyProtectHook::OnConnection.22"));
  TearDown();
  SetUp();
  PptGuardState = {};
  g_nPptReadOnlyProtectPwd = 1;
  Start(DeckWithMarks({}), policy);
  EXPECT_EQ(PptGuardState.hMouseHook, nullptr);
  EXPECT_NE(PptGuardState.hPasswordHook, nullptr);
  EXPECT_TRUE(
      m_trace.WaitFor("CMSPowerPoint InstallPptReadOnlyProtectHook::OnConnection.11", 5000));
  g_nPptReadOnlyProtectPwd = saved;
  // Every add-in object is released at tear-down; the hooks keep the module.
  TearDown();
  SetUp();
  EXPECT_GE(kal::CKalMsAddinModule::Instance().GetLockCount(), 3);
  EXPECT_EQ(DllCanUnloadNow(), S_FALSE);
}

TEST_F(PptAddin, ConnectedSinksKeepTheAddinAliveAndDisconnectionEndsNothing) {
  Start(DeckWithMarks({}));
  const LONG locks = kal::CKalMsAddinModule::Instance().GetLockCount();
  SAFEARRAY* custom = nullptr;
  EXPECT_EQ(m_pExt->OnDisconnection(ext_dm_HostShutdown, &custom), S_OK);
  m_pExt.Reset();
  m_pAddin = nullptr;
  EXPECT_EQ(App().AdvisedSinks(), 2u);
  EXPECT_EQ(kal::CKalMsAddinModule::Instance().GetLockCount(), locks);  // still alive
  App().AddSlideToActive();
  OnlyMark();
  App().DisconnectSinks();
  EXPECT_EQ(kal::CKalMsAddinModule::Instance().GetLockCount(), locks - 1);
}

}  // namespace
}  // namespace kaltest
