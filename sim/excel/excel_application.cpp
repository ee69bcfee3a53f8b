// Excel's Application object: its automation members, its events, its main window and the
// workbook operations (new, open, activate, add sheet, save, close, quit) with the events Excel
// fires for them.
#include <algorithm>

#include "core/office_interfaces.h"
#include "sim/engine/sim_error.h"
#include "sim/excel/excel_json.h"
#include "sim/excel/excel_model.h"
#include "sim/excel/excel_objects.h"
#include "sim/excel/excel_open.h"

namespace kalsim::excel {

using Microsoft::WRL::ComPtr;

namespace {
const wchar_t kWindowClass[] = L"XLMAIN";  // Excel's main window class

AppPtr Self(CExcelApplication& a) { return AppPtr(&a); }

bool SamePath(const std::wstring& a, const std::wstring& b) {
  return !a.empty() && CompareStringOrdinal(a.c_str(), -1, b.c_str(), -1, TRUE) == CSTR_EQUAL;
}

// The main window closes as the user's click on its close box does: Excel quits.
LRESULT CALLBACK ExcelWndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_CLOSE) {
    auto* app = reinterpret_cast<CExcelApplication*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (app) app->Quit();
    return 0;
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

HWND CreateMainWindow() {
  WNDCLASSW wc{};
  wc.lpfnWndProc = ExcelWndProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = kWindowClass;
  RegisterClassW(&wc);  // fails harmlessly when already registered
  return CreateWindowExW(0, kWindowClass, L"Excel", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, 800, 600,
                         nullptr, nullptr, wc.hInstance, nullptr);
}
}  // namespace

std::vector<std::wstring> ExcelRibbonCommands() {
  return {L"SheetBackground", L"FileSave", L"Bold", L"ReviewProtectSheet", L"ReviewProtectWorkbook"};
}

CExcelApplication::CExcelApplication() : CSimDispatch(Table()), m_commands(ExcelRibbonCommands()) {
  SetErrorSource(L"Microsoft Excel");
  AnswerIid(kal::IID_Excel_Application);
  m_pEvents = &AddConnectionPoint(kal::DIID_Excel_AppEvents);
  // Application.Hwnd: a real top-level window owned by the creating (main) thread.
  m_hwnd = CreateMainWindow();
  if (m_hwnd) SetWindowLongPtrW(m_hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

CExcelApplication::~CExcelApplication() {
  if (m_hwnd && IsWindow(m_hwnd)) {
    SetWindowLongPtrW(m_hwnd, GWLP_USERDATA, 0);
    DestroyWindow(m_hwnd);
  }
}

ComPtr<CExcelApplication> CExcelApplication::Create(const std::wstring& version) {
  auto app = MakeSim<CExcelApplication>();
  app->m_state.version = version;
  return app;
}

const CSimMemberTable& CExcelApplication::Table() {
  static CSimMemberTable table = [] {
    CSimMemberTable t(L"Application");
    using A = CExcelApplication;
    CSimTableBuilder<A>(t)
        .Get(L"Name", [](A&) { return CSimVariant::Str(L"Microsoft Excel"); })
        .Get(L"Version", [](A& a) { return CSimVariant::Str(a.m_state.version); })
        .Get(L"Application", [](A& a) { return CSimVariant::Disp(a.AsDispatch()); })
        .Get(L"Parent", [](A& a) { return CSimVariant::Disp(a.AsDispatch()); })
        .Get(L"Workbooks", [](A& a) { return DispOf(MakeWorkbooksObject(Self(a))); })
        // https://learn.microsoft.com/office/vba/api/excel.application.protectedviewwindows
        .Get(L"ProtectedViewWindows", [](A& a) { return DispOf(MakeProtectedViewWindowsObject(Self(a))); })
        // https://learn.microsoft.com/office/vba/api/excel.application.activeprotectedviewwindow:
        // Nothing when no Protected View window is open (and, unverified, when another
        // window is on top).
        .Get(L"ActiveProtectedViewWindow",
             [](A& a) {
               return a.m_state.protectedViewOnTop
                          ? DispOf(MakeProtectedViewWindowObject(Self(a), a.m_state.protectedView.back()))
                          : CSimVariant::Disp(nullptr);
             })
        // https://learn.microsoft.com/office/vba/api/excel.application.activeworkbook: Nothing
        // when no window is open (a hidden PERSONAL.XLSB has none).
        // "The document in the active Protected View window cannot be accessed by using this
        // property": Nothing while such a window is on top.
        .Get(L"ActiveWorkbook",
             [](A& a) {
               return a.m_state.active && !a.m_state.protectedViewOnTop ? DispOf(a.WorkbookObject(a.m_state.active))
                                                                        : CSimVariant::Disp(nullptr);
             })
        // https://learn.microsoft.com/office/vba/api/excel.application.activesheet: Nothing
        // when there is no active sheet.
        .Get(L"ActiveSheet",
             [](A& a) {
               auto book = a.m_state.active;
               if (!book || !book->activeSheet || a.m_state.protectedViewOnTop) return CSimVariant::Disp(nullptr);
               return DispOf(a.SheetObject(book, book->activeSheet));
             })
        // https://learn.microsoft.com/office/vba/api/excel.application.hwnd
        .Get(L"Hwnd", [](A& a) { return CSimVariant::Int(static_cast<long>(reinterpret_cast<LONG_PTR>(a.m_hwnd))); })
        .Prop(L"Visible", [](A& a) { return CSimVariant::Bool(a.m_state.visible); },
              [](A& a, const VARIANT& v) { a.m_state.visible = ToBool(v); })
        .Prop(L"DisplayAlerts", [](A& a) { return CSimVariant::Bool(a.m_state.displayAlerts); },
              [](A& a, const VARIANT& v) { a.m_state.displayAlerts = ToBool(v); })
        .Prop(L"Interactive", [](A& a) { return CSimVariant::Bool(a.m_state.interactive); },
              [](A& a, const VARIANT& v) { a.m_state.interactive = ToBool(v); })
        // https://learn.microsoft.com/office/vba/api/excel.application.usercontrol
        // "True if the application is visible or if it was created or started by the user".
        .Prop(L"UserControl", [](A& a) { return CSimVariant::Bool(a.m_state.userControl || a.m_state.visible); },
              [](A& a, const VARIANT& v) { a.m_state.userControl = ToBool(v); })
        .Prop(L"ScreenUpdating", [](A& a) { return CSimVariant::Bool(a.m_state.screenUpdating); },
              [](A& a, const VARIANT& v) { a.m_state.screenUpdating = ToBool(v); })
        // https://learn.microsoft.com/office/vba/api/excel.application.quit: open workbooks
        // are not closed without the user (or DisplayAlerts False, which discards changes).
        .Method(L"Quit", {},
                [](A& a, const CSimArgs&) {
                  if (!a.m_state.displayAlerts) {
                    for (auto book : std::vector<std::shared_ptr<CWorkbook>>(a.m_state.workbooks))
                      a.CloseWorkbook(book, false);
                  }
                  a.Quit();
                  return CSimVariant();
                });
    return t;
  }();
  return table;
}

int CExcelApplication::EventsFired(DISPID id) const {
  auto it = m_fired.find(id);
  return it == m_fired.end() ? 0 : it->second;
}

size_t CExcelApplication::AdvisedSinks() const { return m_pEvents->SinkCount(); }

void CExcelApplication::Fire(DISPID id, std::vector<CSimVariant> args, const std::wstring& about) {
  ++m_fired[id];
  m_eventLog.emplace_back(id, about);
  m_pEvents->Fire(id, std::move(args));
}

ComPtr<IDispatch> CExcelApplication::WorkbookObject(const std::shared_ptr<CWorkbook>& book) {
  return MakeWorkbookObject(Self(*this), book);
}

ComPtr<IDispatch> CExcelApplication::SheetObject(const std::shared_ptr<CWorkbook>& book,
                                                 const std::shared_ptr<CSheet>& sheet) {
  return MakeSheetObject(Self(*this), book, sheet);
}

void CExcelApplication::SwitchTo(const std::shared_ptr<CWorkbook>& book) {
  if (book) m_state.protectedViewOnTop = false;
  auto old = m_state.active;
  if (old == book) return;
  m_state.active = book;
  if (old) Fire(kal::kExcelEvtWorkbookDeactivate, {DispOf(WorkbookObject(old))}, old->name);
  if (book) Fire(kal::kExcelEvtWorkbookActivate, {DispOf(WorkbookObject(book))}, book->name);
}

std::shared_ptr<CWorkbook> CExcelApplication::NewWorkbook() {
  auto book = MakeWorkbook(L"Book" + std::to_wstring(++m_state.untitledCount), 1);
  m_state.workbooks.push_back(book);
  Fire(kal::kExcelEvtNewWorkbook, {DispOf(WorkbookObject(book))}, book->name);
  SwitchTo(book);
  return book;
}

std::shared_ptr<CWorkbook> CExcelApplication::OpenWorkbook(const std::wstring& path) {
  COpenArguments args;
  args.fileName = path;
  return OpenWorkbook(args);
}

std::shared_ptr<CWorkbook> CExcelApplication::OpenWorkbook(const COpenArguments& args) {
  for (const auto& b : m_state.workbooks) {
    if (SamePath(b->path, args.fileName)) {
      if (!b->hidden) SwitchTo(b);
      return b;
    }
  }
  auto book = LoadWorkbookFile(args.fileName);
  AdmitWorkbook(*book, args);
  return AddWorkbook(book);
}

std::shared_ptr<CWorkbook> CExcelApplication::AddWorkbook(std::shared_ptr<CWorkbook> book) {
  m_state.workbooks.push_back(book);
  Fire(kal::kExcelEvtWorkbookOpen, {DispOf(WorkbookObject(book))}, book->name);
  if (!book->hidden) SwitchTo(book);
  return book;
}

std::shared_ptr<CWorkbook> CExcelApplication::OpenInProtectedView(const std::wstring& path) {
  auto book = LoadWorkbookFile(path);
  book->sandboxed = true;
  m_state.protectedView.push_back(book);
  m_state.protectedViewOnTop = true;
  Fire(kEvtProtectedViewWindowOpen, {DispOf(MakeProtectedViewWindowObject(Self(*this), book))}, book->name);
  return book;
}

void CExcelApplication::EnableEditing(std::shared_ptr<CWorkbook> book) {
  auto it = std::find(m_state.protectedView.begin(), m_state.protectedView.end(), book);
  if (it == m_state.protectedView.end()) ThrowBadIndex();
  VARIANT_BOOL cancel = VARIANT_FALSE;
  CSimVariant cancelArg;
  cancelArg.Ptr()->vt = VT_BOOL | VT_BYREF;
  cancelArg.Ptr()->pboolVal = &cancel;
  Fire(kEvtProtectedViewWindowBeforeEdit, {DispOf(MakeProtectedViewWindowObject(Self(*this), book)), cancelArg},
       book->name);
  cancelArg.Ptr()->vt = VT_EMPTY;
  if (cancel != VARIANT_FALSE) return;
  m_state.protectedView.erase(std::find(m_state.protectedView.begin(), m_state.protectedView.end(), book));
  m_state.protectedViewOnTop = false;
  book->sandboxed = false;
  AddWorkbook(book);
}

void CExcelApplication::ActivateWorkbook(const std::shared_ptr<CWorkbook>& book) {
  if (!book || book->closed) ThrowBadIndex();
  // Unverified: a workbook without a visible window cannot be activated.
  if (book->hidden) ThrowOffice(kErrMethodFailed, L"Activate method of Workbook class failed");
  SwitchTo(book);
}

void CExcelApplication::ActivateSheet(const std::shared_ptr<CWorkbook>& book, const std::shared_ptr<CSheet>& sheet) {
  if (!book || !sheet || sheet->deleted) ThrowBadIndex();
  if (book != m_state.active) ActivateWorkbook(book);
  auto old = book->activeSheet;
  if (old == sheet) return;
  book->activeSheet = sheet;
  if (old) Fire(kal::kExcelEvtSheetDeactivate, {DispOf(SheetObject(book, old))}, old->name);
  Fire(kal::kExcelEvtSheetActivate, {DispOf(SheetObject(book, sheet))}, sheet->name);
}

std::shared_ptr<CSheet> CExcelApplication::AddSheet(const std::shared_ptr<CWorkbook>& book, CSheetType type) {
  if (!book || book->closed) ThrowBadIndex();
  RequireStructureUnprotected(*book);
  auto sheet = std::make_shared<CSheet>();
  sheet->type = type;
  // Excel names new sheets after the kind and a number not yet used in the workbook.
  for (long n = 1;; ++n) {
    std::wstring name = (type == CSheetType::Chart ? L"Chart" : L"Sheet") + std::to_wstring(n);
    if (std::none_of(book->sheets.begin(), book->sheets.end(), [&](const std::shared_ptr<CSheet>& s) {
          return CompareStringOrdinal(s->name.c_str(), -1, name.c_str(), -1, TRUE) == CSTR_EQUAL;
        })) {
      sheet->name = name;
      break;
    }
  }
  // https://learn.microsoft.com/office/vba/api/excel.sheets.add: without Before and After
  // the new sheet goes before the active sheet, and it becomes the active sheet.
  auto at = std::find(book->sheets.begin(), book->sheets.end(), book->activeSheet);
  book->sheets.insert(at, sheet);
  ++book->sheetsCreated;
  book->saved = false;
  auto old = book->activeSheet;
  book->activeSheet = sheet;
  if (book == m_state.active && old) Fire(kal::kExcelEvtSheetDeactivate, {DispOf(SheetObject(book, old))}, old->name);
  Fire(kal::kExcelEvtWorkbookNewSheet, {DispOf(WorkbookObject(book)), DispOf(SheetObject(book, sheet))},
       sheet->name);
  return sheet;
}

void CExcelApplication::DeleteSheet(const std::shared_ptr<CWorkbook>& book, const std::shared_ptr<CSheet>& sheet) {
  RequireStructureUnprotected(*book);
  // https://learn.microsoft.com/office/vba/api/excel.worksheet.delete: a workbook keeps at
  // least one visible sheet.
  if (book->sheets.size() <= 1) ThrowOffice(kErrMethodFailed, L"Delete method of Worksheet class failed");
  auto it = std::find(book->sheets.begin(), book->sheets.end(), sheet);
  if (it == book->sheets.end()) ThrowBadIndex();
  const size_t index = static_cast<size_t>(it - book->sheets.begin());
  book->sheets.erase(it);
  sheet->deleted = true;
  book->saved = false;
  if (book->activeSheet == sheet) book->activeSheet = book->sheets[std::min(index, book->sheets.size() - 1)];
}

void CExcelApplication::SaveWorkbook(const std::shared_ptr<CWorkbook>& book, const std::wstring& path) {
  if (!book || book->closed) ThrowBadIndex();
  RequireEditable(*book);
  const std::wstring target = path.empty() ? book->path : path;
  if (target.empty()) ThrowOffice(kErrMethodFailed, L"Save method of Workbook class failed");  // would need a dialog
  // A workbook opened read-only keeps its file as it is (unverified error).
  if (book->readOnly && SamePath(target, book->path))
    ThrowOffice(kErrMethodFailed, L"Save method of Workbook class failed");
  VARIANT_BOOL saveAsUi = VARIANT_FALSE, cancel = VARIANT_FALSE;
  CSimVariant uiArg, cancelArg;
  uiArg.Ptr()->vt = VT_BOOL | VT_BYREF;
  uiArg.Ptr()->pboolVal = &saveAsUi;
  cancelArg.Ptr()->vt = VT_BOOL | VT_BYREF;
  cancelArg.Ptr()->pboolVal = &cancel;
  Fire(kal::kExcelEvtWorkbookBeforeSave, {DispOf(WorkbookObject(book)), uiArg, cancelArg}, book->name);
  uiArg.Ptr()->vt = VT_EMPTY;  // the pointers are ours, not the variants'
  cancelArg.Ptr()->vt = VT_EMPTY;
  if (cancel != VARIANT_FALSE) return;
  SaveWorkbookFile(*book, target);
  book->path = target;
  const size_t slash = target.find_last_of(L"\\/");
  book->name = slash == std::wstring::npos ? target : target.substr(slash + 1);
  book->saved = true;
}

void CExcelApplication::CloseWorkbook(const std::shared_ptr<CWorkbook>& book, bool saveChanges) {
  auto it = std::find(m_state.workbooks.begin(), m_state.workbooks.end(), book);
  if (it == m_state.workbooks.end()) return;
  VARIANT_BOOL cancel = VARIANT_FALSE;
  CSimVariant cancelArg;
  cancelArg.Ptr()->vt = VT_BOOL | VT_BYREF;
  cancelArg.Ptr()->pboolVal = &cancel;
  Fire(kal::kExcelEvtWorkbookBeforeClose, {DispOf(WorkbookObject(book)), cancelArg}, book->name);
  cancelArg.Ptr()->vt = VT_EMPTY;
  if (cancel != VARIANT_FALSE) return;
  if (saveChanges && !book->saved) SaveWorkbook(book);
  it = std::find(m_state.workbooks.begin(), m_state.workbooks.end(), book);
  if (it != m_state.workbooks.end()) m_state.workbooks.erase(it);
  book->closed = true;
  if (m_state.active == book) {
    // Unverified: the most recently opened visible workbook comes to the top.
    std::shared_ptr<CWorkbook> next;
    for (const auto& b : m_state.workbooks)
      if (!b->hidden) next = b;
    m_state.active = nullptr;
    if (next) SwitchTo(next);
  }
}

void CExcelApplication::Quit() {
  if (m_state.quitRequested) return;
  m_state.quitRequested = true;
  if (m_fnOnQuit) m_fnOnQuit();
}

bool CExcelApplication::ExecuteCommand(const std::wstring& idMso) {
  if (!m_commands.Click(idMso)) return false;
  if (idMso == L"FileSave" && m_state.active) SaveWorkbook(m_state.active);
  return true;
}

void CExcelApplication::DisconnectSinks() { m_pEvents->DropAll(); }

}  // namespace kalsim::excel
