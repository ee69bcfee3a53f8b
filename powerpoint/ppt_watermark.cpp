// The PowerPoint watermark: one WordArt shape named "PowerPnt_TextWatermark1" on each slide
// master (one per design) of the active presentation. DeletePPtWatermark removes one earlier
// mark per master and call; SetPPtWatermark removes one and stamps a fresh one on each. Every failure is handled by skipping;
// nothing is thrown into PowerPoint's event dispatch. The "wmk" lines are always written.
#include <windows.h>
#include <oleauto.h>

#include <string>
#include <vector>

#include "core/automation.h"
#include "core/automation_try.h"
#include "core/office_version.h"
#include "core/policy.h"
#include "core/trace.h"
#include "powerpoint/ms_powerpoint.h"
#include "powerpoint/ppt_mark_rules.h"
#include "powerpoint/ppt_masters.h"

using kal::CVariant;
using kal::Dispatch;
using kal::TryCallObj;
using kal::TryGetObj;

namespace {

constexpr long kMsoTrue = -1;
constexpr long kMsoFalse = 0;
constexpr long kViewSlideMaster = 2;  // ppViewSlideMaster
constexpr long kViewNormal = 9;       // ppViewNormal
constexpr long kTextEffect8 = 7;      // msoTextEffect8
constexpr long kPictureWatermark = 4;  // msoPictureWatermark
const wchar_t kMarkName[] = L"PowerPnt_TextWatermark1";
const wchar_t kOldMarkName[] = L"Watermark1";

// Names compare as BSTRs under the user's default locale, case-sensitively.
bool IsWatermarkName(const kal::CBstr& name) {
  for (const wchar_t* candidate : {kMarkName, kOldMarkName}) {
    const kal::CBstr target(std::wstring{candidate});
    if (::VarBstrCmp(name.Get(), target.Get(), LOCALE_USER_DEFAULT, 0) == static_cast<HRESULT>(VARCMP_EQ)) return true;
  }
  return false;
}

HRESULT TryGetName(const Dispatch& shape, kal::CBstr* name) {
  CVariant value;
  HRESULT hr = shape.TryGet(L"Name", &value);
  if (FAILED(hr)) return hr;
  CVariant text;
  hr = ::VariantChangeType(text.Put(), value.Get(), 0, VT_BSTR);
  if (FAILED(hr)) return hr;
  *name = kal::CBstr::Attach(text.Get()->bstrVal);
  text.Get()->vt = VT_EMPTY;  // the string now belongs to name
  return S_OK;
}

// Every design's slide master of the application's active presentation. The given steps name
// the one Presentation.SlideMaster, which is the first design's only: slides of any other
// design would show no mark, so each master is stamped and cleaned.
std::vector<Dispatch> ActiveMasters(const Dispatch& app) {
  std::vector<Dispatch> masters;
  Dispatch presentation;
  if (SUCCEEDED(TryGetObj(app, L"ActivePresentation", &presentation)))
    (void)kal::powerpoint::TryDesignMasters(presentation, &masters);
  return masters;
}

// Removes a shape through the window's selection, as a user would. When the view does not
// show the shape's master (PowerPoint 2007 and later open the master view on the current
// slide's layout, the view shows one design's master only, and with no document window there
// is no view at all) a master shape cannot be selected; it is then deleted directly, or every
// event would leave one more mark behind.
bool DeleteShape(const Dispatch& window, const Dispatch& shape) {
  if (window) {
    Dispatch selection, range;
    if (SUCCEEDED(shape.TryCall(L"Select", nullptr, kMsoTrue)) &&
        SUCCEEDED(TryGetObj(window, L"Selection", &selection)) &&
        SUCCEEDED(TryGetObj(selection, L"ShapeRange", &range)) && SUCCEEDED(range.TryCall(L"Delete", nullptr)))
      return true;
  }
  return SUCCEEDED(shape.TryCall(L"Delete", nullptr));
}

// Deletes the first mark among the master's shapes.
void DeleteOneMark(const Dispatch& window, const Dispatch& master) {
  Dispatch shapes;
  long count = 0;
  if (FAILED(TryGetObj(master, L"Shapes", &shapes)) || FAILED(kal::TryGetLong(shapes, L"Count", &count))) return;
  for (long i = 1; i <= count; ++i) {
    Dispatch shape;
    if (FAILED(TryCallObj(shapes, L"Item", &shape, i))) continue;
    kal::CBstr name;
    if (FAILED(TryGetName(shape, &name))) continue;
    DebugOutFmtW(L"wmk\t\tbefore\tshapeName == waterMarkNewName");
    if (!IsWatermarkName(name)) continue;
    DebugOutFmtW(L"wmk\t\t\tshapeName == waterMarkNewName");
    if (DeleteShape(window, shape)) {
      DebugOutFmtW(L"wmk\t\tDelete Success");
      return;
    }
  }
}

// Adds the styled mark to one master; null when AddTextEffect failed.
Dispatch AddMark(const Dispatch& master, const std::wstring& text, const std::wstring& font, int fontSize,
                 COLORREF color) {
  Dispatch shapes, shape;
  if (FAILED(TryGetObj(master, L"Shapes", &shapes)) ||
      FAILED(TryCallObj(shapes, L"AddTextEffect", &shape, kTextEffect8, text, font, static_cast<float>(fontSize),
                        kMsoFalse, kMsoFalse, 100.0f, 375.0f)))
    return Dispatch();
  long hasTextFrame = kMsoTrue;  // unread: as the given steps, through the text frame
  (void)kal::TryGetLong(shape, L"HasTextFrame", &hasTextFrame);
  const kal::powerpoint::CPptMarkColour style = kal::powerpoint::PptMarkColour(hasTextFrame != kMsoFalse);

  (void)shape.TryPut(L"Name", kMarkName);
  Dispatch part, frame, range, fontObj, colour;
  if (SUCCEEDED(TryGetObj(shape, L"TextEffect", &part))) (void)part.TryPut(L"NormalizedHeight", kMsoFalse);
  if (!style.throughFill && SUCCEEDED(TryGetObj(shape, L"TextFrame", &frame)) &&
      SUCCEEDED(TryGetObj(frame, L"TextRange", &range)) && SUCCEEDED(TryGetObj(range, L"Font", &fontObj)) &&
      SUCCEEDED(TryGetObj(fontObj, L"Color", &colour)))
    (void)colour.TryPut(L"RGB", static_cast<long>(color));
  if (SUCCEEDED(TryGetObj(shape, L"Shadow", &part))) {
    (void)part.TryPut(L"Transparency", 0.2f);
    if (SUCCEEDED(TryGetObj(part, L"ForeColor", &colour))) (void)colour.TryPut(L"RGB", static_cast<long>(color));
  }
  if (SUCCEEDED(TryGetObj(shape, L"Fill", &part))) {
    (void)part.TryPut(L"Visible", style.fillVisible ? kMsoTrue : kMsoFalse);
    if (style.throughFill && SUCCEEDED(TryGetObj(part, L"ForeColor", &colour)))
      (void)colour.TryPut(L"RGB", static_cast<long>(color));
    (void)part.TryPut(L"Transparency", 0.2f);
  }
  (void)shape.TryPut(L"Rotation", IsWatermarkSlanted() ? 315.0f : 0.0f);
  (void)shape.TryPut(L"LockAspectRatio", kMsoTrue);
  (void)shape.TryPut(L"Height", 73.13268f);  // bits 0x429243EF
  (void)shape.TryPut(L"Width", 512.2122f);   // bits 0x44000D95
  (void)shape.TryCall(L"Apply", nullptr);
  return shape;
}

// The final move and the picture format, through the selection. A master shape cannot be
// selected while the view shows a layout (PowerPoint 2007 and later) or another design's
// master; the shape itself then takes the same calls, so the mark still ends where and how it
// is meant to.
void PlaceMark(const Dispatch& window, const Dispatch& shape, int major) {
  Dispatch selection, target;
  if (FAILED(shape.TryCall(L"Select", nullptr, kMsoTrue)) || FAILED(TryGetObj(window, L"Selection", &selection)) ||
      FAILED(TryGetObj(selection, L"ShapeRange", &target)))
    target = shape;
  const kal::powerpoint::CPptMarkMove move = kal::powerpoint::PptMarkMove(major);
  if (move.halveSize) {
    float width = 0.0f;
    float height = 0.0f;
    CVariant value;
    if (SUCCEEDED(target.TryGet(L"Width", &value))) (void)value.ToFloat(&width);
    if (SUCCEEDED(target.TryGet(L"Height", &value))) (void)value.ToFloat(&height);
    (void)target.TryPut(L"Width", width * 0.5f);
    (void)target.TryPut(L"Height", height * 0.5f);
  }
  (void)target.TryCall(L"IncrementLeft", nullptr, move.dx);
  (void)target.TryCall(L"IncrementTop", nullptr, move.dy);
  Dispatch picture;
  if (SUCCEEDED(TryGetObj(target, L"PictureFormat", &picture))) {
    (void)picture.TryPut(L"ColorType", kPictureWatermark);
    (void)picture.TryPut(L"Brightness", 0.8f);
  }
}

// The application's major version, or -1 when Version cannot be read.
int MajorVersion(const Dispatch& app) {
  CVariant versionValue;
  if (FAILED(app.TryGet(L"Version", &versionValue))) return -1;
  std::wstring version;
  int major = 0;
  int minor = 0;
  if (SUCCEEDED(versionValue.ToString(&version))) kal::ParseOfficeVersion(version, &major, &minor);
  return major;
}

}  // namespace

void CMSPowerPoint::DeletePPtWatermark() {
  if (!m_pApplication) return;
  const Dispatch app(m_pApplication.Get());
  // Without a document window the view cannot be switched; the marks are still removed (see
  // DeleteShape), so that stamping without a window does not pile marks up.
  Dispatch window;
  if (SUCCEEDED(TryGetObj(app, L"ActiveWindow", &window)) && FAILED(window.TryPut(L"ViewType", kViewSlideMaster)))
    return;
  for (const Dispatch& master : ActiveMasters(app)) DeleteOneMark(window, master);
  if (window) (void)window.TryPut(L"ViewType", kViewNormal);
}

int CMSPowerPoint::SetPPtWatermark(IDispatch* application, const std::wstring& text, const std::wstring& font,
                                   int fontSize, COLORREF color) {
  DebugOutFmtW(L"wmk\t\t\t\tSetPPtWatermark");
  DeletePPtWatermark();
  const Dispatch app(application);
  if (!app) return 0;
  std::vector<Dispatch> marks;
  for (const Dispatch& master : ActiveMasters(app))
    if (Dispatch mark = AddMark(master, text, font, fontSize, color)) marks.push_back(mark);
  if (marks.empty()) return 0;
  const int major = MajorVersion(app);
  Dispatch window;
  if (major < 0 || FAILED(TryGetObj(app, L"ActiveWindow", &window)) || FAILED(window.TryPut(L"ViewType", kViewSlideMaster)))
    return 1;
  for (const Dispatch& mark : marks) PlaceMark(window, mark, major);
  (void)window.TryPut(L"ViewType", kViewNormal);
  return 1;
}
