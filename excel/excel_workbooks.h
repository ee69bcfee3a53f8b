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
// True when the workbook's structure or windows are protected already (read failures: false).
bool UserProtectedWorkbook(const Dispatch& workbook);

// Runs a background change on a sheet and gives its workbook back the saved state it had:
// Excel marks a workbook changed at every SetBackgroundPicture, so a workbook the user only
// looked at would ask to be saved on closing, and saving would keep the picture in the file.
template <class Change>
void KeepingSaved(IDispatch* sheet, Change&& change) {
  CVariant parent;
  const Dispatch book =
      sheet && SUCCEEDED(Dispatch(sheet).TryGet(L"Parent", &parent)) ? Dispatch(parent) : Dispatch();
  const bool saved = book && ReadSavedFlag(book);
  change();
  if (saved) book.Put(L"Saved", true);
}

}  // namespace kal::excel
