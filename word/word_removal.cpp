// WordDeleteWaterMark: the Word branch of the offline watermark removal (see word_removal.h).
#include "word/word_removal.h"

#include <windows.h>
#include <ole2.h>

#include <string>
#include <vector>

#include "core/automation.h"
#include "core/automation_try.h"
#include "core/office_interfaces.h"
#include "core/trace.h"
#include "word/word_rules.h"

namespace kal::word {
namespace {

constexpr long kAlertsNone = 0;              // wdAlertsNone
constexpr long kSeekMainDocument = 0;        // wdSeekMainDocument
constexpr long kSeekCurrentPageHeader = 9;   // wdSeekCurrentPageHeader
constexpr long kNormalView = 1;              // wdNormalView (Draft)
constexpr long kOutlineView = 2;             // wdOutlineView
constexpr long kPrintView = 3;               // wdPrintView
constexpr long kDoNotSaveChanges = 0;        // wdDoNotSaveChanges
constexpr long kUnitCharacter = 1;           // wdCharacter
constexpr int kOpenOptionalArguments = 15;   // Documents.Open after FileName
constexpr int kOpenPasswordDocument = 4;     // 1-based among the optional arguments
constexpr int kOpenWritePasswordDocument = 7;

// Given for the open and the modify password of every file. Word ignores passwords for a file
// that has none, and fails the open of a file protected by another password instead of asking
// for it; with the arguments left out Word would show its password dialog in the hidden
// instance, whatever DisplayAlerts says, and the call would never return.
constexpr wchar_t kNoPassword[] = L"~kal-no-pwd~";  // within Word's 15-character limit

bool IsDraftOrOutline(long viewType) { return viewType == kNormalView || viewType == kOutlineView; }

// One removal: the objects it holds and the steps over them. Everything is released before
// the caller uninitialises OLE.
class CWordRemoval {
 public:
  int Run(const wchar_t* path);

 private:
  int OpenDocument(const wchar_t* path);
  bool DeleteInSections();
  bool DeleteInSection(const Dispatch& sections, long index);
  void SwitchToPrintLayout(const Dispatch& view);
  void CleanUp();

  Dispatch m_app;
  Dispatch m_documents;
  Dispatch m_doc;
  CVariant m_displayAlerts;  // the instance's own setting, given back when it stays running
};

int CWordRemoval::Run(const wchar_t* path) {
  int result = kWordRemovalDone;
  try {
    result = OpenDocument(path);
    if (result == kWordRemovalDone && DeleteInSections()) (void)m_doc.TryCall(L"Save", nullptr);
  } catch (const ComError& e) {
    DebugOutFmtW(L"KalMsAddin.dll CMSWord::WordDeleteWaterMark _com_error : %s.\n", e.Message());
  } catch (...) {
    DebugOutFmtW(L"KalMsAddin.dll CMSWord::WordDeleteWaterMark Exception.\n");
  }
  CleanUp();
  return result;
}

int CWordRemoval::OpenDocument(const wchar_t* path) {
  CLSID clsid{};
  HRESULT hr = ::CLSIDFromProgID(L"Word.Application", &clsid);
  if (FAILED(hr)) {
    DebugOutFmtW(L"KalMsAddin.dll WordDeleteWaterMark CLSIDFromProgID Word.Application hr = 0x%x.\n", hr);
    return kWordRemovalNoProgId;
  }
  Microsoft::WRL::ComPtr<IDispatch> app;
  hr = ::CoCreateInstance(clsid, nullptr, CLSCTX_LOCAL_SERVER, IID_Word_Application,
                          reinterpret_cast<void**>(app.GetAddressOf()));
  if (FAILED(hr)) {
    DebugOutFmtW(L"KalMsAddin.dll WordDeleteWaterMark CoCreateInstance hr = 0x%x.\n", hr);
    return kWordRemovalNoInstance;
  }
  m_app = Dispatch(std::move(app));
  (void)m_app.TryGet(L"DisplayAlerts", &m_displayAlerts);
  (void)m_app.TryPut(L"Visible", false);
  (void)m_app.TryPut(L"DisplayAlerts", kAlertsNone);

  hr = TryGetObj(m_app, L"Documents", &m_documents);
  if (FAILED(hr)) {
    m_documents.Reset();
    DebugOutFmtW(L"KalMsAddin.dll WordDeleteWaterMark get_Documents hr = 0x%x.\n", hr);
    return kWordRemovalNoDocuments;
  }

  std::vector<CArgument> args;
  args.emplace_back(CVariant(path ? path : L""));
  for (int i = 1; i <= kOpenOptionalArguments; ++i) {
    const bool password = i == kOpenPasswordDocument || i == kOpenWritePasswordDocument;
    args.emplace_back(password ? CVariant(kNoPassword) : Missing());
  }
  CVariant opened;
  hr = m_documents.TryInvoke(L"Open", DISPATCH_METHOD | DISPATCH_PROPERTYGET, std::move(args), &opened);
  if (SUCCEEDED(hr)) {
    m_doc = Dispatch(opened);
    if (!m_doc) hr = E_NOINTERFACE;
  }
  if (FAILED(hr)) {
    DebugOutFmtW(L"KalMsAddin.dll WordDeleteWaterMark Open hr = 0x%x.\n", hr);
    return kWordRemovalOpenFailed;
  }
  return kWordRemovalDone;
}

// True when at least one watermark shape was deleted.
bool CWordRemoval::DeleteInSections() {
  Dispatch sections;
  long count = 0;
  if (FAILED(TryGetObj(m_doc, L"Sections", &sections)) || FAILED(TryGetLong(sections, L"Count", &count))) {
    return false;
  }
  bool deleted = false;
  for (long i = 1; i <= count; ++i) deleted = DeleteInSection(sections, i) || deleted;
  return deleted;
}

// Visits the header of one section. A failing step, or a header without shapes, ends the
// visit of this section where it stands.
bool CWordRemoval::DeleteInSection(const Dispatch& sections, long index) {
  Dispatch section, range, window, pane, view;
  if (FAILED(TryCallObj(sections, L"Item", &section, index)) || FAILED(TryGetObj(section, L"Range", &range)) ||
      FAILED(range.TryCall(L"Select", nullptr)) || FAILED(TryGetObj(m_doc, L"ActiveWindow", &window)) ||
      FAILED(TryGetObj(window, L"ActivePane", &pane)) || FAILED(TryGetObj(pane, L"View", &view))) {
    return false;
  }
  // Word refuses a header view outside print layout: a draft or outline document is switched
  // before its header is asked for, not only after, or its marks could never be reached.
  SwitchToPrintLayout(view);
  if (FAILED(view.TryPut(L"SeekView", kSeekCurrentPageHeader))) return false;

  Dispatch selection, headerFooter, shapes;
  long n = 0;
  if (FAILED(TryGetObj(m_app, L"Selection", &selection)) ||
      FAILED(TryGetObj(selection, L"HeaderFooter", &headerFooter)) ||
      FAILED(TryGetObj(headerFooter, L"Shapes", &shapes)) || FAILED(TryGetLong(shapes, L"Count", &n)) || n == 0) {
    return false;
  }
  bool deleted = false;
  for (long j = 1; j <= n; ++j) {
    Dispatch shape;
    std::wstring name;
    if (FAILED(TryCallObj(shapes, L"Item", &shape, j)) || FAILED(TryGetString(shape, L"Name", &name))) continue;
    if (!IsRemovableWatermarkName(name)) continue;
    if (FAILED(shape.TryCall(L"Select", nullptr, Missing())) ||
        FAILED(selection.TryCall(L"Delete", nullptr, Named(L"Unit", kUnitCharacter), Named(L"Count", 1L)))) {
      continue;
    }
    deleted = true;
    // The next shape moved into place j.
    --n;
    --j;
  }
  SwitchToPrintLayout(view);
  (void)view.TryPut(L"SeekView", kSeekCurrentPageHeader);
  (void)view.TryPut(L"SeekView", kSeekMainDocument);
  return deleted;
}

void CWordRemoval::SwitchToPrintLayout(const Dispatch& view) {
  long type = 0;
  if (SUCCEEDED(TryGetLong(view, L"Type", &type)) && IsDraftOrOutline(type)) (void)view.TryPut(L"Type", kPrintView);
}

void CWordRemoval::CleanUp() {
  try {
    if (m_doc) {
      // Nothing but the deletions may reach the file, and a hidden instance must never ask
      // whether to save: the changes were saved already or there were none.
      const HRESULT hr = m_doc.TryCall(L"Close", nullptr, kDoNotSaveChanges, Missing(), Missing());
      if (FAILED(hr)) DebugOutFmtW(L"KalMsAddin.dll WordDeleteWaterMark Close hr = 0x%x.\n", hr);
    }
    long count = 0;
    if (m_documents) {
      const HRESULT hr = m_documents.Get(L"Count").ToInt(&count);
      if (FAILED(hr)) throw ComError(hr);
      DebugOutFmtW(L"KalMsAddin.dll WordDeleteWaterMark Document Count = %d.\n", count);
    }
    if (m_app) {
      if (count != 0) {
        // The instance holds documents of its user: it stays, shown, with its own alert setting.
        if (m_displayAlerts.Type() != VT_EMPTY) (void)m_app.TryPut(L"DisplayAlerts", m_displayAlerts);
        m_app.Put(L"Visible", true);
        DebugOutFmtW(L"KalMsAddin.dll WordDeleteWaterMark Count > 0.\n");
      } else {
        const HRESULT hr = m_app.TryCall(L"Quit", nullptr, Missing(), Missing(), Missing());
        DebugOutFmtW(L"KalMsAddin.dll WordDeleteWaterMark Quit, hr = 0x%x.\n", hr);
      }
    }
  } catch (const ComError& e) {
    DebugOutFmtW(L"KalMsAddin.dll CMSWord::WordDeleteWaterMark _com_error2 : %s.\n", e.Message());
  } catch (...) {
    DebugOutFmtW(L"KalMsAddin.dll CMSWord::WordDeleteWaterMark2 Exception.\n");
  }
  m_doc.Reset();
  m_documents.Reset();
  m_app.Reset();
}

}  // namespace

int WordDeleteWaterMark(const wchar_t* path) {
  (void)::OleInitialize(nullptr);
  int result = kWordRemovalDone;
  {
    CWordRemoval removal;
    result = removal.Run(path);
  }
  ::OleUninitialize();
  return result;
}

}  // namespace kal::word
