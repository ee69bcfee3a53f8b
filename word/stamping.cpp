// Stamping of the Word text watermark: one named, styled text-effect shape in the primary
// header of every section of the active document, after every earlier mark is removed.
#include <string>

#include "core/automation.h"
#include "core/automation_try.h"
#include "core/trace.h"
#include "word/ms_word.h"

using kal::CVariant;
using kal::Dispatch;
using kal::Missing;
using kal::ShortVariant;
using kal::TryCallObj;
using kal::TryGetBool;
using kal::TryGetLong;
using kal::TryGetObj;
using kal::TryGetString;

namespace {
constexpr long kSeekCurrentPageHeader = 9;
constexpr long kSeekMainDocument = 0;
constexpr long kPrintView = 3;
constexpr short kUnitStory = 6;
constexpr long kMsoTrue = -1;
constexpr long kMsoFalse = 0;
constexpr float kShapeCenter = -999995.0f;
constexpr long kWrapNone = 3;     // WrapFormat.Type
constexpr long kWrapLargest = 3;  // WrapFormat.Side

// View.Type = print layout: with a split pane on the window's view, else on the active pane's.
void SwitchToPrintLayout(const Dispatch& windowView, const Dispatch& paneView) {
  long split = 0;
  if (SUCCEEDED(TryGetLong(windowView, L"SplitSpecial", &split)) && split != 0) {
    (void)windowView.TryPut(L"Type", kPrintView);
  } else if (paneView) {
    (void)paneView.TryPut(L"Type", kPrintView);
  }
}
}  // namespace

HRESULT CMSWord::AddWordWatermarkOnActiveDocument(IDispatch* application,
                                                  const kal::word::CWordWatermarkParams& params) {
  m_bStamping = 1;
  HRESULT hr = S_OK;
  const Dispatch app(application);
  bool screenOff = false;
  try {
    Dispatch doc;
    hr = app ? TryGetObj(app, L"ActiveDocument", &doc) : E_POINTER;
    if (FAILED(hr)) {
      TraceFmtW(L"KalMsAddin.dll CMSWord::AddWordWatermarkOnActiveDocument get_ActiveDocument, hr = 0x%x.\n", hr);
    } else {
      bool tracking = false;
      hr = TryGetBool(doc, L"TrackRevisions", &tracking);
      if (FAILED(hr)) {
        TraceFmtW(L"KalMsAddin.dll CMSWord::AddWordWatermarkOnActiveDocument get_TrackRevisions, hr = 0x%x.\n", hr);
      } else if (tracking) {
        // A document that tracks changes is never stamped: the marks would become revisions.
        TraceW(L"CMSWord::AddWordWatermarkOnActiveDocument Document Track Revisions.");
      } else {
        screenOff = SUCCEEDED(app.TryPut(L"ScreenUpdating", false));
        hr = StampAllSections(app, doc, params);
      }
    }
  } catch (const kal::ComError& e) {
    hr = e.Error();
    TraceFmtW(L"KalMsAddin.dll CMSWord::AddWordWatermarkOnActiveDocument _com_error : %s.\n", e.Message());
  } catch (...) {
    hr = E_UNEXPECTED;
    TraceW(L"KalMsAddin.dll CMSWord::AddWordWatermarkOnActiveDocument Exception.\n");
  }
  if (screenOff) (void)app.TryPut(L"ScreenUpdating", true);
  m_bStamping = 0;
  MarkNormalTemplateSaved();
  return hr;
}

HRESULT CMSWord::StampAllSections(const kal::Dispatch& app, const kal::Dispatch& doc,
                                  const kal::word::CWordWatermarkParams& params) {
  Dispatch window;
  HRESULT hr = TryGetObj(doc, L"ActiveWindow", &window);
  if (FAILED(hr)) {
    TraceFmtW(L"KalMsAddin.dll CMSWord::AddWordWatermarkOnActiveDocument get_ActiveWindow, hr = 0x%x.\n", hr);
    return hr;
  }
  Dispatch view;
  hr = TryGetObj(window, L"View", &view);
  if (FAILED(hr)) {
    TraceFmtW(L"KalMsAddin.dll CMSWord::AddWordWatermarkOnActiveDocument get_View, hr = 0x%x.\n", hr);
    return hr;
  }
  bool wasSaved = false;
  if (FAILED(TryGetBool(doc, L"Saved", &wasSaved))) wasSaved = false;

  // Headers can only be sought in print layout; a document read in draft, web, outline or read
  // mode would refuse every seek below and keep its old marks. The same switch ends the
  // stamping, so the user finds the document in print layout either way.
  Dispatch pane;
  Dispatch paneView;
  if (SUCCEEDED(TryGetObj(window, L"ActivePane", &pane))) (void)TryGetObj(pane, L"View", &paneView);
  SwitchToPrintLayout(view, paneView);
  DeleteWordWatermark();

  hr = view.TryPut(L"SeekView", kSeekCurrentPageHeader);
  if (FAILED(hr)) {
    TraceFmtW(L"KalMsAddin.dll CMSWord::AddWordWatermarkOnActiveDocument put_SeekView, hr = 0x%x.\n", hr);
    return hr;
  }
  Dispatch sections;
  hr = TryGetObj(doc, L"Sections", &sections);
  if (FAILED(hr)) {
    TraceFmtW(L"KalMsAddin.dll CMSWord::AddWordWatermarkOnActiveDocument get_Sections, hr = 0x%x.\n", hr);
    return hr;
  }
  long count = 0;
  hr = TryGetLong(sections, L"Count", &count);
  if (FAILED(hr)) {
    TraceFmtW(L"KalMsAddin.dll CMSWord::AddWordWatermarkOnActiveDocument get_Count, hr = 0x%x.\n", hr);
    return hr;
  }
  TraceFmtW(L"KalMsAddin.dll CMSWord::AddWordWatermarkOnActiveDocument get_Count = %d.\n", count);

  for (long i = 1; i <= count; ++i) {
    Dispatch section;
    const HRESULT hrItem = TryCallObj(sections, L"Item", &section, i);
    if (FAILED(hrItem)) {
      hr = hrItem;
      TraceFmtW(L"KalMsAddin.dll CMSWord::AddWordWatermarkOnActiveDocument Sections Item = %d, hr = 0x%x.\n", i, hrItem);
      continue;
    }
    hr = AddWordWatermarkOnSection(section.Get(), view.Get(), static_cast<int>(i), params);
    if (FAILED(hr)) {
      TraceFmtW(L"KalMsAddin.dll CMSWord::AddWordWatermarkOnActiveDocument AddWordWatermarkOnSection, hr = 0x%x.\n", hr);
    }
  }

  if (count > 0) ReturnToDocumentBody(app, window, view, sections);
  if (wasSaved) (void)doc.TryPut(L"Saved", true);
  return hr;
}

void CMSWord::ReturnToDocumentBody(const kal::Dispatch& app, const kal::Dispatch& window,
                                   const kal::Dispatch& view, const kal::Dispatch& sections) {
  // Failures here are not traced: the marks are in place, only the view may stay changed.
  Dispatch first;
  Dispatch range;
  if (SUCCEEDED(TryCallObj(sections, L"Item", &first, 1)) &&
      SUCCEEDED(TryGetObj(first, L"Range", &range))) {
    (void)range.TryCall(L"Select", nullptr);
  }
  Dispatch selection;
  if (SUCCEEDED(TryGetObj(app, L"Selection", &selection))) {
    (void)selection.TryCall(L"HomeKey", nullptr, ShortVariant(kUnitStory), ShortVariant(1));
  }
  Dispatch pane;
  Dispatch paneView;
  if (SUCCEEDED(TryGetObj(window, L"ActivePane", &pane)) &&
      SUCCEEDED(TryGetObj(pane, L"View", &paneView))) {
    (void)paneView.TryPut(L"SeekView", kSeekMainDocument);
  }
  SwitchToPrintLayout(view, paneView);
}

HRESULT CMSWord::AddWordWatermarkOnSection(IDispatch* sectionObj, IDispatch* viewObj, int sectionIndex,
                                           const kal::word::CWordWatermarkParams& params) {
  const Dispatch section(sectionObj);
  const Dispatch view(viewObj);
  HRESULT hr = S_OK;
  try {
    Dispatch range;
    hr = TryGetObj(section, L"Range", &range);
    if (FAILED(hr)) {
      TraceFmtW(L"KalMsAddin.dll CMSWord::AddWordWatermarkOnSection get_Range, hr = 0x%x.\n", hr);
      return hr;
    }
    hr = range.TryCall(L"Select", nullptr);
    if (FAILED(hr)) {
      TraceFmtW(L"KalMsAddin.dll CMSWord::AddWordWatermarkOnSection Select, hr = 0x%x.\n", hr);
      return hr;
    }
    hr = view.TryPut(L"SeekView", kSeekCurrentPageHeader);
    if (FAILED(hr)) {
      TraceFmtW(L"KalMsAddin.dll CMSWord::AddWordWatermarkOnSection put_SeekView, hr = 0x%x.\n", hr);
      return hr;
    }
    Dispatch selection;
    hr = TryGetObj(Dispatch(m_pSinkApp1.Get()), L"Selection", &selection);
    if (FAILED(hr)) {
      TraceFmtW(L"KalMsAddin.dll CMSWord::AddWordWatermarkOnSection get_Selection, hr = 0x%x.\n", hr);
      return hr;
    }
    Dispatch collection;
    hr = TryGetObj(section, L"Headers", &collection);
    if (FAILED(hr)) hr = TryGetObj(section, L"Footers", &collection);
    if (FAILED(hr)) {
      TraceFmtW(L"KalMsAddin.dll CMSWord::AddWordWatermarkOnSection get_Headers, hr = 0x%x.\n", hr);
      return hr;
    }
    Dispatch headerFooter;
    hr = TryCallObj(collection, L"Item", &headerFooter, 1);  // wdHeaderFooterPrimary
    if (FAILED(hr)) {
      hr = TryGetObj(selection, L"HeaderFooter", &headerFooter);
      if (FAILED(hr)) {
        TraceFmtW(L"KalMsAddin.dll CMSWord::AddWordWatermarkOnSection get_HeaderFooter, hr = 0x%x.\n", hr);
      }
    }
    if (!headerFooter) {
      TraceW(L"KalMsAddin.dll CMSWord::AddWordWatermarkOnSection pHeaderFooter NULL.\n");
      return FAILED(hr) ? hr : E_POINTER;
    }
    Dispatch shapes;
    hr = TryGetObj(headerFooter, L"Shapes", &shapes);
    if (FAILED(hr)) {
      TraceFmtW(L"KalMsAddin.dll CMSWord::AddWordWatermarkOnSection get_Shapes, hr = 0x%x.\n", hr);
      return hr;
    }
    (void)AddWordWatermarkOnShapes(shapes.Get(), sectionIndex, params);
    hr = view.TryPut(L"SeekView", kSeekMainDocument);
    if (FAILED(hr)) {
      TraceFmtW(L"KalMsAddin.dll CMSWord::AddWordWatermarkOnSection put_SeekView, hr = 0x%x.\n", hr);
    }
  } catch (const kal::ComError& e) {
    hr = e.Error();
    TraceFmtW(L"KalMsAddin.dll CMSWord::AddWordWatermarkOnSection _com_error : %s.\n", e.Message());
  } catch (...) {
    hr = E_UNEXPECTED;
    TraceW(L"KalMsAddin.dll CMSWord::AddWordWatermarkOnSection Exception.\n");
  }
  MarkNormalTemplateSaved();
  return hr;
}

HRESULT CMSWord::AddWordWatermarkOnShapes(IDispatch* shapesObj, int sectionIndex,
                                          const kal::word::CWordWatermarkParams& params) {
  const Dispatch shapes(shapesObj);
  HRESULT hr = S_OK;
  try {
    Dispatch shape;
    hr = TryCallObj(shapes, L"AddTextEffect", &shape, 0L, params.text, params.fontName,
                    params.fontSize, kMsoFalse, kMsoFalse, 100.0f, 375.0f, Missing());
    if (FAILED(hr)) {
      TraceFmtW(L"KalMsAddin.dll CMSWord::AddWordWatermarkOnShapes AddTextEffect, hr = 0x%x.\n", hr);
      MarkNormalTemplateSaved();
      return hr;
    }
    (void)shape.TryCall(L"Select", nullptr, Missing());

    const std::wstring name = kal::word::MakeWatermarkShapeName(sectionIndex);
    TraceFmtW(L"KalMsAddin.dll CMSWord::AddWordWatermarkOnShapes Section Index = %d, Name = %s.\n",
              sectionIndex, name.c_str());
    hr = shape.TryPut(L"Name", name);
    if (FAILED(hr)) {
      TraceFmtW(L"KalMsAddin.dll CMSWord::AddWordWatermarkOnShape Section Index = %d, put_Name = 0x%x.\n",
                sectionIndex, hr);
      (void)shape.TryCall(L"Delete", nullptr);
      MarkNormalTemplateSaved();
      return hr;
    }
    // A shape that does not carry its exact name could never be recognised again.
    std::wstring readBack;
    const HRESULT hrName = TryGetString(shape, L"Name", &readBack);
    if (FAILED(hrName) || readBack != name) {
      TraceFmtW(L"KalMsAddin.dll CMSWord::AddWordWatermarkOnShape put_Name Fail, Section Index = %d, put_Name = %s.\n",
                sectionIndex, name.c_str());
      (void)shape.TryCall(L"Delete", nullptr);
      MarkNormalTemplateSaved();
      return FAILED(hrName) ? hrName : E_FAIL;
    }

    Dispatch part;
    if (SUCCEEDED(TryGetObj(shape, L"TextEffect", &part))) hr = part.TryPut(L"NormalizedHeight", kMsoFalse);
    if (SUCCEEDED(TryGetObj(shape, L"Line", &part))) hr = part.TryPut(L"Visible", kMsoFalse);
    if (SUCCEEDED(TryGetObj(shape, L"Fill", &part))) {
      hr = part.TryPut(L"Visible", kMsoTrue);
      hr = part.TryPut(L"Transparency", static_cast<float>(kal::word::FillTransparencyFor(params.transparency)));
      Dispatch foreColor;
      if (SUCCEEDED(TryGetObj(part, L"ForeColor", &foreColor))) {
        hr = foreColor.TryPut(L"RGB", static_cast<long>(kal::word::RgbFor(params.colour)));
      }
      hr = part.TryCall(L"Solid", nullptr);
    }
    hr = shape.TryPut(L"Rotation", static_cast<float>(kal::word::RotationFor(params.diagonal)));
    hr = shape.TryPut(L"LockAspectRatio", kMsoTrue);
    if (SUCCEEDED(TryGetObj(shape, L"WrapFormat", &part))) {
      hr = part.TryPut(L"Side", kWrapLargest);
      hr = part.TryPut(L"Type", kWrapNone);
      hr = part.TryPut(L"AllowOverlap", kMsoTrue);
    }
    hr = shape.TryPut(L"RelativeHorizontalPosition", 0L);
    hr = shape.TryPut(L"RelativeVerticalPosition", 0L);
    hr = shape.TryPut(L"Left", kShapeCenter);
    hr = shape.TryPut(L"Top", kShapeCenter);
  } catch (const kal::ComError& e) {
    hr = e.Error();
    TraceFmtW(L"KalMsAddin.dll CMSWord::AddWordWatermarkOnShapes _com_error : %s.\n", e.Message());
  } catch (...) {
    hr = E_UNEXPECTED;
    TraceW(L"KalMsAddin.dll CMSWord::AddWordWatermarkOnShapes Exception.\n");
  }
  MarkNormalTemplateSaved();
  return hr;
}

void CMSWord::DeleteWordWatermark() {
  if (!m_pSinkApp1) return;
  try {
    const Dispatch app(m_pSinkApp1.Get());
    Dispatch doc;
    HRESULT hr = TryGetObj(app, L"ActiveDocument", &doc);
    if (FAILED(hr)) {
      DebugOutFmtW(L"KalMsAddin.dll DeleteWordWatermark get_ActiveDocument, hr = 0x%x.\n", hr);
      return;
    }
    Dispatch sections;
    hr = TryGetObj(doc, L"Sections", &sections);
    if (FAILED(hr)) {
      DebugOutFmtW(L"KalMsAddin.dll DeleteWordWatermark get_Sections, hr = 0x%x.\n", hr);
      return;
    }
    long count = 0;
    hr = TryGetLong(sections, L"Count", &count);
    if (FAILED(hr)) {
      DebugOutFmtW(L"KalMsAddin.dll DeleteWordWatermark get_Count, hr = 0x%x.\n", hr);
      return;
    }
    TraceFmtW(L"KalMsAddin.dll DeleteWordWatermark Section Count = %d.\n", count);
    for (long i = 1; i <= count; ++i) DeleteWatermarkInSection(app, sections, i);
  } catch (const kal::ComError& e) {
    TraceFmtW(L"KalMsAddin.dll DeleteWordWatermark _com_error : %s.\n", e.Message());
  } catch (...) {
    TraceW(L"KalMsAddin.dll DeleteWordWatermark Exception.\n");
  }
}

void CMSWord::DeleteWatermarkInSection(const kal::Dispatch& app, const kal::Dispatch& sections, long i) {
  Dispatch section;
  Dispatch range;
  HRESULT hr = TryCallObj(sections, L"Item", &section, i);
  if (SUCCEEDED(hr)) hr = TryGetObj(section, L"Range", &range);
  if (SUCCEEDED(hr)) hr = range.TryCall(L"Select", nullptr);
  if (FAILED(hr)) {
    DebugOutFmtW(L"KalMsAddin.dll DeleteWordWatermark Sections Item Range Select %d, hr = 0x%x.\n", i, hr);
    return;
  }
  Dispatch window;
  Dispatch pane;
  Dispatch view;
  hr = TryGetObj(app, L"ActiveWindow", &window);
  if (SUCCEEDED(hr)) hr = TryGetObj(window, L"ActivePane", &pane);
  if (SUCCEEDED(hr)) hr = TryGetObj(pane, L"View", &view);
  if (SUCCEEDED(hr)) hr = view.TryPut(L"SeekView", kSeekCurrentPageHeader);
  if (FAILED(hr)) {
    DebugOutFmtW(L"KalMsAddin.dll DeleteWordWatermark put_SeekView, hr = 0x%x.\n", hr);
    return;
  }
  Dispatch selection;
  Dispatch headerFooter;
  Dispatch shapes;
  long n = 0;
  hr = TryGetObj(app, L"Selection", &selection);
  if (SUCCEEDED(hr)) hr = TryGetObj(selection, L"HeaderFooter", &headerFooter);
  if (SUCCEEDED(hr)) hr = TryGetObj(headerFooter, L"Shapes", &shapes);
  if (SUCCEEDED(hr)) hr = TryGetLong(shapes, L"Count", &n);
  if (FAILED(hr)) {
    DebugOutFmtW(L"KalMsAddin.dll DeleteWordWatermark get_Shapes, hr = 0x%x.\n", hr);
    (void)view.TryPut(L"SeekView", kSeekMainDocument);
    return;
  }
  TraceFmtW(L"KalMsAddin.dll DeleteWordWatermark Shapes Count = %d.\n", n);
  for (long j = 1; j <= n; ++j) {
    Dispatch shape;
    hr = TryCallObj(shapes, L"Item", &shape, j);
    if (FAILED(hr)) {
      DebugOutFmtW(L"KalMsAddin.dll DeleteWordWatermark Shapes item %d, hr = 0x%x.\n", j, hr);
      continue;
    }
    std::wstring name;
    hr = TryGetString(shape, L"Name", &name);
    if (FAILED(hr)) {
      DebugOutFmtW(L"KalMsAddin.dll DeleteWordWatermark get_Name %d, hr = 0x%x.\n", j, hr);
      continue;
    }
    TraceFmtW(L"***KalMsAddin.dll DeleteWordWatermark shapeName = %s.\n", name.c_str());
    if (!kal::word::IsRemovableWatermarkName(name)) continue;
    hr = shape.TryCall(L"Select", nullptr, Missing());
    if (FAILED(hr)) {
      DebugOutFmtW(L"KalMsAddin.dll DeleteWordWatermark Shape Select, hr = 0x%x.\n", hr);
      continue;
    }
    hr = selection.TryCall(L"Delete", nullptr, 1L, 1L);  // wdCharacter, one item
    if (FAILED(hr)) {
      DebugOutFmtW(L"KalMsAddin.dll DeleteWordWatermark Selection Delete, hr = 0x%x.\n", hr);
      continue;
    }
    TraceFmtW(L"KalMsAddin.dll DeleteWordWatermark shapeName = %s", name.c_str());
    // The next shape moved into position j: look at j again.
    --n;
    --j;
  }
  (void)view.TryPut(L"SeekView", kSeekMainDocument);
}
