// Verification of the Word watermark: is the header view open, and is every stamped shape
// still as the policy describes it. A damaged mark is repaired by the watermark timer, which
// stamps the whole document anew.
#include <string>

#include "core/automation.h"
#include "core/trace.h"
#include "word/ms_word.h"
#include "word/word_automation.h"

using kal::CVariant;
using kal::Dispatch;
using kal::word::EShapeCheck;
using kal::word::TryCallObj;
using kal::word::TryGetBool;
using kal::word::TryGetDouble;
using kal::word::TryGetLong;
using kal::word::TryGetObj;
using kal::word::TryGetString;

namespace {
constexpr long kSeekPrimaryHeader = 1;

bool EqualsIgnoringCase(const std::wstring& a, const std::wstring& b) {
  return ::lstrcmpiW(a.c_str(), b.c_str()) == 0;
}

int Trunc(double value) { return static_cast<int>(kal::word::TruncForCheck(value)); }
}  // namespace

int CMSWord::AtSeekViewPageHeader(IDispatch* application) {
  int result = 0;
  const Dispatch app(application);
  Dispatch window;
  Dispatch pane;
  Dispatch view;
  long seek = 0;
  HRESULT hr = TryGetObj(app, L"ActiveWindow", &window);
  if (FAILED(hr)) {
    TraceFmtW(L"KalMsAddin.dll CMSWord::AtSeekViewPageHeader get_ActiveWindow, hr = 0x%x.\n", hr);
  } else if (FAILED(hr = TryGetObj(window, L"ActivePane", &pane))) {
    TraceFmtW(L"KalMsAddin.dll CMSWord::AtSeekViewPageHeader get_ActivePane, hr = 0x%x.\n", hr);
  } else if (FAILED(hr = TryGetObj(pane, L"View", &view))) {
    TraceFmtW(L"KalMsAddin.dll CMSWord::AtSeekViewPageHeader get_View, hr = 0x%x.\n", hr);
  } else if (FAILED(hr = TryGetLong(view, L"SeekView", &seek))) {
    TraceFmtW(L"KalMsAddin.dll CMSWord::AtSeekViewPageHeader get_SeekView, hr = 0x%x.\n", hr);
  } else {
    TraceFmtW(L"KalMsAddin.dll AtSeekViewPageHeader SeekView = %d.\n", seek);
    result = seek == kSeekPrimaryHeader ? 1 : 0;
  }
  MarkNormalTemplateSaved();
  return result;
}

int CMSWord::CheckWordWatermark(IDispatch* application, const kal::word::CWordWatermarkParams& params) {
  int result = 1;
  try {
    const Dispatch app(application);
    Dispatch doc;
    HRESULT hr = TryGetObj(app, L"ActiveDocument", &doc);
    if (FAILED(hr)) {
      TraceFmtW(L"KalMsAddin.dll CMSWord::CheckWordWatermark get_ActiveDocument, hr = 0x%x.\n", hr);
      return 1;
    }
    bool tracking = false;
    if (SUCCEEDED(TryGetBool(doc, L"TrackRevisions", &tracking)) && tracking) {
      TraceW(L"CMSWord::CheckWordWatermark Document Track Revisions.");
      return 1;
    }
    Dispatch sections;
    hr = TryGetObj(doc, L"Sections", &sections);
    if (FAILED(hr)) {
      TraceFmtW(L"KalMsAddin.dll CMSWord::CheckWordWatermark get_Sections, hr = 0x%x.\n", hr);
      return 1;
    }
    long count = 0;
    hr = TryGetLong(sections, L"Count", &count);
    if (FAILED(hr)) {
      TraceFmtW(L"KalMsAddin.dll CMSWord::CheckWordWatermark get_Count, hr = 0x%x.\n", hr);
      return 1;
    }
    TraceFmtW(L"KalMsAddin.dll CMSWord::CheckWordWatermark Sections get_Count = %d.", count);
    for (long i = 1; i <= count; ++i) {
      Dispatch section;
      hr = TryCallObj(sections, L"Item", &section, i);
      if (FAILED(hr)) {
        TraceFmtW(L"KalMsAddin.dll CMSWord::CheckWordWatermark Sections Item = %d, hr = 0x%x.\n", i, hr);
        break;
      }
      // Linked headers hold one shape per section, so every header must hold `count` intact ones.
      if (CheckWordWatermarkBySection(section.Get(), params) < count) {
        result = 0;
        break;
      }
    }
  } catch (const kal::ComError& e) {
    TraceFmtW(L"KalMsAddin.dll CMSWord::CheckWordWatermark _com_error : %s.\n", e.Message());
  } catch (...) {
    TraceW(L"KalMsAddin.dll CMSWord::CheckWordWatermark Exception.\n");
  }
  MarkNormalTemplateSaved();
  return result;
}

int CMSWord::CheckWordWatermarkBySection(IDispatch* sectionObj, const kal::word::CWordWatermarkParams& params) {
  int n = 0;
  try {
    const Dispatch section(sectionObj);
    Dispatch headers;
    Dispatch primary;
    Dispatch shapes;
    long count = 0;
    HRESULT hr = TryGetObj(section, L"Headers", &headers);
    if (FAILED(hr)) {
      TraceFmtW(L"KalMsAddin.dll CMSWord::CheckWordWatermarkBySection get_Headers, hr = 0x%x.\n", hr);
    } else if (FAILED(hr = TryCallObj(headers, L"Item", &primary, 1))) {
      TraceFmtW(L"KalMsAddin.dll CMSWord::CheckWordWatermarkBySection wdHeaderFooterPrimary, hr = 0x%x.\n", hr);
    } else if (FAILED(hr = TryGetObj(primary, L"Shapes", &shapes))) {
      TraceFmtW(L"KalMsAddin.dll CMSWord::CheckWordWatermarkBySection get_Shapes, hr = 0x%x.\n", hr);
    } else if (FAILED(hr = TryGetLong(shapes, L"Count", &count)) || count == 0) {
      TraceFmtW(L"KalMsAddin.dll CMSWord::CheckWordWatermarkBySection pShapes->get_Count, hr = 0x%x.\n", hr);
    } else {
      TraceFmtW(L"KalMsAddin.dll CheckWordWatermarkBySection Shapes Count = %d.\n", count);
      for (long j = 1; j <= count; ++j) {
        Dispatch shape;
        hr = TryCallObj(shapes, L"Item", &shape, j);
        if (FAILED(hr)) {
          TraceFmtW(L"KalMsAddin.dll CMSWord::CheckWordWatermarkBySection pShapes->Item %d, hr = 0x%x.\n", j, hr);
          continue;
        }
        std::wstring name;
        hr = TryGetString(shape, L"Name", &name);
        if (FAILED(hr)) {
          TraceFmtW(L"KalMsAddin.dll CMSWord::CheckWordWatermarkBySection pShape->get_Name %d, hr = 0x%x.\n", j, hr);
          continue;
        }
        TraceFmtW(L"KalMsAddin.dll CheckWordWatermarkBySection Index = %d, shapeName = %s.\n", j, name.c_str());
        if (!kal::word::IsStampedWatermarkName(name)) continue;
        TraceFmtW(L"KalMsAddin.dll CheckWordWatermarkBySection shapeName = %s, Succeed.\n", name.c_str());
        if (ChkWordWatermarkOnShape(shape.Get(), params) == 1) ++n;
      }
    }
  } catch (const kal::ComError& e) {
    TraceFmtW(L"KalMsAddin.dll CMSWord::CheckWordWatermarkBySection _com_error : %s.\n", e.Message());
  } catch (...) {
    TraceW(L"KalMsAddin.dll CMSWord::CheckWordWatermarkBySection Exception.\n");
  }
  MarkNormalTemplateSaved();
  return n;
}

kal::word::CShapeFacts CMSWord::ReadShapeFacts(IDispatch* shapeObj) {
  // Read in check order, stopping at the first read that the next ones depend on.
  kal::word::CShapeFacts facts;
  const Dispatch shape(shapeObj);
  Dispatch textEffect;
  facts.hrText = TryGetObj(shape, L"TextEffect", &textEffect);
  if (SUCCEEDED(facts.hrText)) facts.hrText = TryGetString(textEffect, L"Text", &facts.text);
  facts.hrFontName = textEffect ? TryGetString(textEffect, L"FontName", &facts.fontName) : facts.hrText;
  facts.hrFontSize = textEffect ? TryGetDouble(textEffect, L"FontSize", &facts.fontSize) : facts.hrText;
  Dispatch fill;
  facts.hrFillVisible = TryGetObj(shape, L"Fill", &fill);
  if (SUCCEEDED(facts.hrFillVisible)) {
    long visible = 0;
    facts.hrFillVisible = TryGetLong(fill, L"Visible", &visible);
    facts.fillVisible = static_cast<int32_t>(visible);
    facts.hrTransparency = TryGetDouble(fill, L"Transparency", &facts.transparency);
    Dispatch foreColor;
    facts.hrRgb = TryGetObj(fill, L"ForeColor", &foreColor);
    long rgb = 0;
    if (SUCCEEDED(facts.hrRgb)) facts.hrRgb = TryGetLong(foreColor, L"RGB", &rgb);
    facts.rgb = static_cast<int32_t>(rgb);
  } else {
    facts.hrTransparency = facts.hrRgb = facts.hrFillVisible;
  }
  facts.hrRotation = TryGetDouble(shape, L"Rotation", &facts.rotation);
  facts.hrPosition = TryGetDouble(shape, L"Left", &facts.left);
  if (SUCCEEDED(facts.hrPosition)) facts.hrPosition = TryGetDouble(shape, L"Top", &facts.top);
  return facts;
}

int CMSWord::ChkWordWatermarkOnShape(IDispatch* shape, const kal::word::CWordWatermarkParams& params) {
  int result = 0;
  try {
    const kal::word::CShapeFacts facts = ReadShapeFacts(shape);
    switch (kal::word::JudgeShape(facts, params, &EqualsIgnoringCase)) {
      case EShapeCheck::kIntact:
        result = 1;
        break;
      case EShapeCheck::kText:
        TraceFmtW(L"***** KalMsAddin.dll CMSWord::ChkWordWatermarkOnShape Text Not match, Length = %d.\n",
                  static_cast<int>(facts.text.size()));
        break;
      case EShapeCheck::kFontName:
        TraceFmtW(L"***** KalMsAddin.dll CMSWord::ChkWordWatermarkOnShape FontName Not match, Length = %d.\n",
                  static_cast<int>(facts.fontName.size()));
        break;
      case EShapeCheck::kFontSize:
        TraceFmtW(L"***** KalMsAddin.dll CMSWord::ChkWordWatermarkOnShape FontSize Not match, %d - %d.\n",
                  Trunc(facts.fontSize), Trunc(params.fontSize));
        break;
      case EShapeCheck::kFillVisible:
        TraceFmtW(L"***** KalMsAddin.dll CMSWord::ChkWordWatermarkOnShape get_Visible, hr = 0x%x.\n",
                  facts.hrFillVisible);
        break;
      case EShapeCheck::kTransparency:
        TraceFmtW(L"***** KalMsAddin.dll CMSWord::ChkWordWatermarkOnShape get_Transparency, hr = 0x%x.\n",
                  facts.hrTransparency);
        break;
      case EShapeCheck::kColour:
        TraceFmtW(L"***** KalMsAddin.dll CMSWord::ChkWordWatermarkOnShape get_RGB, hr = 0x%x.\n", facts.hrRgb);
        break;
      case EShapeCheck::kRotation:
        TraceFmtW(L"***** KalMsAddin.dll CMSWord::ChkWordWatermarkOnShape get_Rotation Not match, %d - %d.\n",
                  Trunc(facts.rotation), Trunc(kal::word::RotationFor(params.diagonal)));
        break;
      case EShapeCheck::kPositionUnread:
        TraceFmtW(L"KalMsAddin.dll CMSWord::ChkWordWatermarkOnShape get_Left or get_Top, %d - %d.\n",
                  Trunc(facts.left), Trunc(facts.top));
        break;
      case EShapeCheck::kPositionMoved:
        TraceFmtW(L"***** KalMsAddin.dll CMSWord::ChkWordWatermarkOnShape get_Left or get_Top moved, %d - %d.\n",
                  Trunc(facts.left), Trunc(facts.top));
        break;
    }
  } catch (const kal::ComError& e) {
    TraceFmtW(L"KalMsAddin.dll CMSWord::ChkWordWatermarkOnShape _com_error : %s.\n", e.Message());
  } catch (...) {
    TraceW(L"KalMsAddin.dll CMSWord::ChkWordWatermarkOnShape Exception.\n");
  }
  MarkNormalTemplateSaved();
  return result;
}
