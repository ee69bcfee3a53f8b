// Pure rules of the Word add-in: ribbon XML, shape names and prefixes, version scan and the
// verdict over a stamped shape's read-back values.
#include "word/word_rules.h"

#include <cmath>
#include <cstdio>
#include <cwchar>
#include <limits>

namespace kal::word {

const wchar_t kStampPrefix[] = L"PowerPlusWaterMarkObject4B414C";

namespace {

// The four prefixes that the removal recognises; the stamp prefix is the third.
const wchar_t* const kRemovablePrefixes[] = {
    L"LumiCoreWatermark",
    L"PowerPlusWaterMarkObject-",
    kStampPrefix,
    L"WordArt ",
};

// Prefix lengths, computed once when the module starts.
struct CPrefixLengths {
  size_t lengths[4];
  CPrefixLengths() {
    for (size_t i = 0; i < 4; ++i) lengths[i] = std::wcslen(kRemovablePrefixes[i]);
  }
};
const CPrefixLengths g_prefixLengths;

bool StartsWith(const std::wstring& name, const wchar_t* prefix, size_t length) {
  return name.size() >= length && name.compare(0, length, prefix, length) == 0;
}

}  // namespace

std::wstring BuildWordRibbonXml() {
  static const wchar_t* const kPieces[] = {
      L"<customUI xmlns=\"http://schemas.microsoft.com/office/2006/01/customui\">",
      L"<commands>",
      L"<command idMso=\"WatermarkCustomDialog\" enabled=\"false\"/>",
      L"<command idMso=\"WatermarkRemove\" enabled=\"false\"/>",
      L"<command idMso=\"WatermarkGallery\" enabled=\"false\"/>",
      L"<command idMso=\"CustomWatermarkGallery\" enabled=\"false\"/>",
      L"<command idMso=\"SaveSelectionToWaterMarkGallery\" enabled=\"false\"/>",
      L"</commands>",
      L"</customUI>",
  };
  std::wstring xml;
  for (const wchar_t* piece : kPieces) xml += piece;
  return xml;
}

std::wstring MakeWatermarkShapeName(int sectionIndex) {
  wchar_t buffer[96] = {};
  std::swprintf(buffer, sizeof(buffer) / sizeof(buffer[0]), L"%ls%02d", kStampPrefix, sectionIndex);
  return buffer;
}

bool IsRemovableWatermarkName(const std::wstring& name) {
  for (size_t i = 0; i < 4; ++i) {
    if (StartsWith(name, kRemovablePrefixes[i], g_prefixLengths.lengths[i])) return true;
  }
  return false;
}

bool IsStampedWatermarkName(const std::wstring& name) {
  return StartsWith(name, kStampPrefix, g_prefixLengths.lengths[2]);
}

double FillTransparencyFor(float transparency) { return transparency / 255.0; }

double RotationFor(bool diagonal) { return diagonal ? 315.0 : 0.0; }

int32_t RgbFor(float colour) { return TruncForCheck(colour); }

int32_t TruncForCheck(double value) {
  if (!(value > -2147483648.0 && value < 2147483648.0)) {
    return std::numeric_limits<int32_t>::min();
  }
  return static_cast<int32_t>(value);
}

bool SameIntegerPart(double a, double b) {
  const int32_t ta = TruncForCheck(a);
  const int32_t tb = TruncForCheck(b);
  return ta != std::numeric_limits<int32_t>::min() && ta == tb;
}

std::wstring NormalizeLineBreaks(const std::wstring& text) {
  std::wstring out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const wchar_t ch = text[i];
    if (ch == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n') ++i;  // CRLF is one break
    out.push_back(ch == L'\n' || ch == L'\v' ? L'\r' : ch);
  }
  return out;
}

EShapeCheck JudgeShape(const CShapeFacts& facts, const CWordWatermarkParams& expected,
                       TextEqualsFn equalsIgnoringCase) {
  if (facts.hrText < 0 || facts.text.empty() ||
      !equalsIgnoringCase(NormalizeLineBreaks(facts.text), NormalizeLineBreaks(expected.text))) {
    return EShapeCheck::kText;
  }
  if (facts.hrFontName < 0 || facts.fontName.empty() ||
      !equalsIgnoringCase(facts.fontName, expected.fontName)) {
    return EShapeCheck::kFontName;
  }
  if (facts.hrFontSize < 0 || !SameIntegerPart(facts.fontSize, expected.fontSize)) {
    return EShapeCheck::kFontSize;
  }
  if (facts.hrFillVisible < 0 || facts.fillVisible != -1) return EShapeCheck::kFillVisible;
  if (facts.hrTransparency < 0 ||
      !SameIntegerPart(facts.transparency, FillTransparencyFor(expected.transparency))) {
    return EShapeCheck::kTransparency;
  }
  if (facts.hrRgb < 0 || facts.rgb != RgbFor(expected.colour)) return EShapeCheck::kColour;
  if (facts.hrRotation < 0 || !SameIntegerPart(facts.rotation, RotationFor(expected.diagonal))) {
    return EShapeCheck::kRotation;
  }
  if (facts.hrPosition < 0) return EShapeCheck::kPositionUnread;
  // Exact comparison on purpose: wdShapeCenter is a sentinel, not a measured position.
  if (!(facts.left == -999995.0) || !(facts.top == -999995.0)) return EShapeCheck::kPositionMoved;
  return EShapeCheck::kIntact;
}

}  // namespace kal::word
