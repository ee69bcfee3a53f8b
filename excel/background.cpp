// The Excel background watermark: the picture set as the background of the sheet the user is
// looking at (the active worksheet, else the first worksheet), stamped on new sheets, set on
// the sheet that becomes active and cleared from the sheet that is left.
#include "core/automation.h"
#include "core/trace.h"
#include "excel/excel_workbooks.h"
#include "excel/ms_excel.h"

using kal::CVariant;
using kal::Dispatch;

int CMSExcel::SetExcelWatermark(IDispatch* workbook, const wchar_t* path) {
  try {
    const Dispatch book(workbook);
    const CVariant active = book.Get(L"ActiveSheet");
    const Dispatch activeSheet = kal::excel::AsWorksheet(active.PeekDispatch());
    if (activeSheet) {
      // The saved state is kept here too (the given steps leave it): see KeepingSaved.
      kal::excel::KeepingSaved(active.PeekDispatch(), [&] { activeSheet.Call(L"SetBackgroundPicture", path); });
      TraceFmtW(L"SetExcelWatermark GetActiveSheet SetBackgroundPicture hr = 0x%x m_szImgPath=%s", 0u, m_szImgPath);
      return 1;
    }
    CVariant sheetsValue;
    const Dispatch sheets = SUCCEEDED(book.TryGet(L"Worksheets", &sheetsValue)) ? Dispatch(sheetsValue) : Dispatch();
    if (!sheets) {
      TraceFmtW(L"CMSExcel::SetExcelWatermark GetWorksheets == NULL, %d", static_cast<int>(::GetLastError()));
      return 0;
    }
    const bool saved = kal::excel::ReadSavedFlag(book);
    long count = 0;
    const HRESULT hrCount = sheets.Get(L"Count").ToInt(&count);
    if (FAILED(hrCount)) throw kal::ComError(hrCount);
    for (long index = 0; index < (count < 1 ? count : 1); ++index) {
      const CVariant item = sheets.Call(L"Item", CVariant(index + 1));
      const Dispatch sheet = kal::excel::AsWorksheet(item.PeekDispatch());
      if (!sheet) {
        DebugOutFmtW(L"CMSExcel::SetExcelWatermark GetItem == NULL, %d", static_cast<int>(::GetLastError()));
        return 0;
      }
      sheet.Call(L"SetBackgroundPicture", path);
      DebugOutFmtW(L"SetExcelWatermark nSheetNum = %d nSheetIndex = %d SetBackgroundPicture hr = 0x%x m_szImgPath=%s",
                   static_cast<int>(count), static_cast<int>(index), 0u, m_szImgPath);
    }
    // Stamping must not make Excel ask to save a workbook the user had not changed.
    if (saved) book.Put(L"Saved", true);
    return 1;
  } catch (const kal::ComError& e) {
    DebugOutFmtW(L"KalMsAddin.dll CMSExcel::SetExcelWatermark _com_error : %s.\n", e.Message());
  } catch (...) {
    DebugOutFmtW(L"KalMsAddin.dll CMSExcel::SetExcelWatermark Exception.\n");
  }
  return 1;
}

void CMSExcel::StampNewSheet(IDispatch* workbook, IDispatch* sheet) {
  const Dispatch book(workbook);
  const bool saved = kal::excel::ReadSavedFlag(book);
  kal::excel::RequireWorksheet(sheet).Call(L"SetBackgroundPicture", m_szImgPath);
  if (saved) book.Put(L"Saved", true);
}

// Switching sheets keeps the workbook's saved state, a departure from the given steps (which
// leave the workbook marked changed): see KeepingSaved.
void CMSExcel::StampSheet(IDispatch* sheet) {
  const Dispatch worksheet = kal::excel::RequireWorksheet(sheet);
  kal::excel::KeepingSaved(sheet, [&] { worksheet.Call(L"SetBackgroundPicture", m_szImgPath); });
}

void CMSExcel::ClearSheet(IDispatch* sheet) {
  const Dispatch worksheet = kal::excel::RequireWorksheet(sheet);
  kal::excel::KeepingSaved(sheet, [&] { worksheet.Call(L"SetBackgroundPicture", L""); });
}
