// PowerPntDeleteWaterMark: the PowerPoint branch of the offline watermark removal (see
// ppt_removal.h).
#include "powerpoint/ppt_removal.h"

#include <windows.h>
#include <ole2.h>

#include <string>
#include <utility>
#include <vector>

#include "core/automation.h"
#include "core/automation_try.h"
#include "core/com_util.h"
#include "core/trace.h"
#include "powerpoint/ppt_masters.h"

namespace kal::powerpoint {
namespace {

using kal::TryCallObj;
using kal::TryGetLong;
using kal::TryGetObj;

// PowerPoint's _Application.
constexpr IID IID_Ppt_Application = {0x91493442, 0x5A91, 0x11CF, {0x87, 0x00, 0x00, 0xAA, 0x00, 0x60, 0x26, 0x3B}};
constexpr long kMsoTrue = -1;
constexpr long kMsoFalse = 0;
constexpr long kAlertsNone = 1;        // ppAlertsNone
constexpr long kSchemeBackground = 1;  // ppBackground
constexpr long kWhite = 0xFFFFFF;
const wchar_t* const kMarkNames[] = {L"PowerPnt_TextWatermark1", L"Watermark1", L"KAL_TextWatermark"};

bool IsMarkName(const CVariant& name) {
  if (name.Type() != VT_BSTR) return false;
  for (const wchar_t* mark : kMarkNames) {
    CBstr wanted(mark);
    if (::VarBstrCmp(name.Ref().bstrVal, wanted.Get(), LOCALE_USER_DEFAULT, 0) == static_cast<HRESULT>(VARCMP_EQ))
      return true;
  }
  return false;
}

class CPptRemoval {
 public:
  int Run(const wchar_t* path);

 private:
  int Start();
  int Open(const wchar_t* path);
  int DeleteMarks(bool* deleted);
  int DeleteMasterMarks(const Dispatch& master, bool* deleted);
  int RepaintBackgrounds(bool* changed);
  const wchar_t* RepaintBackground(const Dispatch& slide);
  void CleanUp();

  Dispatch m_app;
  Dispatch m_presentations;
  Dispatch m_presentation;
  CVariant m_displayAlerts;  // the instance's own setting, given back when it stays running
};

int CPptRemoval::Run(const wchar_t* path) {
  int result = Start();
  if (result == kPptRemovalDone) result = Open(path);
  bool changed = false;
  if (result == kPptRemovalDone) result = DeleteMarks(&changed);
  if (result == kPptRemovalDone && !changed) result = RepaintBackgrounds(&changed);
  if (result == kPptRemovalDone && changed) {
    const HRESULT hr = m_presentation.TryCall(L"Save", nullptr);
    if (FAILED(hr)) DebugOutFmtW(L"KalMsAddin.dll Save, hr = 0x%x.\n", hr);
    else DebugOutFmtW(L"Save ok.");
  }
  CleanUp();
  return result;
}

int CPptRemoval::Start() {
  CLSID clsid{};
  HRESULT hr = ::CLSIDFromProgID(L"PowerPoint.Application", &clsid);
  if (FAILED(hr)) {
    DebugOutFmtW(L"KalMsAddin.dll PowerPntDeleteWaterMark CLSIDFromProgID PowerPoint.Application hr = 0x%x.\n", hr);
    return kPptRemovalNoProgId;
  }
  Microsoft::WRL::ComPtr<IDispatch> app;
  hr = ::CoCreateInstance(clsid, nullptr, CLSCTX_LOCAL_SERVER, IID_Ppt_Application,
                          reinterpret_cast<void**>(app.GetAddressOf()));
  if (FAILED(hr)) {
    DebugOutFmtW(L"KalMsAddin.dll PowerPntDeleteWaterMark CoCreateInstance hr = 0x%x.\n", hr);
    return kPptRemovalNoInstance;
  }
  m_app = Dispatch(std::move(app));
  // PowerPoint serves every client from one process: when the user's PowerPoint is running,
  // this is that instance. It is not hidden then (its windows stay where the user has them),
  // and its alert setting is read first so that it can be given back.
  CVariant visible;
  long shown = kMsoFalse;
  if (FAILED(m_app.TryGet(L"Visible", &visible)) || FAILED(visible.ToInt(&shown)) || shown == kMsoFalse)
    (void)m_app.TryPut(L"Visible", kMsoFalse);
  (void)m_app.TryGet(L"DisplayAlerts", &m_displayAlerts);
  (void)m_app.TryPut(L"DisplayAlerts", kAlertsNone);
  hr = TryGetObj(m_app, L"Presentations", &m_presentations);
  if (FAILED(hr)) {
    DebugOutFmtW(L"KalMsAddin.dll PowerPntDeleteWaterMark get_Presentations hr = 0x%x.\n", hr);
    return kPptRemovalNoPresentations;
  }
  return kPptRemovalDone;
}

int CPptRemoval::Open(const wchar_t* path) {
  const HRESULT hr =
      TryCallObj(m_presentations, L"Open", &m_presentation, path ? path : L"", kMsoFalse, kMsoFalse, kMsoFalse);
  if (FAILED(hr)) {
    DebugOutFmtW(L"KalMsAddin.dll PowerPntDeleteWaterMark Open hr = 0x%x.\n", hr);
    return kPptRemovalNoPresentation;
  }
  return kPptRemovalDone;
}

// Deletes every mark of every design's slide master; after a deletion the shape that moved into
// the freed place is looked at next. The given steps clean the one Presentation.SlideMaster,
// the first design's only: a second design's master would keep its marks (and its slides show
// them), so each master is cleaned. A master that cannot be read ends the removal unsaved, as
// the one master's would.
int CPptRemoval::DeleteMarks(bool* deleted) {
  std::vector<Dispatch> masters;
  if (FAILED(TryDesignMasters(m_presentation, &masters))) return kPptRemovalNoMaster;
  for (const Dispatch& master : masters) {
    const int result = DeleteMasterMarks(master, deleted);
    if (result != kPptRemovalDone) return result;
  }
  return kPptRemovalDone;
}

int CPptRemoval::DeleteMasterMarks(const Dispatch& master, bool* deleted) {
  Dispatch shapes;
  if (FAILED(TryGetObj(master, L"Shapes", &shapes))) return kPptRemovalNoShapes;
  long count = 0;
  if (FAILED(TryGetLong(shapes, L"Count", &count))) return kPptRemovalNoCount;
  for (long i = 1; i <= count; ++i) {
    Dispatch shape;
    if (FAILED(TryCallObj(shapes, L"Item", &shape, i))) continue;
    CVariant name;
    if (FAILED(shape.TryGet(L"Name", &name))) continue;
    std::wstring text;
    (void)name.ToString(&text);
    DebugOutFmtW(L"%s", text.c_str());
    if (!IsMarkName(name)) continue;
    const HRESULT hr = shape.TryCall(L"Delete", nullptr);
    if (FAILED(hr)) {
      DebugOutFmtW(L"KalMsAddin.dll Delete, hr = 0x%x.\n", hr);
      continue;
    }
    DebugOutFmtW(L"Delete ok.");
    *deleted = true;
    --count;
    --i;
  }
  return kPptRemovalDone;
}

int CPptRemoval::RepaintBackgrounds(bool* changed) {
  Dispatch slides;
  if (FAILED(TryGetObj(m_presentation, L"Slides", &slides))) return kPptRemovalNoMaster;
  long count = 0;
  if (FAILED(TryGetLong(slides, L"Count", &count))) return kPptRemovalNoShapes;
  for (long i = 1; i <= count; ++i) {
    Dispatch slide;
    if (FAILED(TryCallObj(slides, L"Item", &slide, i))) continue;
    if (const wchar_t* failure = RepaintBackground(slide)) DebugOutFmtW(L"%s", failure);
    else *changed = true;
  }
  return kPptRemovalDone;
}

// A visible white background becomes an opaque solid one in the scheme's background colour;
// the line to write when a step fails (or the background is not such a one), else null.
const wchar_t* CPptRemoval::RepaintBackground(const Dispatch& slide) {
  Dispatch background, fill, color;
  long value = 0;
  if (FAILED(TryGetObj(slide, L"Background", &background))) return L"PowerPntDeleteWaterMark get_Background Fail.\n";
  if (FAILED(TryGetObj(background, L"Fill", &fill))) return L"PowerPntDeleteWaterMark get_Fill Fail.\n";
  if (FAILED(TryGetLong(fill, L"Visible", &value)) || value == kMsoFalse)
    return L"PowerPntDeleteWaterMark get_Visible Fail.\n";
  if (FAILED(TryGetObj(fill, L"ForeColor", &color))) return L"PowerPntDeleteWaterMark get_ForeColor Fail.\n";
  if (FAILED(TryGetLong(color, L"RGB", &value)) || value != kWhite) return L"PowerPntDeleteWaterMark get_pptRGB Fail.\n";
  if (FAILED(slide.TryPut(L"FollowMasterBackground", kMsoFalse)))
    return L"PowerPntDeleteWaterMark put_FollowMasterBackground Fail.\n";
  if (FAILED(slide.TryPut(L"DisplayMasterShapes", kMsoFalse)))
    return L"PowerPntDeleteWaterMark put_DisplayMasterShapes Fail.\n";
  if (FAILED(fill.TryPut(L"Visible", kMsoTrue))) return L"PowerPntDeleteWaterMark put_Visible Fail.\n";
  if (FAILED(color.TryPut(L"SchemeColor", kSchemeBackground))) return L"PowerPntDeleteWaterMark put_SchemeColor Fail.\n";
  if (FAILED(fill.TryPut(L"Transparency", 0.0f))) return L"PowerPntDeleteWaterMark put_Transparency Fail.\n";
  if (FAILED(fill.TryCall(L"Solid", nullptr))) return L"PowerPntDeleteWaterMark put_Transparency Fail.\n";
  return nullptr;
}

void CPptRemoval::CleanUp() {
  if (m_presentation) {
    const HRESULT hr = m_presentation.TryCall(L"Close", nullptr);
    if (FAILED(hr)) DebugOutFmtW(L"KalMsAddin.dll PowerPntDeleteWaterMark Close hr = 0x%x.\n", hr);
  }
  long count = 0;
  if (m_presentations && FAILED(TryGetLong(m_presentations, L"Count", &count))) count = 0;
  DebugOutFmtW(L"KalMsAddin.dll PowerPntDeleteWaterMark Presentation Count = %d.\n", count);
  if (m_app) {
    if (count == 0) {
      const HRESULT hr = m_app.TryCall(L"Quit", nullptr);
      DebugOutFmtW(L"KalMsAddin.dll PowerPntDeleteWaterMark Quit, hr = 0x%x.\n", hr);
    } else {
      // The instance holds presentations of its user: it keeps running, shown, with its own
      // alert setting.
      if (m_displayAlerts.Type() != VT_EMPTY) (void)m_app.TryPut(L"DisplayAlerts", m_displayAlerts);
      (void)m_app.TryPut(L"Visible", kMsoTrue);
      DebugOutFmtW(L"KalMsAddin.dll PowerPntDeleteWaterMark Count > 0.\n");
    }
  }
  m_presentation.Reset();
  m_presentations.Reset();
  m_app.Reset();
}

}  // namespace

int PowerPntDeleteWaterMark(const wchar_t* path) {
  (void)::OleInitialize(nullptr);
  int result = kPptRemovalDone;
  {
    CPptRemoval removal;
    result = removal.Run(path);
  }
  ::OleUninitialize();
  return result;
}

}  // namespace kal::powerpoint
