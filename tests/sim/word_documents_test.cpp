// Word documents as JSON files (round trip, open and save through automation, corrupt and
// missing files) and the ribbon command table fed from custom UI XML.
#include <gtest/gtest.h>

#include "disp_client.h"
#include "sim/engine/custom_ui.h"
#include "sim/engine/sim_error.h"
#include "sim/word/word_json.h"

using namespace simtest;
using namespace kalsim::word;
using Microsoft::WRL::ComPtr;

namespace {

std::shared_ptr<CDocument> SampleDocument() {
  auto doc = MakeDocument(3, true);
  doc->sections[2]->headers[0].linkToPrevious = false;
  doc->sections[2]->headers[0].story.reset();
  ResolveLinks(*doc);
  auto shape = std::make_shared<CShape>();
  shape->name = L"PowerPlusWaterMarkObject4B414C01";
  shape->text = L"机密 secret\n2026-12-05 user";
  shape->fontSize = 54.5;
  shape->fillTransparency = 0.5;
  shape->foreColor = 0xC0C0C0;
  shape->rotation = 315;
  shape->left = kShapeCenter;
  shape->top = kShapeCenter;
  doc->sections[0]->headers[0].story->shapes.push_back(shape);
  doc->sections[2]->headers[0].story->text = L"own header";
  doc->sections[1]->text = L"body of two";
  doc->sections[1]->differentFirstPage = true;
  doc->sections[1]->pages = 3;
  doc->oddAndEvenPages = true;
  doc->trackRevisions = true;
  doc->protectionType = kAllowOnlyComments;
  doc->viewType = kViewOutline;
  return doc;
}

TEST(WordDocuments, JsonRoundTripKeepsEverythingIncludingLinks) {
  auto doc = SampleDocument();
  nlohmann::json first = DocumentToJson(*doc);
  auto back = DocumentFromJson(first);
  EXPECT_EQ(first, DocumentToJson(*back));
  ASSERT_EQ(3u, back->sections.size());
  // Sections 1 and 2 share one story again; section 3 has its own.
  EXPECT_EQ(back->sections[0]->headers[0].story, back->sections[1]->headers[0].story);
  EXPECT_NE(back->sections[1]->headers[0].story, back->sections[2]->headers[0].story);
  const CShape& s = *back->sections[1]->headers[0].story->shapes.at(0);
  EXPECT_EQ(L"机密 secret\n2026-12-05 user", s.text);
  EXPECT_EQ(kShapeCenter, s.left);
  EXPECT_EQ(54.5, s.fontSize);
  EXPECT_EQ(kAllowOnlyComments, back->protectionType);
  EXPECT_TRUE(back->trackRevisions);
  EXPECT_EQ(kViewOutline, back->viewType);
  EXPECT_TRUE(back->sections[1]->differentFirstPage);
  EXPECT_EQ(3, back->sections[1]->pages);
  EXPECT_TRUE(back->oddAndEvenPages);
  EXPECT_EQ(L"own header", back->sections[2]->headers[0].story->text);
}

TEST(WordDocuments, SamplesInEveryViewOpenInThatView) {
  // The samples under sim/samples/views: draft, outline, web layout and read mode.
  const std::pair<const char*, long> samples[] = {
      {"draft", kViewNormal}, {"outline", kViewOutline}, {"web", kViewWeb}, {"read", kViewReading}};
  for (const auto& [name, type] : samples) {
    const std::wstring path =
        FromUtf8(std::string(KAL_SOURCE_DIR "/sim/samples/views/word-") + name + ".json");
    auto doc = LoadDocumentFile(path);
    EXPECT_EQ(type, doc->viewType) << name;
    EXPECT_EQ(2u, doc->sections.size()) << name;
  }
}

TEST(WordDocuments, MinimalJsonGetsWordDefaults) {
  auto doc = DocumentFromJson(nlohmann::json::parse(
      R"({"sections":[{"headers":{"primary":{"shapes":[{"name":"WordArt 7"}]}}},{}]})"));
  ASSERT_EQ(2u, doc->sections.size());
  EXPECT_EQ(doc->sections[0]->headers[0].story, doc->sections[1]->headers[0].story);
  EXPECT_EQ(kNoProtection, doc->protectionType);
  EXPECT_EQ(kViewPrint, doc->viewType);
  EXPECT_EQ(8, doc->nextShapeId);
  EXPECT_EQ(1, doc->sections[1]->pages);
  EXPECT_FALSE(doc->oddAndEvenPages);
  EXPECT_THROW(DocumentFromJson(nlohmann::json::parse(R"({"sections":[{"pages":0}]})")),
               kalsim::CSimError);
  EXPECT_THROW(DocumentFromJson(nlohmann::json::parse(R"({"sections":[{"text":5}]})")),
               kalsim::CSimError);
  EXPECT_THROW(DocumentFromJson(nlohmann::json::parse("[1,2]")), kalsim::CSimError);
}

TEST(WordDocuments, OpenWithMissingArgumentsEditSaveAndReopen) {
  std::wstring path = TempPath(L"sim_doc_roundtrip.docx");
  SaveDocumentFile(*SampleDocument(), path);
  auto app = CWordApplication::Create();
  CDisp word(app->AsDispatch());
  CDisp doc(word.Obj(L"Documents").Call(L"Open", TextThen15Missing(path)));
  EXPECT_EQ(L"sim_doc_roundtrip.docx", doc.Str(L"Name"));
  EXPECT_TRUE(doc.Bool(L"Saved"));
  EXPECT_EQ(1, doc.Long(L"ProtectionType"));
  doc.Call(L"Unprotect", {S(L"")});
  HeaderShapesOf(doc, 2).Item(1).Call(L"Delete");
  doc.Call(L"Save");
  EXPECT_TRUE(doc.Bool(L"Saved"));
  doc.Call(L"Close");
  // Opening the same file twice gives the open document; a fresh open reads the saved file.
  CDisp again(word.Obj(L"Documents").Call(L"Open", {S(path)}, {L"FileName"}));
  EXPECT_EQ(0, HeaderShapesOf(again, 1).Long(L"Count"));
  EXPECT_EQ(-1, again.Long(L"ProtectionType"));
  CDisp same(word.Obj(L"Documents").Call(L"Open", {S(path)}));
  EXPECT_EQ(1, word.Obj(L"Documents").Long(L"Count"));
  EXPECT_EQ(2, app->EventsFired(4));  // DocumentOpen once per real open
  DeleteFileW(path.c_str());
}

TEST(WordDocuments, MissingOrCorruptFilesFailLikeWord) {
  auto app = CWordApplication::Create();
  CDisp word(app->AsDispatch());
  CCallResult missing =
      word.Obj(L"Documents").TryCall(L"Open", {S(TempPath(L"no_such_file.docx"))});
  EXPECT_EQ(DISP_E_EXCEPTION, missing.hr);
  EXPECT_NE(std::wstring::npos, missing.error.find(L"couldn't find"));
  std::wstring bad = TempPath(L"sim_corrupt.docx");
  ASSERT_TRUE(WriteWholeFile(bad, "{not json"));
  EXPECT_EQ(DISP_E_EXCEPTION, word.Obj(L"Documents").TryCall(L"Open", {S(bad)}).hr);
  EXPECT_EQ(0, word.Obj(L"Documents").Long(L"Count"));
  EXPECT_EQ(DISP_E_PARAMNOTFOUND, word.Obj(L"Documents").TryCall(L"Open", {Missing()}).hr);
  DeleteFileW(bad.c_str());
  // A new document has no file: Save is refused instead of prompting.
  CDisp fresh(word.Obj(L"Documents").Call(L"Add"));
  EXPECT_EQ(DISP_E_EXCEPTION, fresh.TryCall(L"Save").hr);
}

const wchar_t kRibbon[] =
    L"<customUI xmlns=\"http://schemas.microsoft.com/office/2006/01/customui\"><commands>"
    L"<command idMso=\"WatermarkCustomDialog\" enabled=\"false\"/><command "
    L"idMso=\"WatermarkRemove\" enabled=\"false\"/>"
    L"<command idMso=\"Bold\" enabled=\"true\"/></commands></customUI>";

TEST(CustomUi, ReadsCommandsAndRejectsWhatOfficeRejects) {
  kalsim::CCustomUi ui = kalsim::ParseCustomUi(kRibbon);
  ASSERT_TRUE(ui.valid);
  ASSERT_EQ(3u, ui.commands.size());
  EXPECT_EQ(L"WatermarkRemove", ui.commands[1].idMso);
  EXPECT_FALSE(ui.commands[1].enabled);
  EXPECT_TRUE(ui.commands[2].enabled);
  EXPECT_TRUE(
      kalsim::ParseCustomUi(L"<?xml version=\"1.0\"?><!-- c --><customUI "
                            L"xmlns='http://schemas.microsoft.com/office/2009/07/customui'/>")
          .valid);
  for (const wchar_t* bad :
       {L"", L"<customUI><commands/></customUI>",
        L"<customUI xmlns=\"http://example.com/other\"><commands/></customUI>",
        L"<customUI xmlns=\"http://schemas.microsoft.com/office/2006/01/customui\"><commands>",
        L"<customUI xmlns=\"http://schemas.microsoft.com/office/2006/01/customui\"><command "
        L"idMso=\"Bold\" enabled=\"false\"/></customUI>",
        L"<customUI "
        L"xmlns=\"http://schemas.microsoft.com/office/2006/01/customui\"><commands><command "
        L"enabled=\"false\"/></commands></customUI>",
        L"<customUI xmlns=\"http://schemas.microsoft.com/office/2006/01/customui\"></commandz>"}) {
    kalsim::CCustomUi r = kalsim::ParseCustomUi(bad);
    EXPECT_FALSE(r.valid) << std::string(bad, bad + wcslen(bad));
    EXPECT_TRUE(r.commands.empty());
  }
}

TEST(CustomUi, DisabledCommandsAreRefusedAndEnabledOnesRun) {
  auto app = CWordApplication::Create();
  auto doc = MakeDocument(2);
  auto mark = std::make_shared<CShape>();
  mark->name = L"PowerPlusWaterMarkObject123";
  doc->sections[0]->headers[0].story->shapes.push_back(mark);
  app->AddDocument(doc);
  app->ApplyCustomUi(
      L"<customUI xmlns=\"http://example.com/wrong\"><commands><command idMso=\"WatermarkRemove\" "
      L"enabled=\"false\"/></commands></customUI>");
  EXPECT_TRUE(app->FindCommand(L"WatermarkRemove")->enabled);
  app->ApplyCustomUi(kRibbon);
  EXPECT_FALSE(app->FindCommand(L"WatermarkRemove")->enabled);
  EXPECT_FALSE(app->ExecuteCommand(L"WatermarkRemove"));
  EXPECT_EQ(1, app->FindCommand(L"WatermarkRemove")->refused);
  EXPECT_EQ(1u, doc->sections[0]->headers[0].story->shapes.size());
  CDisp bars = CDisp(app->AsDispatch()).Obj(L"CommandBars");
  EXPECT_FALSE(kalsim::ToBool(bars.Call(L"GetEnabledMso", {S(L"WatermarkCustomDialog")}).Get()));
  EXPECT_EQ(DISP_E_EXCEPTION, bars.TryCall(L"ExecuteMso", {S(L"WatermarkCustomDialog")}).hr);
  // Word's own removal works while the command is enabled.
  app->ApplyCustomUi(
      L"<customUI "
      L"xmlns=\"http://schemas.microsoft.com/office/2006/01/customui\"><commands><command "
      L"idMso=\"WatermarkRemove\" enabled=\"true\"/></commands></customUI>");
  EXPECT_TRUE(app->ExecuteCommand(L"WatermarkRemove"));
  EXPECT_TRUE(doc->sections[0]->headers[0].story->shapes.empty());
  EXPECT_FALSE(doc->saved);
}

}  // namespace
