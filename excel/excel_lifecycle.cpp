// CMSExcel's connection, start-up, shutdown and ribbon entry points and its four AppEvents
// handlers with the guard each applies before it stamps or clears a sheet.
#include <string>

#include "core/automation.h"
#include "core/command_line.h"
#include "core/policy.h"
#include "core/readonly.h"
#include "core/trace.h"
#include "excel/excel_workbooks.h"
#include "excel/ms_excel.h"

using kal::CVariant;
using kal::Dispatch;

namespace {
constexpr UINT kLockTimerMs = 500;
}  // namespace

bool CMSExcel::PictureReady() const {
  return IsHasWatermark() && m_szImgPath[0] != L'\0' && kal::excel::PictureFileExists(m_szImgPath);
}

STDMETHODIMP CMSExcel::OnConnection(IDispatch* Application, ext_ConnectMode, IDispatch*, SAFEARRAY**) {
  TraceW(L"FILE CMSExcel::OnConnection----------------------------------");
  if (ProcessHasAutomationSwitch()) return S_OK;
  try {
    m_pApplication.Reset();
    if (Application) {
      Application->QueryInterface(kal::IID_Excel_Application,
                                  reinterpret_cast<void**>(m_pApplication.ReleaseAndGetAddressOf()));
    }
    const BOOL readOnly = IsTavReadOnly(::GetCurrentProcessId());
    if (readOnly && !m_nLockTimer) {
      g_pExcelAddin = this;
      m_nLockTimer = ::SetTimer(nullptr, 0, kLockTimerMs, &CMSExcel::LockBookTimer);
      // The timer procedure lives in this module: it stays loaded while the timer runs.
      if (m_nLockTimer) kal::CKalMsAddinModule::Instance().Lock();
      TraceW(L"CMSExcel::OnConnection LockBookTimer.\n");
    }
    if (!IsHasWatermark() && !readOnly) {
      TraceW(L"KalMsAddin.dll CMSExcel::IsHasWatermark Failed.\n");
      return S_OK;
    }
    (void)MakeWaterMarkPic(this);
    const HRESULT hr = m_pApplication ? m_sink.Advise(m_pApplication.Get()) : E_NOINTERFACE;
    return FAILED(hr) ? hr : S_OK;
  } catch (...) {
    TraceW(L"KalMsAddin.dll CMSExcel::OnConnection Exception.\n");
  }
  return S_OK;
}

STDMETHODIMP CMSExcel::OnDisconnection(ext_DisconnectMode, SAFEARRAY**) {
  try {
    // Excel can disconnect an add-in and keep running (COM Add-ins dialog): the protection
    // timer and the subscription end with the connection even when only protection was due.
    StopLockTimer(m_nLockTimer);
    if (IsHasWatermark()) {
      if (m_szImgPath[0] != L'\0' && kal::excel::PictureFileExists(m_szImgPath)) ::DeleteFileW(m_szImgPath);
    }
    if (m_pApplication && m_sink.IsAdvised()) m_sink.Unadvise();
  } catch (...) {
    TraceW(L"KalMsAddin.dll CMSExcel::OnDisconnection Exception.\n");
  }
  return S_OK;
}

STDMETHODIMP CMSExcel::OnAddInsUpdate(SAFEARRAY**) {
  TraceW(L"KalMsAddin.dll CMSExcel _IDTExtensibility2::OnAddInsUpdate.");
  return S_OK;
}

STDMETHODIMP CMSExcel::OnBeginShutdown(SAFEARRAY**) {
  TraceW(L"KalMsAddin.dll CMSExcel _IDTExtensibility2::OnBeginShutdown.");
  return S_OK;
}

STDMETHODIMP CMSExcel::OnStartupComplete(SAFEARRAY**) {
  TraceW(L" CMSExcel::OnStartupComplete--------------enter.\n");
  if (ProcessHasAutomationSwitch()) return S_OK;
  try {
    if (IsTavReadOnly(::GetCurrentProcessId())) {
      TraceW(L" CMSExcel::OnStartupComplete--------------IsTavReadOnly\n");
      ProtectWorkBooks();
    }
    TraceW(L"CMSExcel::OnStartupComplete Enter.\n");
    const bool exists = m_szImgPath[0] != L'\0' && kal::excel::PictureFileExists(m_szImgPath);
    TraceFmtW(L"CMSExcel::OnStartupComplete ExcelApp = %x, Has WM = %d, File Exists = %d, Length = %d, Path = %s",
              static_cast<unsigned>(reinterpret_cast<uintptr_t>(m_pApplication.Get())), IsHasWatermark(),
              exists ? 1 : 0, static_cast<int>(::wcsnlen(m_szImgPath, 256)), m_szImgPath);
    if (!m_pApplication || !IsHasWatermark() || m_szImgPath[0] == L'\0' || !exists) return S_OK;

    const Dispatch app(m_pApplication.Get());
    const Dispatch active(app.Get(L"ActiveWorkbook"));
    if (active) {
      TraceW(L"CMSExcel::OnStartupComplete GetActiveWorkbook.\n");
      SetExcelWatermark(active.Get(), m_szImgPath);
      return S_OK;
    }
    CVariant booksValue;
    const Dispatch books = SUCCEEDED(app.TryGet(L"Workbooks", &booksValue)) ? Dispatch(booksValue) : Dispatch();
    if (!books) {
      TraceW(L"CMSExcel::OnStartupComplete get_Workbooks Error.\n");
      return S_OK;
    }
    TraceW(L"CMSExcel::OnStartupComplete get_Workbooks.\n");
    long count = 0;
    if (FAILED(books.Get(L"Count").ToInt(&count))) return S_OK;
    // Excel lists its hidden personal macro workbook among the open workbooks, and with no
    // workbook active it may be the first: the first workbook the user can see is stamped
    // instead of Item(1), so the user's own workbook carries the mark.
    for (long i = 1; i <= count; ++i) {
      const Dispatch book(books.Call(L"Item", CVariant(i)));
      if (book && kal::excel::IsUserWorkbook(book)) {
        SetExcelWatermark(book.Get(), m_szImgPath);
        break;
      }
    }
  } catch (const kal::ComError& e) {
    DebugOutFmtW(L"KalMsAddin.dll CMSExcel::OnStartupComplete _com_error : %s.\n", e.Message());
  } catch (...) {
    DebugOutFmtW(L"KalMsAddin.dll CMSExcel::OnStartupComplete Exception.\n");
  }
  return S_OK;
}

STDMETHODIMP CMSExcel::GetCustomUI(BSTR, BSTR* RibbonXml) {
  TraceW(L"KalMsAddin.dll CMSExcel IRibbonExtensibility::raw_GetCustomUI.");
  if (!RibbonXml) return E_POINTER;
  try {
    if (!IsHasWatermark()) return S_OK;
    const std::wstring xml = kal::excel::BuildExcelRibbonXml();
    BSTR out = ::SysAllocStringLen(xml.data(), static_cast<UINT>(xml.size()));
    if (!out) return E_OUTOFMEMORY;
    *RibbonXml = out;
  } catch (...) {
    TraceW(L"KalMsAddin.dll CMSExcel::GetCustomUI Exception.\n");
  }
  return S_OK;
}

void CMSExcel::WorkbookActivate(IDispatch* workbook) {
  try {
    TraceW(L"KalMsAddin.dll CMSExcel::WorkbookActivate enter.\n");
    if (!workbook || !PictureReady()) return;
    TraceW(L"CMSExcel::WorkbookActivate Enter.\n");
    SetExcelWatermark(workbook, m_szImgPath);
  } catch (const kal::ComError& e) {
    DebugOutFmtW(L"KalMsAddin.dll CMSExcel::WorkbookActivate _com_error : %s.\n", e.Message());
  } catch (...) {
    DebugOutFmtW(L"KalMsAddin.dll CMSExcel::WorkbookActivate Exception.\n");
  }
}

void CMSExcel::WorkbookNewSheet(IDispatch* workbook, IDispatch* sheet) {
  try {
    TraceW(L"KalMsAddin.dll CMSExcel::WorkbookNewSheet enter.\n");
    if (!workbook || !sheet || !PictureReady()) return;
    TraceW(L"CMSExcel::WorkbookNewSheet Enter.\n");
    StampNewSheet(workbook, sheet);
  } catch (const kal::ComError& e) {
    DebugOutFmtW(L"KalMsAddin.dll CMSExcel::WorkbookNewSheet _com_error : %s.\n", e.Message());
  } catch (...) {
    DebugOutFmtW(L"KalMsAddin.dll CMSExcel::WorkbookNewSheet Exception.\n");
  }
}

void CMSExcel::SheetActivate(IDispatch* sheet) {
  try {
    TraceW(L"KalMsAddin.dll CMSExcel::SheetActivate enter.\n");
    if (!sheet || !PictureReady()) return;
    TraceW(L"CMSExcel::SheetActivate Enter.\n");
    StampSheet(sheet);
  } catch (const kal::ComError& e) {
    DebugOutFmtW(L"KalMsAddin.dll CMSExcel::SheetActivate _com_error : %s.\n", e.Message());
  } catch (...) {
    DebugOutFmtW(L"KalMsAddin.dll CMSExcel::SheetActivate Exception.\n");
  }
}

void CMSExcel::SheetDeactivate(IDispatch* sheet) {
  try {
    TraceW(L"KalMsAddin.dll CMSExcel::SheetDeactivate enter.\n");
    if (!sheet || !PictureReady()) return;
    TraceW(L"CMSExcel::SheetDeactivate Enter.\n");
    ClearSheet(sheet);
  } catch (const kal::ComError& e) {
    DebugOutFmtW(L"KalMsAddin.dll CMSExcel::SheetDeactivate _com_error : %s.\n", e.Message());
  } catch (...) {
    DebugOutFmtW(L"KalMsAddin.dll CMSExcel::SheetDeactivate Exception.\n");
  }
}
