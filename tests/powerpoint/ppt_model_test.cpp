// The simulated PowerPoint object model, driven late-bound as the add-in and the offline
// removal drive PowerPoint: designs and their masters, the JSON forms, the application's
// alert and visibility rules, slide background fills, WordArt of PowerPoint 2003 against
// later versions, and Shape.Apply.
#include <gtest/gtest.h>

#include "tests/sim/disp_client.h"
#include "sim/powerpoint/ppt_json.h"
#include "sim/powerpoint/ppt_model.h"

using namespace simtest;
using namespace kalsim::ppt;

namespace {

class PptModel : public ::testing::Test {
 protected:
  // A presentation of two designs: slides 1-2 of the first, slide 3 of the second.
  void Open(const std::wstring& version = L"16.0") {
    m_app = CPptApplication::Create(version);
    m_ppt = CDisp(m_app->AsDispatch());
    m_p = MakePresentation(2);
    m_p->designs.push_back(MakeDesign(L"Second"));
    AddSlide(*m_p, 2, 0)->design = 1;
    for (size_t d = 0; d < 2; ++d) {
      auto s = std::make_shared<CShape>();
      s->name = d == 0 ? L"First mark" : L"Second mark";
      m_p->designs[d]->masterShapes.push_back(s);
    }
    m_app->AddPresentation(m_p, false);
  }
  CDisp Pres() { return m_ppt.Obj(L"ActivePresentation"); }

  Microsoft::WRL::ComPtr<CPptApplication> m_app;
  CDisp m_ppt;
  PresentationPtr m_p;
};

TEST_F(PptModel, EveryDesignHasItsMasterAndSlideMasterIsTheFirstDesigns) {
  Open();
  EXPECT_EQ(Pres().Obj(L"SlideMaster").Obj(L"Shapes").Item(1).Str(L"Name"), L"First mark");
  CDisp designs = Pres().Obj(L"Designs");
  EXPECT_EQ(designs.Long(L"Count"), 2);
  EXPECT_EQ(designs.Item(2).Obj(L"SlideMaster").Obj(L"Shapes").Item(1).Str(L"Name"), L"Second mark");
  EXPECT_EQ(designs.Item(L"Second").Long(L"Index"), 2);
  EXPECT_EQ(Pres().Obj(L"Slides").Item(3).Obj(L"Design").Str(L"Name"), L"Second");
  EXPECT_EQ(Pres().Obj(L"Slides").Item(3).Obj(L"Master").Obj(L"Design").Long(L"Index"), 2);
  EXPECT_NE(designs.TryCall(L"Item", {I(3)}).hr, S_OK);
  // AddTextEffect on the second master lands there; a new slide after slide 3 is of its design.
  designs.Item(2).Obj(L"SlideMaster").Obj(L"Shapes").Call(L"AddTextEffect", {I(7), S(L"x"), S(L"Arial"), R4(20), I(0), I(0), R4(0), R4(0)});
  EXPECT_EQ(m_p->designs[1]->masterShapes.size(), 2u);
  EXPECT_EQ(m_p->designs[0]->masterShapes.size(), 1u);
  EXPECT_EQ(AddSlide(*m_p, 3, 1)->design, 1u);
}

TEST_F(PptModel, OneMasterFilesLoadAsOneDesignAndDesignsSurviveARoundTrip) {
  auto old = PresentationFromJson(nlohmann::json::parse(
      R"({"master": {"shapes": [{"name": "Logo"}], "background": {"rgb": 255}},
          "layouts": [{"name": "Only", "displayMasterShapes": false}], "slides": [{}]})"));
  ASSERT_EQ(old->designs.size(), 1u);
  EXPECT_EQ(old->designs[0]->masterShapes.at(0)->name, L"Logo");
  EXPECT_EQ(old->designs[0]->masterBackground.foreRgb, 255);
  EXPECT_FALSE(ShowsMasterShapes(*old, *old->slides[0]));

  Open();
  const nlohmann::json written = PresentationToJson(*m_p);
  auto back = PresentationFromJson(written);
  ASSERT_EQ(back->designs.size(), 2u);
  EXPECT_EQ(back->designs[1]->name, L"Second");
  EXPECT_EQ(back->designs[1]->masterShapes.at(0)->name, L"Second mark");
  EXPECT_EQ(back->slides.at(2)->design, 1u);
  // The one-master form of a written file is the first design's.
  EXPECT_EQ(written.at("master").at("shapes").at(0).at("name"), "First mark");
}

TEST_F(PptModel, AlertsStartAtNoneAndTheApplicationCannotBeHidden) {
  Open();
  EXPECT_EQ(m_ppt.Long(L"DisplayAlerts"), 1);  // ppAlertsNone
  const CCallResult hide = m_ppt.TryPut(L"Visible", I(0));
  EXPECT_NE(hide.hr, S_OK);
  EXPECT_NE(hide.error.find(L"Hiding the application window is not allowed"), std::wstring::npos) << hide.error;
  EXPECT_TRUE(m_app->State().visible);
  EXPECT_EQ(m_ppt.TryPut(L"Visible", I(-1)).hr, S_OK);
}

// A slide's background fill is the slide's own whenever it was taken: while the slide follows
// the master it reads as the master's and refuses changes; once it stops following, changes
// land on the slide and the master keeps its fill.
TEST_F(PptModel, ABackgroundFillTakenWhileFollowingIsTheSlidesOwn) {
  Open();
  m_p->designs[1]->masterBackground.foreRgb = 0x00FF00;
  CDisp slide = Pres().Obj(L"Slides").Item(3);
  CDisp fill = slide.Obj(L"Background").Obj(L"Fill");
  CDisp colour = fill.Obj(L"ForeColor");
  EXPECT_EQ(colour.Long(L"RGB"), 0x00FF00);  // its design's master, not the first design's
  EXPECT_NE(fill.TryPut(L"Transparency", R4(0.0f)).hr, S_OK);
  slide.Put(L"FollowMasterBackground", I(0));
  EXPECT_EQ(colour.TryPut(L"SchemeColor", I(1)).hr, S_OK);
  EXPECT_EQ(fill.TryCall(L"Solid").hr, S_OK);
  EXPECT_EQ(m_p->slides[2]->background.schemeColor, 1);
  EXPECT_TRUE(m_p->slides[2]->background.solid);
  EXPECT_EQ(m_p->designs[1]->masterBackground.schemeColor, 0);
  EXPECT_FALSE(m_p->designs[1]->masterBackground.solid);
}

// Before PowerPoint 2007 WordArt has no text frame (its fill paints the letters); later it has
// one. Other shapes have one in both.
TEST_F(PptModel, WordArtOfPowerPoint2003HasNoTextFrame) {
  struct {
    const wchar_t* version;
    long type;
    bool frame;
  } cases[] = {{L"11.0", kMsoTextEffect, false}, {L"16.0", kMsoTextEffect, true}, {L"11.0", kMsoAutoShape, true},
               {L"16.0", kMsoPicture, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::wstring(c.version) + L" type " + std::to_wstring(c.type));
    Open(c.version);
    m_p->designs[0]->masterShapes[0]->type = c.type;
    CDisp shape = Pres().Obj(L"SlideMaster").Obj(L"Shapes").Item(1);
    EXPECT_EQ(shape.Long(L"HasTextFrame"), c.frame ? -1 : 0);
    EXPECT_EQ(SUCCEEDED(shape.TryGet(L"TextFrame").hr), c.frame);
  }
}

TEST_F(PptModel, ApplyNeedsFormattingPickedUpFirst) {
  Open();
  CDisp shapes = Pres().Obj(L"SlideMaster").Obj(L"Shapes");
  CDisp second = Pres().Obj(L"Designs").Item(2).Obj(L"SlideMaster").Obj(L"Shapes").Item(1);
  EXPECT_NE(second.TryCall(L"Apply").hr, S_OK);
  m_p->designs[0]->masterShapes[0]->fill.foreRgb = 0x123456;
  shapes.Item(1).Call(L"PickUp");
  EXPECT_EQ(second.TryCall(L"Apply").hr, S_OK);
  EXPECT_EQ(m_p->designs[1]->masterShapes[0]->fill.foreRgb, 0x123456);
}

}  // namespace
