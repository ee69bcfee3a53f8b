// What stamping, the removal that precedes it, and the check do with the header layouts a user
// meets. Word's HeaderFooter.Shapes, from whichever header or footer it is read (also through
// Selection.HeaderFooter), is the document's one collection of every header and footer shape;
// a shape added through it without an anchor lands in the story of the header it was read from.
//
// | case                             | after stamping                  | the check          |
// |----------------------------------|---------------------------------|--------------------|
// | 3 sections, linked headers       | one shared header: 01, 02, 03   | 3 of 3: intact (a) |
// | 3 sections, separate headers     | each header its own: 01/02/03   | 3 of 3: intact (a) |
// | either, one mark damaged         | -                               | 2 of 3: re-stamped |
// | different first page             | primary headers only (b)        | 2 of 2: intact     |
// | odd and even pages               | primary headers only (b)        | 2 of 2: intact     |
// | "WordArt 3" and "Logo" in footer | "WordArt 3" removed (c)         | both skipped (d)   |
// | earlier marks in any story       | all removed (c)                 | 2 of 2: intact     |
// | intact "...4B414C99" copy        | copy removed (c)                | counts as a stamp: |
// |                                  |                                 | hides a damaged or |
// |                                  |                                 | deleted one (e)    |
// | damaged copy                     | copy removed (c)                | counts 0 (e)       |
//
// (a) Each section's header gives the whole collection, so each section counts every intact
//     mark of the document against the number of sections. Separate headers are therefore no
//     longer counted damaged (and re-stamped) at every tick.
// (b) The stamping asks each section for its primary header by index; first-page and
//     even-page headers stay empty, so those pages show no mark.
// (c) The removal walks Selection.HeaderFooter.Shapes section by section: the first visit
//     already sees, and removes, every recognised shape of every header and footer (the
//     "WordArt " prefix matches a user's WordArt too); later visits find none.
// (d) Only names with the stamp prefix are checked; other shapes are listed and skipped.
// (e) The check counts intact shapes by prefix, not by section: an intact copy anywhere makes
//     up for a damaged or missing stamp anywhere; a damaged copy adds nothing.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "sim/word/word_user.h"
#include "tests/word/word_check_oracle.h"
#include "tests/word/word_fixture.h"

using namespace kalsim::word;

namespace kaltest {
namespace {

using Names = std::vector<std::wstring>;

std::wstring Mark(int section) { return kal::word::MakeWatermarkShapeName(section); }

// Story of section s (1-based): 'H' primary header, 'P' first-page header, 'E' even-pages header,
// 'F' primary footer.
CStory& StoryOf(CDocument& doc, char kind, int s) {
  CSection& section = *doc.sections.at(s - 1);
  return *(kind == 'H'   ? section.headers[0]
           : kind == 'P' ? section.headers[1]
           : kind == 'E' ? section.headers[2]
                         : section.footers[0])
              .story;
}

void AddNamed(CDocument& doc, char kind, int s, const std::wstring& name) {
  auto shape = std::make_shared<CShape>();
  shape->name = name;
  shape->text = L"mine";
  StoryOf(doc, kind, s).shapes.push_back(shape);
}

// A copy of section 1's stamp under the user's name, put into another story.
void CopyFirstMark(CDocument& doc, char kind, int s, bool damaged) {
  auto copy = std::make_shared<CShape>(*StoryOf(doc, 'H', 1).shapes.at(0));
  copy->name = L"PowerPlusWaterMarkObject4B414C99";
  if (damaged) copy->left = 12.0;
  StoryOf(doc, kind, s).shapes.push_back(copy);
}

struct CStoryNames {
  char kind;
  int section;
  Names names;
};

struct CHeaderCase {
  const char* what;
  std::function<std::shared_ptr<CDocument>()> make;
  std::vector<CStoryNames> stamped;            // stories after stamping
  std::function<void(CDocument&)> userAction;  // then, before the check
  int check;                                   // CheckWordWatermark's answer
};

std::shared_ptr<CDocument> WithFirstPage(int sections) {
  auto doc = MakeDocument(sections, false);
  for (auto& s : doc->sections) s->differentFirstPage = true;
  return doc;
}

class WordHeaderCases : public CWordAddinTest {};

TEST_F(WordHeaderCases, StampingRemovalAndCheckForEachHeaderLayout) {
  auto damageStamp = [](int section) {
    return [section](CDocument& doc) { StoryOf(doc, 'H', section).shapes.back()->left = 40.0; };
  };
  const std::vector<CHeaderCase> cases = {
      {"linked",
       [] { return MakeDocument(3, true); },
       {{'H', 1, {Mark(1), Mark(2), Mark(3)}}},
       nullptr,
       1},
      {"linked, one damaged",
       [] { return MakeDocument(3, true); },
       {{'H', 3, {Mark(1), Mark(2), Mark(3)}}},
       damageStamp(1),
       0},
      {"separate",
       [] { return MakeDocument(3, false); },
       {{'H', 1, {Mark(1)}}, {'H', 2, {Mark(2)}}, {'H', 3, {Mark(3)}}},
       nullptr,
       1},
      {"separate, one damaged",
       [] { return MakeDocument(3, false); },
       {{'H', 2, {Mark(2)}}},
       damageStamp(2),
       0},
      {"different first page",
       [] { return WithFirstPage(2); },
       {{'H', 1, {Mark(1)}}, {'H', 2, {Mark(2)}}, {'P', 1, {}}, {'P', 2, {}}},
       nullptr,
       1},
      {"odd and even pages",
       [] {
         auto doc = MakeDocument(2, false);
         doc->oddAndEvenPages = true;
         doc->sections[0]->pages = 3;
         return doc;
       },
       {{'H', 1, {Mark(1)}}, {'H', 2, {Mark(2)}}, {'E', 1, {}}, {'E', 2, {}}},
       nullptr,
       1},
      {"footer shapes",
       [] {
         auto doc = MakeDocument(2, true);
         AddNamed(*doc, 'F', 1, L"WordArt 3");
         AddNamed(*doc, 'F', 1, L"Logo");
         return doc;
       },
       {{'H', 1, {Mark(1), Mark(2)}}, {'F', 1, {L"Logo"}}},
       nullptr,
       1},
      {"earlier marks in every story",
       [] {
         auto doc = WithFirstPage(2);
         AddNamed(*doc, 'P', 2, L"PowerPlusWaterMarkObject4B414C02");
         AddNamed(*doc, 'F', 2, L"LumiCoreWatermark");
         AddNamed(*doc, 'H', 2, L"PowerPlusWaterMarkObject-1");
         return doc;
       },
       {{'H', 1, {Mark(1)}}, {'H', 2, {Mark(2)}}, {'P', 2, {}}, {'F', 2, {}}},
       nullptr,
       1},
      {"intact copy hides a damaged stamp",
       [] { return MakeDocument(1, true); },
       {{'H', 1, {Mark(1)}}},
       [](CDocument& doc) {
         CopyFirstMark(doc, 'F', 1, false);
         StoryOf(doc, 'H', 1).shapes.at(0)->left = 40.0;
       },
       1},
      {"intact copy hides a deleted stamp of another header",
       [] { return MakeDocument(3, false); },
       {{'H', 3, {Mark(3)}}},
       [](CDocument& doc) {
         CopyFirstMark(doc, 'H', 1, false);
         StoryOf(doc, 'H', 3).shapes.clear();
       },
       1},
      {"damaged copy counts nothing",
       [] { return MakeDocument(2, true); },
       {{'H', 1, {Mark(1), Mark(2)}}},
       [](CDocument& doc) { CopyFirstMark(doc, 'H', 1, true); },
       1},
      {"damaged copy and damaged stamp",
       [] { return MakeDocument(2, true); },
       {{'H', 1, {Mark(1), Mark(2)}}},
       [](CDocument& doc) {
         CopyFirstMark(doc, 'H', 1, true);
         StoryOf(doc, 'H', 1).shapes.at(1)->top = 7.0;
       },
       0},
  };
  Start(MakeDocument(1));
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    auto doc = c.make();
    App().AddDocument(doc);  // DocumentOpen stamps it
    for (const auto& story : c.stamped)
      EXPECT_EQ(ShapeNames(StoryOf(*doc, story.kind, story.section)), story.names)
          << story.kind << story.section;
    if (c.userAction) c.userAction(*doc);
    EXPECT_EQ(Check(), c.check);
    EXPECT_EQ(LiteralCheckWordWatermark(*Addin(), Word(), Params()), c.check);
    // The next stamping removes every recognised shape, copies included, and stamps afresh.
    Addin()->NewDocument(nullptr);
    size_t marks = 0;
    for (const auto& story : AllStories(*doc)) {
      for (const auto& shape : story->shapes) {
        EXPECT_NE(shape->name, L"PowerPlusWaterMarkObject4B414C99");
        EXPECT_NE(shape->name.rfind(L"WordArt ", 0), 0u) << shape->name;
        marks += kal::word::IsStampedWatermarkName(shape->name) ? 1 : 0;
      }
    }
    EXPECT_EQ(marks, doc->sections.size());
    EXPECT_EQ(Check(), 1);
  }
}

}  // namespace
}  // namespace kaltest
