// Small pieces the Excel add-in's stamping and protection share: the ribbon XML, the picture
// file test, the worksheet query (chart sheets do not answer _Worksheet) and the test that
// tells the user's workbooks from Excel's hidden ones.
#pragma once
#include <windows.h>
#include <wrl/client.h>

#include <string>

#include "core/automation.h"

namespace kal::excel {

// The ribbon XML that disables Excel's sheet background command: five pieces, nothing between.
std::wstring BuildExcelRibbonXml();
// True when the path names an existing file (not a folder).
bool PictureFileExists(const wchar_t* path) noexcept;
// The sheet's _Worksheet interface; empty for a chart sheet or no sheet.
Dispatch AsWorksheet(IDispatch* sheet) noexcept;
// The sheet's _Worksheet interface; a ComError (E_POINTER, as a call through an empty
// interface pointer raises) for a chart sheet.
Dispatch RequireWorksheet(IDispatch* sheet);
// False for a workbook all of whose windows are hidden (PERSONAL.XLSB): it is not a document
// the user opened. True when the windows cannot be read, so such a workbook is still treated.
bool IsUserWorkbook(const Dispatch& workbook) noexcept;
// VARIANT_TRUE read from the workbook's Saved; false when it is anything else.
bool ReadSavedFlag(const Dispatch& workbook);

}  // namespace kal::excel
