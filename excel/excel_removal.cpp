// ExcelDeleteWaterMark: the Excel branch of the offline watermark removal (see excel_removal.h).
#include "excel/excel_removal.h"

#include <windows.h>
#include <ole2.h>

#include <string>
#include <utility>

#include "core/automation.h"
#include "core/com_util.h"
#include "core/office_interfaces.h"
#include "core/trace.h"

namespace kal::excel {
namespace {

constexpr DWORD kExitWaitMs = 5000;
constexpr long kDontUpdateLinks = 0;  // Workbooks.Open UpdateLinks: external references stay as saved
// Given as the password to open and the password to write every workbook. Excel needs neither
// for a workbook without them and fails the open of one protected by another; left out, Excel
// would prompt in the hidden instance and the call would never return. UpdateLinks is given
// for the same reason: left out, Excel asks how to update a workbook's links.
constexpr wchar_t kNoPassword[] = L"~kal-no-pwd~";

// The object a variant holds, asked for one interface; empty when it does not answer it.
Dispatch AskFor(const CVariant& value, REFIID iid, HRESULT* hr) {
  IDispatch* object = value.PeekDispatch();
  if (!object) {
    *hr = E_NOINTERFACE;
    return Dispatch();
  }
  Microsoft::WRL::ComPtr<IDispatch> typed;
  *hr = object->QueryInterface(iid, reinterpret_cast<void**>(typed.GetAddressOf()));
  return SUCCEEDED(*hr) ? Dispatch(std::move(typed)) : Dispatch();
}

class CExcelRemoval {
 public:
  int Run(const wchar_t* path);

 private:
  int Start();
  int ClearBackgrounds(const wchar_t* path);
  void CleanUp();
  void EndInstance();

  Dispatch m_app;
  Dispatch m_workbooks;
  Dispatch m_book;
  CVariant m_displayAlerts;  // the instance's own setting, given back when it stays running
};

int CExcelRemoval::Run(const wchar_t* path) {
  int result = Start();
  if (result == kExcelRemovalDone) {
    try {
      result = ClearBackgrounds(path);
    } catch (const ComError& e) {
      DebugOutFmtW(L"KalMsAddin.dll CMSExcel::ExcelDeleteWaterMark _com_error : %s.\n", e.Message());
    } catch (...) {
      DebugOutFmtW(L"KalMsAddin.dll CMSExcel::ExcelDeleteWaterMark Exception.\n");
    }
  }
  CleanUp();
  return result;
}

int CExcelRemoval::Start() {
  CLSID clsid{};
  HRESULT hr = ::CLSIDFromProgID(L"Excel.Application", &clsid);
  if (FAILED(hr)) {
    DebugOutFmtW(L"KalMsAddin.dll ExcelDeleteWaterMark CLSIDFromProgID Excel.Application hr = 0x%x.\n", hr);
    return kExcelRemovalNoProgId;
  }
  Microsoft::WRL::ComPtr<IDispatch> app;
  hr = ::CoCreateInstance(clsid, nullptr, CLSCTX_LOCAL_SERVER, IID_Excel_Application,
                          reinterpret_cast<void**>(app.GetAddressOf()));
  if (FAILED(hr)) {
    DebugOutFmtW(L"KalMsAddin.dll ExcelDeleteWaterMark CoCreateInstance hr = 0x%x.\n", hr);
    return kExcelRemovalNoInstance;
  }
  m_app = Dispatch(std::move(app));
  // DisplayAlerts keeps Excel from asking anything while it opens, saves and closes the file.
  (void)m_app.TryGet(L"DisplayAlerts", &m_displayAlerts);
  (void)m_app.TryPut(L"DisplayAlerts", false);
  CVariant workbooks;
  hr = m_app.TryGet(L"Workbooks", &workbooks);
  if (SUCCEEDED(hr)) {
    m_workbooks = Dispatch(workbooks);
    if (!m_workbooks) hr = E_NOINTERFACE;
  }
  if (FAILED(hr)) {
    DebugOutFmtW(L"KalMsAddin.dll ExcelDeleteWaterMark get_Workbooks hr = 0x%x.\n", hr);
    return kExcelRemovalNoWorkbooks;
  }
  return kExcelRemovalDone;
}

int CExcelRemoval::ClearBackgrounds(const wchar_t* path) {
  const CVariant opened = m_workbooks.Call(L"Open", path ? path : L"", kDontUpdateLinks, Missing(), Missing(),
                                           kNoPassword, kNoPassword);
  HRESULT hr = S_OK;
  m_book = AskFor(opened, IID_Excel_Workbook, &hr);
  if (!m_book) {
    DebugOutFmtW(L"KalMsAddin.dll ExcelDeleteWaterMark Open hr = 0x%x.\n", hr);
    return kExcelRemovalNoWorkbook;
  }
  CVariant value;
  if (FAILED(m_book.TryGet(L"Worksheets", &value)) || !Dispatch(value)) return kExcelRemovalNoWorksheets;
  const Dispatch worksheets(value);
  long count = 0;
  if (FAILED(worksheets.TryGet(L"Count", &value)) || FAILED(value.ToInt(&count))) return kExcelRemovalNoCount;

  bool changed = false;
  for (long i = 1; i <= count; ++i) {
    CVariant item;
    if (FAILED(worksheets.TryCall(L"Item", &item, i))) continue;
    const Dispatch sheet = AskFor(item, IID_Excel_Worksheet, &hr);
    if (sheet && SUCCEEDED(sheet.TryCall(L"SetBackgroundPicture", nullptr, L""))) changed = true;
  }
  if (changed) m_book.Call(L"Save");
  return kExcelRemovalDone;
}

void CExcelRemoval::CleanUp() {
  try {
    if (m_book) {
      const HRESULT hr = m_book.TryCall(L"Close", nullptr, Missing(), Missing(), Missing());
      if (FAILED(hr)) DebugOutFmtW(L"KalMsAddin.dll ExcelDeleteWaterMark Close hr = 0x%x.\n", hr);
    }
    long count = 0;
    if (m_workbooks) {
      CVariant value;
      if (FAILED(m_workbooks.TryGet(L"Count", &value)) || FAILED(value.ToInt(&count))) count = 0;
      DebugOutFmtW(L"KalMsAddin.dll ExcelDeleteWaterMark Workbooks Count = %d.\n", count);
    }
    if (m_app) {
      if (count != 0) {
        // The instance holds workbooks of its user: it is shown (which puts it in the user's
        // control) with its own alert setting, and left running.
        if (m_displayAlerts.Type() != VT_EMPTY) (void)m_app.TryPut(L"DisplayAlerts", m_displayAlerts);
        m_app.Put(L"Visible", true);
        DebugOutFmtW(L"KalMsAddin.dll ExcelDeleteWaterMark Count > 0.\n");
      } else {
        EndInstance();
      }
    }
  } catch (const ComError& e) {
    DebugOutFmtW(L"KalMsAddin.dll CMSExcel::ExcelDeleteWaterMark2 _com_error : %s.\n", e.Message());
  } catch (...) {
    DebugOutFmtW(L"KalMsAddin.dll CMSExcel::ExcelDeleteWaterMark2 Exception.\n");
  }
  m_book.Reset();
  m_workbooks.Reset();
  m_app.Reset();
}

// Excel may stay after Quit while anything holds it: its thread and window are told to close,
// and its process is ended when it has not gone within the wait.
void CExcelRemoval::EndInstance() {
  (void)m_app.TryCall(L"Quit", nullptr);
  CVariant value;
  long handle = 0;
  if (FAILED(m_app.TryGet(L"Hwnd", &value)) || FAILED(value.ToInt(&handle))) handle = 0;
  const HWND window = reinterpret_cast<HWND>(static_cast<LONG_PTR>(handle));
  if (!::IsWindow(window)) {
    DebugOutFmtW(L"KalMsAddin.dll ExcelDeleteWaterMark IsWindow = FALSE, Error Code = %d.\n", ::GetLastError());
    return;
  }
  DWORD processId = 0;
  const DWORD threadId = ::GetWindowThreadProcessId(window, &processId);
  if (threadId == 0 || processId == 0) {
    DebugOutFmtW(L"KalMsAddin.dll ExcelDeleteWaterMark GetWindowThreadProcessId = FALSE, Error Code = %d.\n",
                 ::GetLastError());
    return;
  }
  ::PostThreadMessageW(threadId, WM_QUIT, 0, 0);
  ::PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
  CHandle process(::OpenProcess(PROCESS_TERMINATE | PROCESS_QUERY_INFORMATION | SYNCHRONIZE, FALSE, processId));
  if (!process) {
    DebugOutFmtW(L"KalMsAddin.dll ExcelDeleteWaterMark OpenProcess = FALSE, Error Code = %d.\n", ::GetLastError());
    return;
  }
  if (::WaitForSingleObject(process.Get(), kExitWaitMs) == WAIT_OBJECT_0) {
    DebugOutFmtW(L"KalMsAddin.dll ExcelDeleteWaterMark WaitForSingleObject = WAIT_OBJECT_0.\n");
  } else if (::TerminateProcess(process.Get(), 0)) {
    DebugOutFmtW(L"KalMsAddin.dll ExcelDeleteWaterMark TerminateProcess = True.\n");
  } else {
    DebugOutFmtW(L"KalMsAddin.dll ExcelDeleteWaterMark TerminateProcess = FALSE, Error Code = %d.\n",
                 ::GetLastError());
  }
}

}  // namespace

int ExcelDeleteWaterMark(const wchar_t* path) {
  (void)::OleInitialize(nullptr);
  int result = kExcelRemovalDone;
  {
    CExcelRemoval removal;
    result = removal.Run(path);
  }
  ::OleUninitialize();
  return result;
}

}  // namespace kal::excel
