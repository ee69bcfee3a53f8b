// The Word add-in's pure rules: ribbon XML, shape names and prefixes, version scan and the
// verdict over a stamped shape's read-back values.
#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <limits>

#include "core/office_version.h"
#include "word/word_rules.h"

using namespace kal::word;

namespace {
bool IgnoreCase(const std::wstring& a, const std::wstring& b) { return ::lstrcmpiW(a.c_str(), b.c_str()) == 0; }
const double kNaN = std::numeric_limits<double>::quiet_NaN();
const int32_t kFailed = static_cast<int32_t>(0x80004005);

CWordWatermarkParams Expected() {
  CWordWatermarkParams p;
  p.text = L"Secret\n2026-12-05&alice&E1";  // composed with LF
  p.fontName = L"Arial";
  p.fontSize = 36.7f;
  p.colour = 16711680.0f;  // "0,0,255"
  p.transparency = 128.0f;
  p.diagonal = true;
  return p;
}

// The facts an untouched stamp reads back: Word gives the line break back as its paragraph mark.
CShapeFacts Intact() {
  CShapeFacts f;
  f.hrText = f.hrFontName = f.hrFontSize = f.hrFillVisible = f.hrTransparency = f.hrRgb = 0;
  f.hrRotation = f.hrPosition = 0;
  f.text = L"Secret\r2026-12-05&alice&E1";
  f.fontName = L"Arial";
  f.fontSize = 36.0;
  f.fillVisible = -1;
  f.transparency = 128 / 255.0;
  f.rgb = 16711680;
  f.rotation = 315.0;
  f.left = f.top = -999995.0;
  return f;
}
}  // namespace

TEST(WordRibbonXml, IsTheNinePiecesInOrderWithThePublishedNamespace) {
  EXPECT_EQ(BuildWordRibbonXml(),
            L"<customUI xmlns=\"http://schemas.microsoft.com/office/2006/01/customui\">"
            L"<commands>"
            L"<command idMso=\"WatermarkCustomDialog\" enabled=\"false\"/>"
            L"<command idMso=\"WatermarkRemove\" enabled=\"false\"/>"
            L"<command idMso=\"WatermarkGallery\" enabled=\"false\"/>"
            L"<command idMso=\"CustomWatermarkGallery\" enabled=\"false\"/>"
            L"<command idMso=\"SaveSelectionToWaterMarkGallery\" enabled=\"false\"/>"
            L"</commands></customUI>");
}

TEST(WordShapeNames, TwoDigitSectionNumbersAndWiderAbove99) {
  for (auto [n, name] : {std::pair<int, const wchar_t*>{1, L"01"}, {7, L"07"}, {12, L"12"}, {100, L"100"}})
    EXPECT_EQ(MakeWatermarkShapeName(n), std::wstring(L"PowerPlusWaterMarkObject4B414C") + name);
}

TEST(WordShapeNames, RemovalKnowsFourCaseSensitivePrefixesVerificationOnlyTheStamp) {
  struct Case {
    const wchar_t* name;
    bool removable, stamped;
  };
  // Eight characters with the blank: "WordArt2" and other cases do not match.
  for (const Case& c : std::initializer_list<Case>{{L"LumiCoreWatermark", true, false},
                                                   {L"LumiCoreWatermark7", true, false},
                                                   {L"PowerPlusWaterMarkObject-3", true, false},
                                                   {L"PowerPlusWaterMarkObject4B414C01", true, true},
                                                   {L"PowerPlusWaterMarkObject4B414C99", true, true},
                                                   {L"WordArt 2", true, false},
                                                   {L"WordArt ", true, false},
                                                   {L"WordArt2", false, false},
                                                   {L"wordart 2", false, false},
                                                   {L"lumicorewatermark", false, false},
                                                   {L"PowerPlusWaterMarkObject4b414c01", false, false},
                                                   {L"PowerPlusWaterMarkObject4B414", false, false},
                                                   {L"PowerPlusWaterMarkObject", false, false},
                                                   {L"Logo", false, false},
                                                   {L"", false, false},
                                                   {L"My WordArt 2", false, false}}) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(c.name)));
    EXPECT_EQ(IsRemovableWatermarkName(c.name), c.removable);
    EXPECT_EQ(IsStampedWatermarkName(c.name), c.stamped);
  }
}

TEST(WordVersion, ScansMajorAndMinor) {
  struct Case {
    const wchar_t* text;
    int major, minor;
    bool ribbon;
  };
  for (const Case& c : std::initializer_list<Case>{{L"11.0", 11, 0, false}, {L"16.0", 16, 0, true},
                                                   {L"12.5", 12, 5, true}, {L"9", 9, 0, false}}) {
    int major = -1, minor = -1;
    ASSERT_TRUE(kal::ParseOfficeVersion(c.text, &major, &minor)) << c.major;
    EXPECT_EQ(major, c.major);
    EXPECT_EQ(minor, c.minor);
    EXPECT_EQ(IsRibbonHostVersion(major), c.ribbon) << c.major;
  }
  int major = -1, minor = -1;
  EXPECT_FALSE(kal::ParseOfficeVersion(L"", &major, &minor));
  EXPECT_FALSE(kal::ParseOfficeVersion(L"Word", &major, &minor));
}

TEST(WordWatermarkForms, TransparencyRotationAndColour) {
  EXPECT_NEAR(FillTransparencyFor(128.0f), 0.502, 0.001);
  EXPECT_DOUBLE_EQ(FillTransparencyFor(255.0f), 1.0);
  EXPECT_DOUBLE_EQ(RotationFor(true), 315.0);
  EXPECT_DOUBLE_EQ(RotationFor(false), 0.0);
  EXPECT_EQ(RgbFor(16711680.0f), 16711680);
  EXPECT_EQ(RgbFor(1000.75f), 1000);  // truncated, not rounded
}

// Each case changes the intact facts and names the verdict; the first failure in check
// order wins when several facts differ.
TEST(WordShapeVerdict, EachReadBackFactDecidesAsItShould) {
  struct Case {
    const char* what;
    std::function<void(CShapeFacts&)> change;
    EShapeCheck verdict;
  };
  const std::vector<Case> cases = {
      {"intact", [](CShapeFacts&) {}, EShapeCheck::kIntact},
      {"text case", [](CShapeFacts& f) { f.text = L"SECRET\r2026-12-05&ALICE&e1"; }, EShapeCheck::kIntact},
      {"break LF", [](CShapeFacts& f) { f.text = L"Secret\n2026-12-05&alice&E1"; }, EShapeCheck::kIntact},
      {"break CRLF", [](CShapeFacts& f) { f.text = L"Secret\r\n2026-12-05&alice&E1"; }, EShapeCheck::kIntact},
      {"break VT", [](CShapeFacts& f) { f.text = L"Secret\v2026-12-05&alice&E1"; }, EShapeCheck::kIntact},
      {"two breaks", [](CShapeFacts& f) { f.text = L"Secret\r\r2026-12-05&alice&E1"; }, EShapeCheck::kText},
      {"LF CR is two", [](CShapeFacts& f) { f.text = L"Secret\n\r2026-12-05&alice&E1"; }, EShapeCheck::kText},
      {"break lost", [](CShapeFacts& f) { f.text = L"Secret2026-12-05&alice&E1"; }, EShapeCheck::kText},
      {"break as blank", [](CShapeFacts& f) { f.text = L"Secret 2026-12-05&alice&E1"; }, EShapeCheck::kText},
      {"text", [](CShapeFacts& f) { f.text = L"Secret\r2026-12-05&alice&E2"; }, EShapeCheck::kText},
      {"text unread", [](CShapeFacts& f) { f.hrText = static_cast<int32_t>(0x80020003); }, EShapeCheck::kText},
      {"font case", [](CShapeFacts& f) { f.fontName = L"arial"; }, EShapeCheck::kIntact},
      {"font", [](CShapeFacts& f) { f.fontName = L"Times New Roman"; }, EShapeCheck::kFontName},
      {"size 36.99 vs 36.7", [](CShapeFacts& f) { f.fontSize = 36.99; }, EShapeCheck::kIntact},
      {"size 37", [](CShapeFacts& f) { f.fontSize = 37.0; }, EShapeCheck::kFontSize},
      {"size NaN", [](CShapeFacts& f) { f.fontSize = kNaN; }, EShapeCheck::kFontSize},
      {"fill 1", [](CShapeFacts& f) { f.fillVisible = 1; }, EShapeCheck::kFillVisible},
      {"fill 0", [](CShapeFacts& f) { f.fillVisible = 0; }, EShapeCheck::kFillVisible},
      {"transparency 0.9", [](CShapeFacts& f) { f.transparency = 0.9; }, EShapeCheck::kIntact},
      {"transparency 1", [](CShapeFacts& f) { f.transparency = 1.0; }, EShapeCheck::kTransparency},
      {"transparency unread", [](CShapeFacts& f) { f.hrTransparency = kFailed; }, EShapeCheck::kTransparency},
      {"colour", [](CShapeFacts& f) { f.rgb = 255; }, EShapeCheck::kColour},
      {"rotation 315.9", [](CShapeFacts& f) { f.rotation = 315.9; }, EShapeCheck::kIntact},
      {"rotation 0", [](CShapeFacts& f) { f.rotation = 0.0; }, EShapeCheck::kRotation},
      {"left dragged", [](CShapeFacts& f) { f.left += 0.5; }, EShapeCheck::kPositionMoved},
      {"top NaN", [](CShapeFacts& f) { f.top = kNaN; }, EShapeCheck::kPositionMoved},
      {"position unread", [](CShapeFacts& f) { f.hrPosition = kFailed; }, EShapeCheck::kPositionUnread},
      {"size before colour", [](CShapeFacts& f) { f.left = 10.0, f.rgb = 0, f.fontSize = 12.0; },
       EShapeCheck::kFontSize},
      {"colour before position", [](CShapeFacts& f) { f.left = 10.0, f.rgb = 0; }, EShapeCheck::kColour},
  };
  for (const auto& c : cases) {
    CShapeFacts f = Intact();
    c.change(f);
    EXPECT_EQ(JudgeShape(f, Expected(), &IgnoreCase), c.verdict) << c.what;
  }
  // An empty text never passes, even against an empty expectation.
  CShapeFacts f = Intact();
  f.text.clear();
  CWordWatermarkParams empty = Expected();
  empty.text.clear();
  EXPECT_EQ(JudgeShape(f, empty, &IgnoreCase), EShapeCheck::kText);
}

TEST(WordShapeVerdict, TruncationGuardsHugeValues) {
  EXPECT_EQ(TruncForCheck(1e300), std::numeric_limits<int32_t>::min());
  EXPECT_EQ(TruncForCheck(-7.9), -7);
  EXPECT_FALSE(SameIntegerPart(1e300, 1e300));
  EXPECT_TRUE(SameIntegerPart(0.1, 0.9));
}
