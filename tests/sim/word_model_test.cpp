// The simulated Word object model, driven late-bound as the add-in drives Word: header shapes
// spanning the document, linked headers, index shift after delete, selection deletion,
// SeekView read-back by view, first-page and even-page headers, Saved transitions, recorded
// screen-updating and Normal-template transitions, TextEffect line breaks, protection, track
// revisions, versions and legacy command bars, events.
#include <gtest/gtest.h>

#include "core/office_interfaces.h"
#include "disp_client.h"
#include "sim/engine/call_counter.h"
#include "sim/engine/password_hash.h"
#include "sim/engine/sim_arg_recorder.h"
#include "sim/engine/sim_error.h"
#include "sim/word/word_json.h"
#include "sim/word/word_model.h"

using namespace simtest;
using namespace kalsim::word;
using Microsoft::WRL::ComPtr;

namespace {

class WordModelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_app = CWordApplication::Create();
    m_word = CDisp(m_app->AsDispatch());
  }
  CDisp Section(long i) { return m_word.Obj(L"ActiveDocument").Obj(L"Sections").Item(i); }
  CDisp HeaderShapes(long section) {
    return HeaderShapesOf(m_word.Obj(L"ActiveDocument"), section);
  }
  CDisp AddMark(const CDisp& shapes, const std::wstring& text) {
    return CDisp(shapes.Call(L"AddTextEffect", MarkArgs(text)));
  }
  // AddTextEffect's arguments for a mark of `text` (Arial, 36 pt), anchored at `anchor`.
  static std::vector<CSimVariant> MarkArgs(const std::wstring& text,
                                           CSimVariant anchor = Missing()) {
    return {I(0), S(text), S(L"Arial"), R4(36), I(0), I(0), R4(100), R4(375), anchor};
  }
  ComPtr<CWordApplication> m_app;
  CDisp m_word;
};

TEST_F(WordModelTest, ActiveDocumentFailsUntilADocumentIsOpen) {
  CCallResult r = m_word.TryGet(L"ActiveDocument");
  EXPECT_EQ(DISP_E_EXCEPTION, r.hr);
  EXPECT_NE(std::wstring::npos, r.error.find(L"no document is open"));
  EXPECT_EQ(DISP_E_EXCEPTION, m_word.TryGet(L"ActiveWindow").hr);
  EXPECT_EQ(0, m_word.Obj(L"Documents").Long(L"Count"));
  CDisp added(m_word.Obj(L"Documents").Call(L"Add"));
  EXPECT_EQ(L"Document1", added.Str(L"Name"));
  EXPECT_EQ(L"Document1", m_word.Obj(L"ActiveDocument").Str(L"Name"));
  EXPECT_EQ(1, m_word.Obj(L"Documents").Long(L"Count"));
  m_word.Obj(L"ActiveDocument").Call(L"Close", {I(0)});
  EXPECT_EQ(DISP_E_EXCEPTION, m_word.TryGet(L"ActiveDocument").hr);
  // A reference kept past Close is disconnected.
  EXPECT_EQ(0x80010108L, added.TryGet(L"Name").scode);
}

TEST_F(WordModelTest, EveryHeaderAndFooterShapesSpanTheWholeDocument) {
  m_app->AddDocument(MakeDocument(3, false));
  auto doc = m_app->ActiveDocument();
  CDisp footer3 = Section(3).Obj(L"Footers").Item(1).Obj(L"Shapes");
  AddMark(HeaderShapes(1), L"one");
  AddMark(HeaderShapes(2), L"two");
  AddMark(footer3, L"foot");
  // Each shape lives in the story it was added through.
  EXPECT_EQ(1u, doc->sections[0]->headers[0].story->shapes.size());
  EXPECT_EQ(1u, doc->sections[1]->headers[0].story->shapes.size());
  EXPECT_EQ(1u, doc->sections[2]->footers[0].story->shapes.size());
  EXPECT_TRUE(doc->sections[2]->headers[0].story->shapes.empty());
  // Every header's and footer's collection, also through Selection.HeaderFooter, shows all.
  Section(3).Obj(L"Range").Call(L"Select");
  m_word.Obj(L"ActiveWindow").Obj(L"ActivePane").Obj(L"View").Put(L"SeekView", I(9));
  const std::vector<CDisp> views = {HeaderShapes(1), HeaderShapes(3), footer3,
                                    Section(2).Obj(L"Headers").Item(2).Obj(L"Shapes"),
                                    m_word.Obj(L"Selection").Obj(L"HeaderFooter").Obj(L"Shapes")};
  for (size_t v = 0; v < views.size(); ++v) {
    EXPECT_EQ(3, views[v].Long(L"Count")) << v;
    EXPECT_EQ(L"one", views[v].Item(1).Obj(L"TextEffect").Str(L"Text")) << v;
    EXPECT_EQ(L"foot", views[v].Item(3).Obj(L"TextEffect").Str(L"Text")) << v;
    EXPECT_EQ(DISP_E_BADINDEX, views[v].TryGet(L"Item", {I(4)}).hr) << v;
  }
  // By name and deletion across stories.
  footer3.Item(L"WordArt 1").Call(L"Delete");
  EXPECT_TRUE(doc->sections[0]->headers[0].story->shapes.empty());
  EXPECT_EQ(2, HeaderShapes(2).Long(L"Count"));
  HeaderShapes(1).Item(2).Call(L"Select", {Missing()});
  m_word.Obj(L"Selection").Call(L"Delete", {I(1), I(1)});
  EXPECT_TRUE(doc->sections[2]->footers[0].story->shapes.empty());
  EXPECT_EQ(1, footer3.Long(L"Count"));
  EXPECT_EQ(DISP_E_BADINDEX,
            m_word.Obj(L"ActiveDocument").Obj(L"Sections").TryGet(L"Item", {I(4)}).hr);
  // A given anchor range is not modelled and is refused rather than ignored.
  const CSimVariant range = CSimVariant::Disp(Section(1).Obj(L"Range").Get());
  EXPECT_EQ(DISP_E_EXCEPTION, HeaderShapes(1).TryCall(L"AddTextEffect", MarkArgs(L"t", range)).hr);
}

TEST_F(WordModelTest, LinkedHeadersShareOneStoryUntilUnlinked) {
  m_app->AddDocument(MakeDocument(3, true));
  auto doc = m_app->ActiveDocument();
  AddMark(HeaderShapes(1), L"one");
  AddMark(HeaderShapes(2), L"two");
  EXPECT_EQ(doc->sections[0]->headers[0].story, doc->sections[2]->headers[0].story);
  EXPECT_EQ(2u, doc->sections[0]->headers[0].story->shapes.size());
  EXPECT_EQ(2, HeaderShapes(3).Long(L"Count"));
  // Unlinking section 3 gives it a copy of the shared story: the document now holds four.
  CDisp header3 = Section(3).Obj(L"Headers").Item(1);
  EXPECT_TRUE(header3.Bool(L"LinkToPrevious"));
  header3.Put(L"LinkToPrevious", B(false));
  EXPECT_NE(doc->sections[0]->headers[0].story, doc->sections[2]->headers[0].story);
  EXPECT_EQ(2u, doc->sections[2]->headers[0].story->shapes.size());
  EXPECT_EQ(4, HeaderShapes(1).Long(L"Count"));
}

TEST_F(WordModelTest, ItemsShiftDownAfterDeleteAndDeletedShapesRefuseAccess) {
  m_app->AddDocument(MakeDocument(1));
  CDisp shapes = HeaderShapes(1);
  CDisp a = AddMark(shapes, L"a"), b = AddMark(shapes, L"b"), c = AddMark(shapes, L"c");
  EXPECT_EQ(L"WordArt 1", a.Str(L"Name"));
  EXPECT_EQ(L"WordArt 3", c.Str(L"Name"));
  a.Call(L"Delete");
  EXPECT_EQ(2, shapes.Long(L"Count"));
  EXPECT_EQ(L"b", shapes.Item(1).Obj(L"TextEffect").Str(L"Text"));
  EXPECT_EQ(L"c", shapes.Item(2).Obj(L"TextEffect").Str(L"Text"));
  CCallResult gone = a.TryGet(L"Name");
  EXPECT_EQ(DISP_E_EXCEPTION, gone.hr);
  EXPECT_EQ(DISP_E_EXCEPTION, a.TryCall(L"Delete").hr);
  // Items are also found by name.
  EXPECT_EQ(L"c", shapes.Item(L"WordArt 3").Obj(L"TextEffect").Str(L"Text"));
}

TEST_F(WordModelTest, SelectingAShapeThenSelectionDeleteDeletesIt) {
  m_app->AddDocument(MakeDocument(2, true));
  CDisp shapes = HeaderShapes(1);
  AddMark(shapes, L"keep");
  CDisp target = AddMark(shapes, L"remove");
  target.Call(L"Select", {Missing()});
  CDisp selection = m_word.Obj(L"Selection");
  EXPECT_EQ(8, selection.Long(L"Type"));  // wdSelectionShape
  // Delete(Unit:=1, Count:=1) given as named arguments.
  EXPECT_EQ(1, kalsim::ToLong(selection.Call(L"Delete", {I(1), I(1)}, {L"Unit", L"Count"}).Get()));
  ASSERT_EQ(1, shapes.Long(L"Count"));
  EXPECT_EQ(L"keep", shapes.Item(1).Obj(L"TextEffect").Str(L"Text"));
  EXPECT_EQ(1u, m_app->ActiveDocument()->sections[1]->headers[0].story->shapes.size());
}

TEST_F(WordModelTest, SeekViewReadsBackTheHeaderShown) {
  auto doc = MakeDocument(2, false);
  doc->sections[1]->differentFirstPage = true;
  m_app->AddDocument(doc);
  CDisp document = m_word.Obj(L"ActiveDocument");
  CDisp view = document.Obj(L"ActiveWindow").Obj(L"ActivePane").Obj(L"View");
  EXPECT_EQ(DISP_E_EXCEPTION, m_word.Obj(L"Selection").TryGet(L"HeaderFooter").hr);
  Section(1).Obj(L"Range").Call(L"Select");
  view.Put(L"SeekView", I(9));
  EXPECT_EQ(1, view.Long(L"SeekView"));
  EXPECT_EQ(1, document.Obj(L"ActiveWindow").Obj(L"View").Long(L"SeekView"));  // one pane
  AddMark(m_word.Obj(L"Selection").Obj(L"HeaderFooter").Obj(L"Shapes"), L"s1");
  EXPECT_EQ(1u, doc->sections[0]->headers[0].story->shapes.size());
  // Section 2 starts on a page with its own first-page header.
  Section(2).Obj(L"Range").Call(L"Select");
  EXPECT_EQ(0, view.Long(L"SeekView"));  // selecting body text leaves the header
  view.Put(L"SeekView", I(9));
  EXPECT_EQ(2, view.Long(L"SeekView"));
  AddMark(m_word.Obj(L"Selection").Obj(L"HeaderFooter").Obj(L"Shapes"), L"s2");
  EXPECT_EQ(1u, doc->sections[1]->headers[1].story->shapes.size());  // the first-page header
  view.Put(L"SeekView", I(0));
  EXPECT_EQ(0, view.Long(L"SeekView"));
  EXPECT_EQ(DISP_E_EXCEPTION, view.TryPut(L"SeekView", I(42)).hr);
  view.Put(L"Type", I(1));
  EXPECT_EQ(1, document.Obj(L"ActiveWindow").Obj(L"View").Long(L"Type"));
  EXPECT_EQ(0, document.Obj(L"ActiveWindow").Obj(L"View").Long(L"SplitSpecial"));
}

TEST_F(WordModelTest, SeekViewFailsOutsidePrintLayout) {
  m_app->AddDocument(MakeDocument(1));
  CDisp view = m_word.Obj(L"ActiveWindow").Obj(L"View");
  Section(1).Obj(L"Range").Call(L"Select");
  view.Put(L"SeekView", I(9));
  // Draft, outline, web layout and read mode: reading and setting fail; leaving print layout
  // while a header is open shows the body again.
  for (long type : {kViewNormal, kViewOutline, kViewWeb, kViewReading}) {
    view.Put(L"Type", I(type));
    EXPECT_EQ(type, view.Long(L"Type"));
    EXPECT_EQ(kSeekMain, m_app->ActiveDocument()->seekView) << type;
    CCallResult get = view.TryGet(L"SeekView");
    EXPECT_EQ(DISP_E_EXCEPTION, get.hr) << type;
    EXPECT_NE(std::wstring::npos, get.error.find(L"print layout")) << type;
    EXPECT_EQ(DISP_E_EXCEPTION, view.TryPut(L"SeekView", I(9)).hr) << type;
    EXPECT_EQ(
        DISP_E_EXCEPTION,
        m_word.Obj(L"ActiveWindow").Obj(L"ActivePane").Obj(L"View").TryPut(L"SeekView", I(0)).hr);
    view.Put(L"Type", I(kViewPrint));
    view.Put(L"SeekView", I(9));
    EXPECT_EQ(kSeekPrimaryHeader, view.Long(L"SeekView")) << type;
  }
}

TEST_F(WordModelTest, CurrentPageHeaderIsTheOneWordShowsOnTheSectionsFirstPage) {
  // Pages 1 | 2-3 | 4-5 | 6: odd and even pages differ; section 3 has its own first page.
  auto doc = MakeDocument(4, false);
  doc->oddAndEvenPages = true;
  doc->sections[1]->pages = 2;
  doc->sections[2]->pages = 2;
  doc->sections[2]->differentFirstPage = true;
  m_app->AddDocument(doc);
  CDisp view = m_word.Obj(L"ActiveWindow").Obj(L"View");
  // Per section: the header shown on its first page and its HeaderFooter.Index.
  const std::pair<long, long> expected[] = {{kSeekPrimaryHeader, 1},
                                            {kSeekEvenPagesHeader, 3},
                                            {kSeekFirstPageHeader, 2},
                                            {kSeekEvenPagesHeader, 3}};
  for (long i = 1; i <= 4; ++i) {
    Section(i).Obj(L"Range").Call(L"Select");
    view.Put(L"SeekView", I(kSeekCurrentPageHeader));
    EXPECT_EQ(expected[i - 1].first, view.Long(L"SeekView")) << i;
    EXPECT_EQ(expected[i - 1].second, m_word.Obj(L"Selection").Obj(L"HeaderFooter").Long(L"Index"))
        << i;
    view.Put(L"SeekView", I(kSeekCurrentPageFooter));
    EXPECT_EQ(expected[i - 1].first + 3, view.Long(L"SeekView")) << i;
  }
  // Exists follows the page setup: first page only where it differs, even pages everywhere.
  EXPECT_FALSE(Section(1).Obj(L"Headers").Item(2).Bool(L"Exists"));
  EXPECT_TRUE(Section(3).Obj(L"Headers").Item(2).Bool(L"Exists"));
  EXPECT_TRUE(Section(1).Obj(L"Footers").Item(3).Bool(L"Exists"));
  EXPECT_TRUE(Section(4).Obj(L"Headers").Item(1).Bool(L"Exists"));
  doc->oddAndEvenPages = false;
  EXPECT_FALSE(Section(1).Obj(L"Headers").Item(3).Bool(L"Exists"));
  Section(2).Obj(L"Range").Call(L"Select");
  view.Put(L"SeekView", I(kSeekCurrentPageHeader));
  EXPECT_EQ(kSeekPrimaryHeader, view.Long(L"SeekView"));
}

TEST_F(WordModelTest, SavedTurnsFalseOnChangesOnly) {
  m_app->AddDocument(MakeDocument(1));
  CDisp document = m_word.Obj(L"ActiveDocument");
  EXPECT_TRUE(document.Bool(L"Saved"));
  CDisp shape = AddMark(HeaderShapes(1), L"x");
  EXPECT_FALSE(document.Bool(L"Saved"));
  document.Put(L"Saved", B(true));
  // Reads leave it saved.
  shape.Str(L"Name");
  shape.Obj(L"Fill").Double(L"Transparency");
  document.Obj(L"ActiveWindow").Obj(L"View").Put(L"SeekView", I(9));
  EXPECT_TRUE(document.Bool(L"Saved"));
  shape.Obj(L"Fill").Obj(L"ForeColor").Put(L"RGB", I(0xFF0000));
  EXPECT_FALSE(document.Bool(L"Saved"));
  document.Put(L"Saved", B(true));
  document.Call(L"Protect", {I(1)});
  EXPECT_FALSE(document.Bool(L"Saved"));
  document.Put(L"Saved", B(true));
  m_word.Obj(L"Selection").Obj(L"HeaderFooter");  // still in the header view
  EXPECT_TRUE(document.Bool(L"Saved"));
}

TEST_F(WordModelTest, CommentsOnlyProtectionRefusesContentAndHeaderShapeChanges) {
  auto doc = m_app->AddDocument(MakeDocument(1));
  CDisp document = m_word.Obj(L"ActiveDocument");
  CDisp shapes = HeaderShapes(1);
  CDisp shape = AddMark(shapes, L"before");
  EXPECT_EQ(-1, document.Long(L"ProtectionType"));
  kalsim::CSimArgRecorder::Instance().Watch(L"protect", L"password");  // names ignore case
  document.Call(L"Protect", {I(1), B(true), S(L"secret"), Missing(), Missing()},
                {L"Type", L"NoReset", L"Password", L"UseIRM", L"EnforceStyleLock"});
  EXPECT_EQ(std::vector<std::wstring>{L"secret"}, kalsim::CSimArgRecorder::Instance().Values());
  kalsim::CSimArgRecorder::Instance().Clear();
  EXPECT_EQ(1, document.Long(L"ProtectionType"));
  // Word keeps a verifier of the password, never its text: the document's JSON (dumps, saved
  // files) holds the hash, and a document read back from it takes the password (case-sensitive).
  const nlohmann::json saved = DocumentToJson(*doc);
  EXPECT_EQ(std::string::npos, saved.dump().find("secret"));
  EXPECT_EQ(ToUtf8(kalsim::PasswordHash(L"secret")), saved.at("protection").at("passwordHash"));
  auto reread = DocumentFromJson(saved);
  EXPECT_THROW(Unprotect(*reread, L"Secret"), kalsim::CSimError);
  Unprotect(*reread, L"secret");
  EXPECT_THROW(Unprotect(*reread, L"secret"), kalsim::CSimError);  // no longer protected
  CCallResult add = shapes.TryCall(L"AddTextEffect", MarkArgs(L"t"));
  EXPECT_EQ(DISP_E_EXCEPTION, add.hr);
  EXPECT_NE(std::wstring::npos, add.error.find(L"locked for editing"));
  EXPECT_EQ(DISP_E_EXCEPTION, shape.TryCall(L"Delete").hr);
  EXPECT_EQ(DISP_E_EXCEPTION, shape.TryPut(L"Left", R4(5)).hr);
  EXPECT_EQ(DISP_E_EXCEPTION, shape.Obj(L"TextEffect").TryPut(L"Text", S(L"changed")).hr);
  EXPECT_EQ(DISP_E_EXCEPTION, document.Obj(L"Content").TryPut(L"Text", S(L"body")).hr);
  shape.Call(L"Select");
  EXPECT_EQ(DISP_E_EXCEPTION, m_word.Obj(L"Selection").TryCall(L"Delete", {I(1), I(1)}).hr);
  EXPECT_EQ(1, shapes.Long(L"Count"));
  EXPECT_EQ(L"before", shape.Obj(L"TextEffect").Str(L"Text"));
  // Reading is still allowed; a second Protect and a wrong password are refused.
  EXPECT_EQ(DISP_E_EXCEPTION, document.TryCall(L"Protect", {I(1)}).hr);
  EXPECT_EQ(DISP_E_EXCEPTION, document.TryCall(L"Unprotect", {S(L"wrong")}).hr);
  document.Call(L"Unprotect", {S(L"secret")});
  shape.Call(L"Delete");
  EXPECT_EQ(0, shapes.Long(L"Count"));
}

TEST_F(WordModelTest, TrackRevisionsCountsTrackedChanges) {
  m_app->AddDocument(MakeDocument(1));
  CDisp document = m_word.Obj(L"ActiveDocument");
  EXPECT_FALSE(document.Bool(L"TrackRevisions"));
  document.Put(L"TrackRevisions", B(true));
  EXPECT_TRUE(document.Bool(L"TrackRevisions"));
  EXPECT_FALSE(document.Bool(L"Saved"));
  m_word.Obj(L"Selection").Call(L"TypeText", {S(L"hello")});
  AddMark(HeaderShapes(1), L"x");
  EXPECT_EQ(2, m_app->ActiveDocument()->revisions);
  EXPECT_EQ(L"hello", document.Obj(L"Content").Str(L"Text"));
}

TEST_F(WordModelTest, ShapeFormattingReadsBackAsSet) {
  m_app->AddDocument(MakeDocument(1));
  CDisp shape = AddMark(HeaderShapes(1), L"mark");
  shape.Put(L"Name", S(L"PowerPlusWaterMarkObject4B414C01"));
  shape.Obj(L"TextEffect").Put(L"NormalizedHeight", I(0));
  shape.Obj(L"Line").Put(L"Visible", I(0));
  CDisp fill = shape.Obj(L"Fill");
  fill.Put(L"Visible", I(-1));
  fill.Put(L"Transparency", CSimVariant::Double(128 / 255.0));
  fill.Obj(L"ForeColor").Put(L"RGB", I(16711680));
  fill.Call(L"Solid");
  shape.Put(L"Rotation", R4(315));
  shape.Obj(L"WrapFormat").Put(L"Side", I(3));
  shape.Put(L"Left", R4(-999995.0f));
  shape.Put(L"Top", R4(-999995.0f));
  EXPECT_EQ(L"PowerPlusWaterMarkObject4B414C01", shape.Str(L"Name"));
  EXPECT_EQ(-1, fill.Long(L"Visible"));
  EXPECT_NEAR(0.502, fill.Double(L"Transparency"), 0.001);
  EXPECT_EQ(16711680, fill.Obj(L"ForeColor").Long(L"RGB"));
  EXPECT_EQ(315.0, shape.Double(L"Rotation"));
  EXPECT_EQ(-999995.0, shape.Double(L"Left"));
  EXPECT_EQ(-999995.0, shape.Double(L"Top"));
  EXPECT_EQ(36.0, shape.Obj(L"TextEffect").Double(L"FontSize"));
  EXPECT_EQ(L"Arial", shape.Obj(L"TextEffect").Str(L"FontName"));
  const CShape& state = *m_app->ActiveDocument()->sections[0]->headers[0].story->shapes[0];
  EXPECT_TRUE(state.fillSolid);
  EXPECT_FALSE(state.lineVisible);
  EXPECT_EQ(3, state.wrapSide);
  EXPECT_EQ(DISP_E_EXCEPTION, fill.TryPut(L"Transparency", CSimVariant::Double(1.5)).hr);
}

TEST_F(WordModelTest, TextEffectTextReadsLineBreaksBackAsParagraphMarksOrAsWritten) {
  m_app->AddDocument(MakeDocument(1));
  CDisp text = AddMark(HeaderShapes(1), L"a\nb\r\nc\vd\re").Obj(L"TextEffect");
  EXPECT_EQ(L"a\rb\rc\rd\re", text.Str(L"Text"));
  m_app->State().textEffectBreaks = ETextEffectBreaks::kAsWritten;
  EXPECT_EQ(L"a\nb\r\nc\vd\re", text.Str(L"Text"));
  // The shape keeps what was written either way.
  EXPECT_EQ(L"a\nb\r\nc\vd\re",
            m_app->ActiveDocument()->sections[0]->headers[0].story->shapes[0]->text);
  EXPECT_EQ("asWritten", AppStateToJson(m_app->State())["textEffectLineBreaks"].get<std::string>());
}

TEST_F(WordModelTest, LegacyCommandBarsOfWord2003) {
  m_app = CWordApplication::Create(L"11.0");
  m_word = CDisp(m_app->AsDispatch());
  EXPECT_EQ(L"11.0", m_word.Str(L"Version"));
  CDisp standard = m_word.Obj(L"CommandBars", {}).Item(L"Standard");
  CDisp controls = standard.Obj(L"Controls");
  long found = 0;
  for (long i = 1; i <= controls.Long(L"Count"); ++i) {
    CDisp c = controls.Item(i);
    if (c.Str(L"Caption") != L"背景(&K)") continue;
    ++found;
    EXPECT_TRUE(c.Bool(L"Enabled"));
    c.Put(L"Enabled", B(false));
  }
  EXPECT_EQ(1, found);
  EXPECT_FALSE(m_word.Obj(L"NormalTemplate").Bool(L"Saved"));  // Word 2003 keeps bars in Normal.dot
  EXPECT_EQ((std::vector<bool>{false}), m_app->State().normalTemplateSavedTransitions);
  // Popups of the menu bar have their own Controls; buttons have none.
  CDisp menu = m_word.Obj(L"CommandBars").Item(L"Menu Bar").Obj(L"Controls");
  long inMenus = 0;
  for (long i = 1; i <= menu.Long(L"Count"); ++i) {
    CDisp items = menu.Item(i).Obj(L"Control").Obj(L"Controls");
    for (long j = 1; j <= items.Long(L"Count"); ++j)
      if (items.Item(j).Str(L"Caption") == L"背景(&K)") ++inMenus;
  }
  EXPECT_EQ(1, inMenus);
  EXPECT_EQ(DISP_E_MEMBERNOTFOUND, controls.Item(1).TryGet(L"Controls").hr);
  EXPECT_EQ(DISP_E_BADINDEX, m_word.Obj(L"CommandBars").TryGet(L"Item", {S(L"No Such Bar")}).hr);
  bool standardEnabled = false;
  for (const auto& c : m_app->State().commandBars[1].controls)
    if (c->caption == L"背景(&K)") standardEnabled = c->enabled;
  EXPECT_FALSE(standardEnabled);
  EXPECT_EQ(L"16.0", CDisp(CWordApplication::Create()->AsDispatch()).Str(L"Version"));
}

TEST_F(WordModelTest, OptionsAndTemplateAndApplicationSwitches) {
  CDisp options = m_word.Obj(L"Options");
  options.Put(L"SaveNormalPrompt", B(false));
  options.Put(L"SavePropertiesPrompt", B(false));
  options.Put(L"SaveInterval", I(0));
  EXPECT_FALSE(m_app->State().options.saveNormalPrompt);
  EXPECT_EQ(0, m_app->State().options.saveInterval);
  EXPECT_EQ(DISP_E_EXCEPTION, options.TryPut(L"SaveInterval", I(500)).hr);
  m_word.Put(L"ScreenUpdating", B(false));
  m_word.Put(L"ScreenUpdating", B(false));  // no change, no transition
  m_word.Put(L"ScreenUpdating", B(true));
  m_word.Put(L"ScreenUpdating", B(false));
  m_word.Put(L"DisplayAlerts", I(0));
  m_word.Put(L"Visible", B(false));
  EXPECT_FALSE(m_app->State().screenUpdating);
  EXPECT_EQ((std::vector<bool>{false, true, false}), m_app->State().screenUpdatingTransitions);
  CDisp normal = m_word.Obj(L"NormalTemplate");
  normal.Put(L"Saved", B(true));
  normal.Put(L"Saved", B(false));
  normal.Call(L"Save");
  EXPECT_EQ((std::vector<bool>{false, true}), m_app->State().normalTemplateSavedTransitions);
  // The host's dump carries both records.
  const nlohmann::json dump = AppStateToJson(m_app->State());
  EXPECT_EQ((std::vector<bool>{false, true, false}),
            dump["screenUpdatingTransitions"].get<std::vector<bool>>());
  EXPECT_EQ((std::vector<bool>{false, true}),
            dump["normalTemplateSavedTransitions"].get<std::vector<bool>>());
  EXPECT_EQ(0, m_app->State().displayAlerts);
  EXPECT_FALSE(m_word.Bool(L"Visible"));
}

TEST_F(WordModelTest, EventsReachAdvisedSinksWithTheirDocument) {
  ComPtr<IConnectionPointContainer> cpc;
  ASSERT_EQ(S_OK, m_app->QueryInterface(IID_PPV_ARGS(&cpc)));
  ComPtr<IConnectionPoint> cp;
  ASSERT_EQ(S_OK, cpc->FindConnectionPoint(kal::DIID_Word_ApplicationEvents2, &cp));
  std::vector<std::wstring> events;  // DISPID and the Name of a document argument
  CEventSink log(kal::DIID_Word_ApplicationEvents2, [&events](DISPID id, const DISPPARAMS& dp) {
    std::wstring entry = std::to_wstring(id);
    if (dp.cArgs > 0 && dp.rgvarg[dp.cArgs - 1].vt == VT_DISPATCH) {
      auto name = CDisp(dp.rgvarg[dp.cArgs - 1].pdispVal).TryGet(L"Name");
      if (SUCCEEDED(name.hr)) entry += L":" + kalsim::ToString(name.value.Get());
    }
    events.push_back(entry);
  });
  DWORD cookie = 0;
  ASSERT_EQ(S_OK, cp->Advise(&log, &cookie));
  m_word.Obj(L"Documents").Call(L"Add");
  auto doc = MakeDocument(1);
  doc->name = L"opened.docx";
  m_app->AddDocument(doc);
  m_app->FireWindowSelectionChange();
  EXPECT_EQ((std::vector<std::wstring>{L"9:Document1", L"3", L"4:opened.docx", L"3", L"12"}),
            events);
  // _Application is answered for the add-in's QueryInterface.
  ComPtr<IUnknown> unk;
  EXPECT_EQ(S_OK, m_app->QueryInterface(kal::IID_Word_Application,
                                        reinterpret_cast<void**>(unk.GetAddressOf())));
  EXPECT_EQ(S_OK, cp->Unadvise(cookie));
  EXPECT_EQ(0u, log.m_cRef);
}

TEST_F(WordModelTest, CallsAreCountedPerWordObjectKind) {
  m_app->AddDocument(MakeDocument(2));
  kalsim::CSimCallCounter::Instance().Reset();
  CDisp shapes = HeaderShapes(2);
  shapes.Long(L"Count");
  shapes.Long(L"Count");
  EXPECT_EQ(2, kalsim::CSimCallCounter::Instance().Count(L"Shapes", L"Count"));
  EXPECT_EQ(1, kalsim::CSimCallCounter::Instance().Count(L"Application", L"ActiveDocument"));
  EXPECT_EQ(1, kalsim::CSimCallCounter::Instance().Count(L"HeaderFooter", L"Shapes"));
}

}  // namespace
