// Shared pieces of the Excel add-in (see excel_workbooks.h).
#include "excel/excel_workbooks.h"

#include "core/office_interfaces.h"

namespace kal::excel {

std::wstring BuildExcelRibbonXml() {
  return std::wstring(L"<customUI xmlns=\"") + kCustomUiNamespace + L"\">" + L"<commands>" +
         L"<command idMso=\"SheetBackground\" enabled=\"false\"/>" + L"</commands>" + L"</customUI>";
}

bool PictureFileExists(const wchar_t* path) noexcept {
  if (!path || !*path) return false;
  const DWORD attributes = ::GetFileAttributesW(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

Dispatch AsWorksheet(IDispatch* sheet) noexcept {
  Microsoft::WRL::ComPtr<IDispatch> worksheet;
  if (sheet) sheet->QueryInterface(IID_Excel_Worksheet, reinterpret_cast<void**>(worksheet.GetAddressOf()));
  return Dispatch(worksheet);
}

Dispatch RequireWorksheet(IDispatch* sheet) {
  Dispatch worksheet = AsWorksheet(sheet);
  if (!worksheet) throw ComError(E_POINTER);
  return worksheet;
}

bool IsUserWorkbook(const Dispatch& workbook) noexcept {
  try {
    CVariant value;
    if (FAILED(workbook.TryGet(L"Windows", &value))) return true;
    const Dispatch windows(value);
    long count = 0;
    if (!windows || FAILED(windows.Get(L"Count").ToInt(&count)) || count <= 0) return true;
    for (long i = 1; i <= count; ++i) {
      bool visible = true;
      if (FAILED(windows.CallObj(L"Item", CVariant(i)).Get(L"Visible").ToBool(&visible)) || visible) return true;
    }
    return false;
  } catch (...) {
    return true;
  }
}

bool ReadSavedFlag(const Dispatch& workbook) {
  const CVariant saved = workbook.Get(L"Saved");
  return saved.Type() == VT_BOOL && saved.Ref().boolVal == VARIANT_TRUE;
}

bool UserProtectedWorkbook(const Dispatch& workbook) {
  bool structure = false, windows = false;
  return (SUCCEEDED(workbook.Get(L"ProtectStructure").ToBool(&structure)) && structure) ||
         (SUCCEEDED(workbook.Get(L"ProtectWindows").ToBool(&windows)) && windows);
}

}  // namespace kal::excel
