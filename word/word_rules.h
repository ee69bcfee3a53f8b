// Pure rules of the Word add-in, free of COM: the ribbon XML, the watermark shape names and
// the prefixes that recognise them, the ribbon-host version rule, and the verdict over the values
// read back from a stamped shape. The COM glue gathers facts and applies these results.
#pragma once
#include <cstdint>
#include <string>

namespace kal::word {

// Prefix given to every shape the add-in stamps; the only one verification recognises.
extern const wchar_t kStampPrefix[];

// The ribbon XML that disables Word's five watermark commands, as one string.
std::wstring BuildWordRibbonXml();

// "%s%02d" of the stamp prefix and the 1-based section number.
std::wstring MakeWatermarkShapeName(int sectionIndex);

// True when the name begins with one of the four prefixes the removal knows (compared
// case-sensitively over each prefix's own length).
bool IsRemovableWatermarkName(const std::wstring& name);
// True when the name begins with the stamp prefix (case-sensitive).
bool IsStampedWatermarkName(const std::wstring& name);

// Ribbon hosts are Word 12 (2007) and later.
inline bool IsRibbonHostVersion(int major) { return major >= 12; }

// The watermark as the policy describes it, in the forms the stamping and the check use.
struct CWordWatermarkParams {
  std::wstring text;
  std::wstring fontName;
  float fontSize = 0.0f;
  float colour = 0.0f;        // R + 256 G + 65536 B, carried as a float
  float transparency = 0.0f;  // 0 (opaque) .. 255 (invisible)
  bool diagonal = false;      // rotated to 315 degrees
};

// Fill.Transparency for a policy transparency (0..255).
double FillTransparencyFor(float transparency);
// Shape.Rotation for the slant flag.
double RotationFor(bool diagonal);
// The colour as Fill.ForeColor.RGB takes it (truncated).
int32_t RgbFor(float colour);

// What was read back from one shape, in check order. A read that failed carries its
// HRESULT (negative) in the matching hr field and leaves the value alone.
struct CShapeFacts {
  int32_t hrText = -1;  // TextEffect.Text (includes reading TextEffect)
  std::wstring text;
  int32_t hrFontName = -1;
  std::wstring fontName;
  int32_t hrFontSize = -1;
  double fontSize = 0.0;
  int32_t hrFillVisible = -1;  // Fill.Visible (includes reading Fill)
  int32_t fillVisible = 0;
  int32_t hrTransparency = -1;
  double transparency = 0.0;
  int32_t hrRgb = -1;  // Fill.ForeColor.RGB
  int32_t rgb = 0;
  int32_t hrRotation = -1;
  double rotation = 0.0;
  int32_t hrPosition = -1;  // Left and Top
  double left = 0.0;
  double top = 0.0;
};

// The first check that failed, or kIntact.
enum class EShapeCheck {
  kIntact,
  kText,
  kFontName,
  kFontSize,
  kFillVisible,
  kTransparency,
  kColour,
  kRotation,
  kPositionUnread,
  kPositionMoved,
};

// Case-insensitive text equality by the platform's rules (lstrcmpiW); supplied by the caller
// so the verdict stays free of windows.h.
using TextEqualsFn = bool (*)(const std::wstring& a, const std::wstring& b);

// The text with every line break (CR, LF, CRLF, vertical tab) written as one CR. Word may read
// a written LF back as its paragraph mark CR, and a manual line break is VT.
std::wstring NormalizeLineBreaks(const std::wstring& text);

// Runs the checks in order and stops at the first failure. Texts compare with their line
// breaks normalised, so a two-line mark read back with other breaks is still the same text.
EShapeCheck JudgeShape(const CShapeFacts& facts, const CWordWatermarkParams& expected,
                       TextEqualsFn equalsIgnoringCase);

// Integer part for the check's comparisons; out-of-range values and NaN give INT32_MIN so
// they never equal a sane value (and never overflow the cast).
int32_t TruncForCheck(double value);
// True when both integer parts are equal and neither value is unusable.
bool SameIntegerPart(double a, double b);

}  // namespace kal::word
