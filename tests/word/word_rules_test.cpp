// The Word add-in's pure rules: ribbon XML, shape names and prefixes, version scan and the
// verdict over a stamped shape's read-back values.
#include <gtest/gtest.h>
#include <windows.h>

#include <cmath>
#include <limits>

#include "word/word_rules.h"

using namespace kal::word;

namespace {
bool IgnoreCase(const std::wstring& a, const std::wstring& b) { return ::lstrcmpiW(a.c_str(), b.c_str()) == 0; }

CWordWatermarkParams Expected() {
  CWordWatermarkParams p;
  p.text = L"Secret\r2026-12-05&alice&E1";
  p.fontName = L"Arial";
  p.fontSize = 36.7f;
  p.colour = 16711680.0f;  // "0,0,255"
  p.transparency = 128.0f;
  p.diagonal = true;
  return p;
}

// The facts an untouched stamp reads back.
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
  f.left = -999995.0;
  f.top = -999995.0;
  return f;
}
}  // namespace

TEST(WordRibbonXml, IsTheNinePiecesInOrderWithThePublishedNamespace) {
  const std::wstring xml = BuildWordRibbonXml();
  EXPECT_EQ(xml,
            L"<customUI xmlns=\"http://schemas.microsoft.com/office/2006/01/customui\">"
            L"<commands>"
            L"<command idMso=\"WatermarkCustomDialog\" enabled=\"false\"/>"
            L"<command idMso=\"WatermarkRemove\" enabled=\"false\"/>"
            L"<command idMso=\"WatermarkGallery\" enabled=\"false\"/>"
            L"<command idMso=\"CustomWatermarkGallery\" enabled=\"false\"/>"
            L"<command idMso=\"SaveSelectionToWaterMarkGallery\" enabled=\"false\"/>"
            L"</commands></customUI>");
  EXPECT_EQ(xml.find(L'\n'), std::wstring::npos);
}

TEST(WordShapeNames, TwoDigitSectionNumbersAndWiderAbove99) {
  EXPECT_EQ(MakeWatermarkShapeName(1), L"PowerPlusWaterMarkObject4B414C01");
  EXPECT_EQ(MakeWatermarkShapeName(7), L"PowerPlusWaterMarkObject4B414C07");
  EXPECT_EQ(MakeWatermarkShapeName(12), L"PowerPlusWaterMarkObject4B414C12");
  EXPECT_EQ(MakeWatermarkShapeName(100), L"PowerPlusWaterMarkObject4B414C100");
}

TEST(WordShapeNames, RemovalKnowsFourCaseSensitivePrefixes) {
  EXPECT_TRUE(IsRemovableWatermarkName(L"LumiCoreWatermark"));
  EXPECT_TRUE(IsRemovableWatermarkName(L"LumiCoreWatermark7"));
  EXPECT_TRUE(IsRemovableWatermarkName(L"PowerPlusWaterMarkObject-3"));
  EXPECT_TRUE(IsRemovableWatermarkName(L"PowerPlusWaterMarkObject4B414C01"));
  EXPECT_TRUE(IsRemovableWatermarkName(L"WordArt 2"));
  EXPECT_TRUE(IsRemovableWatermarkName(L"WordArt "));
  // Eight characters with the blank: "WordArt2" and other cases do not match.
  EXPECT_FALSE(IsRemovableWatermarkName(L"WordArt2"));
  EXPECT_FALSE(IsRemovableWatermarkName(L"wordart 2"));
  EXPECT_FALSE(IsRemovableWatermarkName(L"lumicorewatermark"));
  EXPECT_FALSE(IsRemovableWatermarkName(L"PowerPlusWaterMarkObject4b414c01"));
  EXPECT_FALSE(IsRemovableWatermarkName(L"PowerPlusWaterMarkObject"));  // shorter than any prefix
  EXPECT_FALSE(IsRemovableWatermarkName(L"Logo"));
  EXPECT_FALSE(IsRemovableWatermarkName(L""));
  EXPECT_FALSE(IsRemovableWatermarkName(L"My WordArt 2"));
}

TEST(WordShapeNames, VerificationKnowsOnlyTheStampPrefix) {
  EXPECT_TRUE(IsStampedWatermarkName(L"PowerPlusWaterMarkObject4B414C03"));
  EXPECT_TRUE(IsStampedWatermarkName(L"PowerPlusWaterMarkObject4B414C99"));
  EXPECT_FALSE(IsStampedWatermarkName(L"PowerPlusWaterMarkObject-1"));
  EXPECT_FALSE(IsStampedWatermarkName(L"WordArt 1"));
  EXPECT_FALSE(IsStampedWatermarkName(L"LumiCoreWatermark"));
  EXPECT_FALSE(IsStampedWatermarkName(L"PowerPlusWaterMarkObject4B414"));
}

TEST(WordVersion, ScansMajorAndMinor) {
  int major = -1, minor = -1;
  ASSERT_TRUE(ParseWordVersion(L"11.0", &major, &minor));
  EXPECT_EQ(major, 11);
  EXPECT_EQ(minor, 0);
  EXPECT_FALSE(IsRibbonHostVersion(major));
  ASSERT_TRUE(ParseWordVersion(L"16.0", &major, &minor));
  EXPECT_TRUE(IsRibbonHostVersion(major));
  ASSERT_TRUE(ParseWordVersion(L"12.5", &major, &minor));
  EXPECT_EQ(minor, 5);
  EXPECT_TRUE(IsRibbonHostVersion(major));
  ASSERT_TRUE(ParseWordVersion(L"9", &major, &minor));
  EXPECT_EQ(major, 9);
  EXPECT_EQ(minor, 0);
  EXPECT_FALSE(ParseWordVersion(L"", &major, &minor));
  EXPECT_FALSE(ParseWordVersion(L"Word", &major, &minor));
}

TEST(WordWatermarkForms, TransparencyRotationAndColour) {
  EXPECT_NEAR(FillTransparencyFor(128.0f), 0.502, 0.001);
  EXPECT_DOUBLE_EQ(FillTransparencyFor(255.0f), 1.0);
  EXPECT_DOUBLE_EQ(RotationFor(true), 315.0);
  EXPECT_DOUBLE_EQ(RotationFor(false), 0.0);
  EXPECT_EQ(RgbFor(16711680.0f), 16711680);
  EXPECT_EQ(RgbFor(1000.75f), 1000);  // truncated, not rounded
}

TEST(WordShapeVerdict, IntactStampPasses) {
  EXPECT_EQ(JudgeShape(Intact(), Expected(), &IgnoreCase), EShapeCheck::kIntact);
}

TEST(WordShapeVerdict, TextComparedIgnoringCaseButNotEmptyOrUnread) {
  CShapeFacts f = Intact();
  f.text = L"SECRET\r2026-12-05&ALICE&e1";
  EXPECT_EQ(JudgeShape(f, Expected(), &IgnoreCase), EShapeCheck::kIntact);
  f.text = L"Secret\r2026-12-05&alice&E2";
  EXPECT_EQ(JudgeShape(f, Expected(), &IgnoreCase), EShapeCheck::kText);
  f = Intact();
  f.text.clear();
  CWordWatermarkParams empty = Expected();
  empty.text.clear();
  EXPECT_EQ(JudgeShape(f, empty, &IgnoreCase), EShapeCheck::kText);  // empty never passes
  f = Intact();
  f.hrText = static_cast<int32_t>(0x80020003);
  EXPECT_EQ(JudgeShape(f, Expected(), &IgnoreCase), EShapeCheck::kText);
}

TEST(WordShapeVerdict, FontNameAndSizeTruncation) {
  CShapeFacts f = Intact();
  f.fontName = L"arial";
  EXPECT_EQ(JudgeShape(f, Expected(), &IgnoreCase), EShapeCheck::kIntact);
  f.fontName = L"Times New Roman";
  EXPECT_EQ(JudgeShape(f, Expected(), &IgnoreCase), EShapeCheck::kFontName);
  f = Intact();
  f.fontSize = 36.99;  // 36 against 36.7: both truncate to 36
  EXPECT_EQ(JudgeShape(f, Expected(), &IgnoreCase), EShapeCheck::kIntact);
  f.fontSize = 37.0;
  EXPECT_EQ(JudgeShape(f, Expected(), &IgnoreCase), EShapeCheck::kFontSize);
  f.fontSize = std::numeric_limits<double>::quiet_NaN();
  EXPECT_EQ(JudgeShape(f, Expected(), &IgnoreCase), EShapeCheck::kFontSize);
}

TEST(WordShapeVerdict, FillVisibleMustBeMsoTrue) {
  CShapeFacts f = Intact();
  f.fillVisible = 1;
  EXPECT_EQ(JudgeShape(f, Expected(), &IgnoreCase), EShapeCheck::kFillVisible);
  f.fillVisible = 0;
  EXPECT_EQ(JudgeShape(f, Expected(), &IgnoreCase), EShapeCheck::kFillVisible);
}

TEST(WordShapeVerdict, TransparencyComparedByIntegerPart) {
  CShapeFacts f = Intact();
  f.transparency = 0.9;  // from 0.5 to 0.9: still 0
  EXPECT_EQ(JudgeShape(f, Expected(), &IgnoreCase), EShapeCheck::kIntact);
  f.transparency = 1.0;
  EXPECT_EQ(JudgeShape(f, Expected(), &IgnoreCase), EShapeCheck::kTransparency);
  f = Intact();
  f.hrTransparency = static_cast<int32_t>(0x80004005);
  EXPECT_EQ(JudgeShape(f, Expected(), &IgnoreCase), EShapeCheck::kTransparency);
}

TEST(WordShapeVerdict, ColourRotationAndPosition) {
  CShapeFacts f = Intact();
  f.rgb = 255;
  EXPECT_EQ(JudgeShape(f, Expected(), &IgnoreCase), EShapeCheck::kColour);
  f = Intact();
  f.rotation = 315.9;
  EXPECT_EQ(JudgeShape(f, Expected(), &IgnoreCase), EShapeCheck::kIntact);
  f.rotation = 0.0;
  EXPECT_EQ(JudgeShape(f, Expected(), &IgnoreCase), EShapeCheck::kRotation);
  f = Intact();
  f.left = -999995.0 + 0.5;  // any drag leaves the centre sentinel
  EXPECT_EQ(JudgeShape(f, Expected(), &IgnoreCase), EShapeCheck::kPositionMoved);
  f = Intact();
  f.top = std::numeric_limits<double>::quiet_NaN();
  EXPECT_EQ(JudgeShape(f, Expected(), &IgnoreCase), EShapeCheck::kPositionMoved);
  f = Intact();
  f.hrPosition = static_cast<int32_t>(0x80004005);
  EXPECT_EQ(JudgeShape(f, Expected(), &IgnoreCase), EShapeCheck::kPositionUnread);
}

TEST(WordShapeVerdict, FirstFailureInCheckOrderWins) {
  CShapeFacts f = Intact();
  f.left = 10.0;
  f.rgb = 0;
  f.fontSize = 12.0;
  EXPECT_EQ(JudgeShape(f, Expected(), &IgnoreCase), EShapeCheck::kFontSize);
  f.fontSize = 36.0;
  EXPECT_EQ(JudgeShape(f, Expected(), &IgnoreCase), EShapeCheck::kColour);
}

TEST(WordShapeVerdict, TruncationGuardsHugeValues) {
  EXPECT_EQ(TruncForCheck(1e300), std::numeric_limits<int32_t>::min());
  EXPECT_EQ(TruncForCheck(-7.9), -7);
  EXPECT_FALSE(SameIntegerPart(1e300, 1e300));
  EXPECT_TRUE(SameIntegerPart(0.1, 0.9));
}
