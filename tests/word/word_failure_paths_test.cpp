// CMSWord's failure paths, made to happen by faults injected into the simulated Word: the
// Headers -> Footers -> Selection.HeaderFooter fallback, a section that cannot be reached, a
// shape name that does not stick, Saved and screen updating after a failed stamping, the
// check's answer when its reads fail, a refused Protect, and the text of " _com_error" lines.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sim/engine/call_counter.h"
#include "sim/engine/sim_faults.h"
#include "sim/word/word_user.h"
#include "tests/word/word_fixture.h"

using namespace kalsim::word;
using kalsim::CSimFault;
using kalsim::CSimFaults;

namespace kaltest {
namespace {

constexpr HRESULT kRefused = static_cast<HRESULT>(0x800A1066);  // a Word run-time error

class WordFailurePaths : public CWordAddinTest {
 protected:
  // Word with `doc` open and the add-in connected (which stamps it once), faults cleared.
  void StartWith(std::shared_ptr<CDocument> doc) {
    Start(std::move(doc));
    m_trace.Clear();
  }
  HRESULT Stamp() { return Addin()->AddWordWatermarkOnActiveDocument(Word(), Params()); }
  // Stamped marks anywhere in the document.
  size_t StampedMarks() {
    size_t n = 0;
    for (const auto& story : AllStories(*Doc()))
      for (const auto& s : story->shapes) n += kal::word::IsStampedWatermarkName(s->name) ? 1 : 0;
    return n;
  }
  bool Traced(const char* text) { return m_trace.WaitFor(text, 10000); }
};

TEST_F(WordFailurePaths, HeadersFallBackToFootersThenToTheSelectionsHeaderFooter) {
  auto doc = MakeDocument(1);
  doc->sections[0]->differentFirstPage = true;
  StartWith(doc);
  const auto primaryHeader = doc->sections[0]->headers[0].story;
  const auto firstPageHeader = doc->sections[0]->headers[1].story;
  const auto primaryFooter = doc->sections[0]->footers[0].story;

  // No Headers: the primary footer of the Footers collection takes the mark.
  Fail(L"Section", L"Headers");
  Stamp();
  EXPECT_EQ(ShapeNames(*primaryFooter), OnlyMark(1));
  EXPECT_TRUE(ShapeNames(*primaryHeader).empty());
  EXPECT_FALSE(m_trace.Contains("AddWordWatermarkOnSection get_Headers"));

  // No Item(1) either: the header that SeekView 9 opened, here the first-page header.
  CSimFaults::Instance().Clear();
  Fail(L"HeadersFooters", L"Item");
  Stamp();
  EXPECT_EQ(ShapeNames(*firstPageHeader), OnlyMark(1));

  // Every way fails: traced, and no shape is added.
  Fail(L"Selection", L"HeaderFooter");
  m_trace.Clear();
  long added = Stamps();
  Stamp();
  EXPECT_TRUE(Traced(
      "KalMsAddin.dll CMSWord::AddWordWatermarkOnSection get_HeaderFooter, hr = 0x80004005."));
  EXPECT_TRUE(Traced("KalMsAddin.dll CMSWord::AddWordWatermarkOnSection pHeaderFooter NULL."));
  EXPECT_EQ(Stamps(), added);
  CSimFaults::Instance().Clear();
  Fail(L"Section", L"Headers");
  Fail(L"Section", L"Footers");
  m_trace.Clear();
  added = Stamps();
  Stamp();
  EXPECT_TRUE(
      Traced("KalMsAddin.dll CMSWord::AddWordWatermarkOnSection get_Headers, hr = 0x80004005."));
  EXPECT_EQ(Stamps(), added);
}

TEST_F(WordFailurePaths, AFailedSectionIsSkippedAndTheNextOnesAreStamped) {
  auto doc = MakeDocument(3, /*linkedHeaders=*/false);
  StartWith(doc);
  // The removal before stamping reaches every section too: count its Sections.Item calls so
  // that the fault hits the stamping loop's second section.
  auto& counter = kalsim::CSimCallCounter::Instance();
  counter.Reset();
  Addin()->DeleteWordWatermark();
  const long removalCalls = counter.Count(L"Sections", L"Item");
  ASSERT_GE(removalCalls, 3);
  ASSERT_EQ(StampedMarks(), 0u);
  Fail(L"Sections", L"Item", DISP_E_BADINDEX, removalCalls + 2);
  Stamp();
  EXPECT_TRUE(
      Traced("KalMsAddin.dll CMSWord::AddWordWatermarkOnActiveDocument Sections Item = 2, hr = "
             "0x8002000b."));
  EXPECT_EQ(HeaderShapeNames(*doc, 1), OnlyMark(1));
  EXPECT_TRUE(HeaderShapeNames(*doc, 2).empty());
  EXPECT_EQ(HeaderShapeNames(*doc, 3), OnlyMark(3));
}

TEST_F(WordFailurePaths, AShapeWhoseNameDoesNotStickIsDeletedAgain) {
  struct Case {
    const char* what;
    long call;  // Shape.Name: the add-in's put is call 1, its read-back call 2
    const char* trace;
  };
  const Case cases[] = {
      {"put refused", 1,
       "KalMsAddin.dll CMSWord::AddWordWatermarkOnShape Section Index = 1, put_Name = 0x800a1066."},
      {"read-back fails", 2,
       "KalMsAddin.dll CMSWord::AddWordWatermarkOnShape put_Name Fail, Section Index = 1, put_Name "
       "= "
       "PowerPlusWaterMarkObject4B414C01."},
  };
  auto doc = MakeDocument(1);
  StartWith(doc);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Addin()->DeleteWordWatermark();
    ASSERT_EQ(StampedMarks(), 0u);
    Fail(L"Shape", L"Name", kRefused, c.call, L"The name is refused.");
    const long added = Stamps();
    Stamp();
    EXPECT_GT(Stamps(), added);
    EXPECT_TRUE(Traced(c.trace));
    // No unnamed shape stays behind.
    for (const auto& story : AllStories(*doc)) EXPECT_TRUE(story->shapes.empty());
    CSimFaults::Instance().Clear();
  }
}

TEST_F(WordFailurePaths, AFailedStampingLeavesSavedAloneButRestoresScreenUpdating) {
  auto doc = MakeDocument(1);
  StartWith(doc);
  ASSERT_EQ(StampedMarks(), 1u);
  doc->saved = true;
  App().State().screenUpdatingTransitions.clear();
  // Document.Sections: read once by the removal (which deletes the old mark), then by the
  // stamping itself, which fails there.
  Fail(L"Document", L"Sections", E_FAIL, 2);
  Stamp();
  EXPECT_TRUE(Traced(
      "KalMsAddin.dll CMSWord::AddWordWatermarkOnActiveDocument get_Sections, hr = 0x80004005."));
  EXPECT_EQ(StampedMarks(), 0u);
  EXPECT_FALSE(doc->saved);  // Saved is restored only by a stamping that gets through
  EXPECT_EQ(App().State().screenUpdatingTransitions, (std::vector<bool>{false, true}));
  EXPECT_TRUE(App().State().screenUpdating);
  EXPECT_FALSE(Addin()->IsStamping());
}

TEST_F(WordFailurePaths, SectionLevelReadFailuresAnswerDamagedDocumentLevelOnesIntact) {
  struct Case {
    const wchar_t* kind;
    const wchar_t* member;
    int answer;
    const char* trace;
  };
  const Case cases[] = {
      {L"Section", L"Headers", 0,
       "CMSWord::CheckWordWatermarkBySection get_Headers, hr = 0x80004005."},
      {L"HeadersFooters", L"Item", 0,
       "CMSWord::CheckWordWatermarkBySection wdHeaderFooterPrimary, hr = 0x80004005."},
      {L"HeaderFooter", L"Shapes", 0,
       "CMSWord::CheckWordWatermarkBySection get_Shapes, hr = 0x80004005."},
      {L"Shapes", L"Count", 0,
       "CMSWord::CheckWordWatermarkBySection pShapes->get_Count, hr = 0x80004005."},
      {L"Shapes", L"Item", 0,
       "CMSWord::CheckWordWatermarkBySection pShapes->Item 1, hr = 0x80004005."},
      {L"Shape", L"Name", 0,
       "CMSWord::CheckWordWatermarkBySection pShape->get_Name 1, hr = 0x80004005."},
      {L"Application", L"ActiveDocument", 1,
       "CMSWord::CheckWordWatermark get_ActiveDocument, hr = 0x80004005."},
      {L"Document", L"Sections", 1, "CMSWord::CheckWordWatermark get_Sections, hr = 0x80004005."},
      {L"Sections", L"Count", 1, "CMSWord::CheckWordWatermark get_Count, hr = 0x80004005."},
      {L"Sections", L"Item", 1, "CMSWord::CheckWordWatermark Sections Item = 1, hr = 0x80004005."},
  };
  StartWith(MakeDocument(1));
  ASSERT_EQ(Check(), 1);
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.trace));
    Fail(c.kind, c.member);
    m_trace.Clear();
    EXPECT_EQ(Check(), c.answer);
    EXPECT_TRUE(Traced(c.trace));
    CSimFaults::Instance().Clear();
    EXPECT_EQ(Check(), 1);  // the mark itself is intact
  }
  // A document-level failure wins even over a damaged mark: nothing was inspected.
  Doc()->sections[0]->headers[0].story->shapes.at(0)->left = 7.0;
  EXPECT_EQ(Check(), 0);
  Fail(L"Document", L"Sections");
  EXPECT_EQ(Check(), 1);
}

TEST_F(WordFailurePaths, ARefusedProtectStillEndsTheRetries) {
  StartReadOnly(nullptr, false);
  m_trace.Clear();
  auto doc = App().AddDocument(MakeDocument(1), false);
  Fail(L"Document", L"Protect", kRefused, 0, L"This method or property is not available.");
  EXPECT_EQ(Addin()->ProtectDocument(App().DocumentObject(doc).Get()), 1);
  EXPECT_EQ(doc->protectionType, kNoProtection);
  EXPECT_TRUE(Traced("KalMsAddin.dll CMSWord Protect Succeed."));
  // The timer takes the same answer: it stops although the document is not protected.
  EXPECT_TRUE(PumpUntilTraced("KalMsAddin.dll CMSWord KillTimer Succeed."));
  EXPECT_EQ(doc->protectionType, kNoProtection);
}

TEST_F(WordFailurePaths, ComErrorLinesCarryTheSystemTextOfTheHResult) {
  // ProtectDocument reads Saved (call 1), protects, then sets Saved (call 2) with a throwing
  // put: its failure becomes the " _com_error : %s.\n" line.
  struct Case {
    HRESULT hr;
    const wchar_t* description;
    std::vector<std::string> lines;  // Windows' and Wine's texts where they differ
  };
  const Case cases[] = {
      {E_ACCESSDENIED,
       L"Word's own description",
       {"KalMsAddin.dll CMSWord::ProtectDocument _com_error : Access is denied..",
        "KalMsAddin.dll CMSWord::ProtectDocument _com_error : Access denied.."}},
      {static_cast<HRESULT>(0x80040200),
       L"",
       {"KalMsAddin.dll CMSWord::ProtectDocument _com_error : IDispatch error #0."}},
      {static_cast<HRESULT>(0x8004FFFF),
       L"x",
       {"KalMsAddin.dll CMSWord::ProtectDocument _com_error : IDispatch error #65023."}},
      {static_cast<HRESULT>(0x8FFF0001),
       L"",
       {"KalMsAddin.dll CMSWord::ProtectDocument _com_error : Unknown error 0x8FFF0001."}},
  };
  StartReadOnly(nullptr, false);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.lines[0]);
    auto doc = App().AddDocument(MakeDocument(1), false);
    doc->saved = true;
    CSimFaults::Instance().Clear();
    Fail(L"Document", L"Saved", c.hr, 2, c.description);
    m_trace.Clear();
    EXPECT_EQ(Addin()->ProtectDocument(App().DocumentObject(doc).Get()), 0);
    ASSERT_TRUE(Traced("ProtectDocument _com_error : "));
    bool found = false;
    for (const auto& line : m_trace.Lines())
      for (const auto& expected : c.lines)
        found =
            found || (line.size() >= expected.size() &&
                      line.compare(line.size() - expected.size(), expected.size(), expected) == 0);
    EXPECT_TRUE(found);
    EXPECT_FALSE(m_trace.Contains("Word's own description"));
  }
}

}  // namespace
}  // namespace kaltest
