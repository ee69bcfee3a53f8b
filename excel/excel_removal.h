// The Excel branch of the offline watermark removal: a hidden Excel started as a local server
// opens the workbook, the background picture of every worksheet is cleared, the workbook is
// saved when a background call succeeded, and the Excel instance is made to end (quit, then
// WM_QUIT and SC_CLOSE, then terminated after 5 seconds), unless it holds other workbooks.
#pragma once

namespace kal::excel {

// Result codes of ExcelDeleteWaterMark.
enum EExcelRemovalResult : int {
  kExcelRemovalDone = 0,          // ran to its end, or a COM error stopped it after Workbooks
  kExcelRemovalNoProgId = 1,      // CLSIDFromProgID("Excel.Application") failed
  kExcelRemovalNoInstance = 2,    // CoCreateInstance failed
  kExcelRemovalNoWorkbooks = 3,   // Application.Workbooks could not be read
  kExcelRemovalNoWorkbook = 4,    // Workbooks.Open gave no workbook
  kExcelRemovalNoWorksheets = 5,  // Workbook.Worksheets could not be read
  kExcelRemovalNoCount = 6,       // Worksheets.Count could not be read
};

// Runs on the caller's thread and initialises OLE there for its own duration; blocks up to
// 5 seconds waiting for the Excel process to end. Every trace line is written to the debugger
// output whatever the trace switch says.
int ExcelDeleteWaterMark(const wchar_t* path);

}  // namespace kal::excel
