// Protection of the workbooks of a read-only Excel process: each workbook's structure and each
// of its worksheets protected with a throw-away password (one per workbook and pass), the
// workbook then marked saved; a 500 ms thread timer repeats this until a workbook is open.
#include <string>

#include "core/automation.h"
#include "core/policy.h"
#include "core/readonly.h"
#include "core/trace.h"
#include "excel/excel_workbooks.h"
#include "excel/ms_excel.h"

using kal::CVariant;
using kal::Dispatch;
using kal::Missing;

namespace {
const wchar_t kCountLine[] = L"得到工作本的数量------------";

void CountTrace(const wchar_t* suffix) { TraceW((std::wstring(kCountLine) + suffix).c_str()); }
}  // namespace

int CMSExcel::ProtectWorkBooks(long* workbookCount) {
  TraceW(L"KalMsAddin.dll CMSExcel IRibbonExtensibility::ProtectWorkBooks-----------.");
  int result = 0;
  try {
    CVariant booksValue;
    const Dispatch books = m_pApplication && SUCCEEDED(Dispatch(m_pApplication.Get()).TryGet(L"Workbooks", &booksValue))
                               ? Dispatch(booksValue)
                               : Dispatch();
    if (!books) {
      TraceW(L"KalMsAddin.dll CMSExcel IRibbonExtensibility::OnStartupComplete. get_Workbooks failed.");
      return 0;
    }
    CountTrace(L"");
    long count = 0;
    const HRESULT hrCount = books.Get(L"Count").ToInt(&count);
    if (FAILED(hrCount)) throw kal::ComError(hrCount);
    if (workbookCount) {
      CountTrace(L"a");
      // Counted below as the user's workbooks are met: Excel's hidden personal macro workbook
      // is open from the start and must not end the wait for the user's document.
      *workbookCount = 0;
    }
    // With a watermark due, a worksheet gets the picture before it is protected: a protected
    // sheet refuses background changes, so it could never be stamped afterwards.
    const bool stampFirst = PictureReady();
    for (long i = 1; i <= count; ++i) {
      CountTrace(L"b");
      CVariant item;
      const Dispatch book = SUCCEEDED(books.TryCall(L"Item", &item, CVariant(i))) ? Dispatch(item) : Dispatch();
      if (!book) {
        CountTrace(L"1");
        continue;
      }
      // The hidden personal macro workbook is no document of the user: locking it with a
      // password nobody knows would lock the user's macros for good.
      if (!kal::excel::IsUserWorkbook(book)) continue;
      if (workbookCount) ++*workbookCount;
      // Lives only for this workbook's protection calls: never stored, traced or shown.
      const CVariant password(MakeProtectPassword());
      // A workbook the user protected (structure, windows or both) keeps the user's
      // protection: Excel refuses to protect it again, and that failure would end the pass
      // before the other workbooks.
      if (!kal::excel::UserProtectedWorkbook(book)) book.Call(L"Protect", password, CVariant(true), CVariant(false));
      CVariant sheetsValue;
      const Dispatch sheets = SUCCEEDED(book.TryGet(L"Worksheets", &sheetsValue)) ? Dispatch(sheetsValue) : Dispatch();
      if (!sheets) {
        CountTrace(L"2");
        continue;
      }
      long sheetCount = 0;
      const HRESULT hrSheets = sheets.Get(L"Count").ToInt(&sheetCount);
      if (FAILED(hrSheets)) throw kal::ComError(hrSheets);
      for (long j = 1; j <= sheetCount; ++j) {
        CVariant sheetValue;
        const Dispatch sheet = SUCCEEDED(sheets.TryCall(L"Item", &sheetValue, CVariant(j)))
                                   ? kal::excel::AsWorksheet(sheetValue.PeekDispatch())
                                   : Dispatch();
        if (!sheet) {
          CountTrace(L"3");
          continue;
        }
        CountTrace(L"4");
        if (stampFirst) (void)sheet.TryCall(L"SetBackgroundPicture", nullptr, m_szImgPath);
        try {
          sheet.Call(L"Protect", password, CVariant(true), CVariant(true), CVariant(true), Missing(), Missing(),
                     Missing(), Missing(), Missing(), Missing(), Missing(), Missing(), Missing(), Missing(), Missing(),
                     Missing());
          result = 1;
        } catch (const kal::ComError&) {
          CountTrace(L"catch");
          result = 0;
        }
      }
      if (FAILED(book.TryPut(L"Saved", true))) {
        CountTrace(L"put_Saved");
        return 0;
      }
      CountTrace(L"5");
    }
  } catch (const kal::ComError&) {
    TraceW(L"KalMsAddin.dll CMSExcel::ProtectWorkBooks _com_error ");
  } catch (...) {
    TraceW(L"KalMsAddin.dll CMSExcel::ProtectWorkBooks Exception.\n");
  }
  return result;
}

void CALLBACK CMSExcel::LockBookTimer(HWND, UINT, UINT_PTR timerId, DWORD) {
  CMSExcel* addin = g_pExcelAddin;
  if (!addin) return;
  TraceW(L"LockBookTimer----------------enter");
  long count = 0;
  addin->ProtectWorkBooks(&count);
  if (count != 0) {
    TraceW(L"LockBookTimer----------------KillTimer");
    addin->StopLockTimer(timerId);
  }
}

void CMSExcel::StopLockTimer(UINT_PTR timerId) {
  if (!timerId) return;
  ::KillTimer(nullptr, timerId);
  if (timerId == m_nLockTimer) {
    m_nLockTimer = 0;
    kal::CKalMsAddinModule::Instance().Unlock();
  }
}
