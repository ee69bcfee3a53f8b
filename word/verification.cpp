// Verification of the Word watermark: is the header view open, and is every stamped shape
// still as the policy describes it. A damaged mark is repaired by the watermark timer, which
// stamps the whole document anew.
#include <functional>
#include <string>

#include "core/automation.h"
#include "core/automation_try.h"
#include "core/trace.h"
#include "word/ms_word.h"

using kal::CVariant;
using kal::Dispatch;
using kal::word::EShapeCheck;
using kal::TryCallObj;
using kal::TryGetBool;
using kal::TryGetDouble;
using kal::TryGetLong;
using kal::TryGetObj;
using kal::TryGetString;

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
  // Every section's header answers with the document's one collection of header and footer
  // shapes, so a walk per section would read the same shapes once per section: quadratic in
  // the sections, and every read holds Word's user-interface thread. The shapes are read in
  // the first walk and replayed for the sections after it (see CheckSection).
  CCheckMemory memory;
  return CheckEverySection(application, [&](IDispatch* section) { return CheckSection(section, params, &memory); });
}

int CMSWord::CheckEverySection(IDispatch* application, const std::function<int(IDispatch*)>& bySection) {
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
      if (bySection(section.Get()) < count) {
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

int CMSWord::CheckWordWatermarkBySection(IDispatch* section, const kal::word::CWordWatermarkParams& params) {
  return CheckSection(section, params, nullptr);
}

int CMSWord::CheckSection(IDispatch* sectionObj, const kal::word::CWordWatermarkParams& params,
                          CCheckMemory* memory) {
  int n = 0;
  try {
    // The section's own reads are always made: each of them can fail for this section alone.
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
      if (memory && memory->walked && memory->count == count) {
        // The document's collection again, within one check that only reads: the same shapes at
        // the same indexes with the same properties. Their lines and verdicts are replayed.
        for (long j = 1; j <= count; ++j) n += ReportShapeVisit(j, memory->visits[j - 1], params, memory);
      } else {
        std::vector<CShapeVisit> visits;
        visits.reserve(static_cast<size_t>(count));
        for (long j = 1; j <= count; ++j) {
          CShapeVisit visit;
          Dispatch shape;
          visit.hrItem = TryCallObj(shapes, L"Item", &shape, j);
          if (SUCCEEDED(visit.hrItem)) visit.hrName = TryGetString(shape, L"Name", &visit.name);
          if (SUCCEEDED(visit.hrItem) && SUCCEEDED(visit.hrName) && kal::word::IsStampedWatermarkName(visit.name)) {
            visit.facts = ReadShapeFacts(shape.Get());
          }
          n += ReportShapeVisit(j, visit, params, memory);
          visits.push_back(std::move(visit));
        }
        if (memory) {
          memory->visits = std::move(visits);
          memory->count = count;
          memory->walked = true;
        }
      }
    }
  } catch (const kal::ComError& e) {
    TraceFmtW(L"KalMsAddin.dll CMSWord::CheckWordWatermarkBySection _com_error : %s.\n", e.Message());
  } catch (...) {
    TraceW(L"KalMsAddin.dll CMSWord::CheckWordWatermarkBySection Exception.\n");
  }
  MarkTemplateDuringCheck(memory);
  return n;
}

int CMSWord::ReportShapeVisit(long j, const CShapeVisit& visit, const kal::word::CWordWatermarkParams& params,
                              CCheckMemory* memory) {
  if (FAILED(visit.hrItem)) {
    TraceFmtW(L"KalMsAddin.dll CMSWord::CheckWordWatermarkBySection pShapes->Item %d, hr = 0x%x.\n", j, visit.hrItem);
    return 0;
  }
  if (FAILED(visit.hrName)) {
    TraceFmtW(L"KalMsAddin.dll CMSWord::CheckWordWatermarkBySection pShape->get_Name %d, hr = 0x%x.\n", j, visit.hrName);
    return 0;
  }
  TraceFmtW(L"KalMsAddin.dll CheckWordWatermarkBySection Index = %d, shapeName = %s.\n", j, visit.name.c_str());
  if (!kal::word::IsStampedWatermarkName(visit.name)) return 0;
  TraceFmtW(L"KalMsAddin.dll CheckWordWatermarkBySection shapeName = %s, Succeed.\n", visit.name.c_str());
  return ReportShapeCheck(visit.facts, params, memory) == 1 ? 1 : 0;
}

void CMSWord::MarkTemplateDuringCheck(CCheckMemory* memory) {
  if (!memory) {
    MarkNormalTemplateSaved();
  } else if (memory->templateMarked < 0) {
    memory->templateMarked = MarkNormalTemplateSaved() ? 1 : 0;
  } else if (memory->templateMarked == 1) {
    // Nothing but reads since the template was marked: it is still saved; only the line is due.
    TraceTemplateSaved();
  }
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
  return ReportShapeCheck(ReadShapeFacts(shape), params, nullptr);
}

int CMSWord::ReportShapeCheck(const kal::word::CShapeFacts& facts, const kal::word::CWordWatermarkParams& params,
                              CCheckMemory* memory) {
  int result = 0;
  try {
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
  MarkTemplateDuringCheck(memory);
  return result;
}
