// The Excel workbook model as plain C++ state: workbooks, their sheets (worksheets and chart
// sheets), cells, background pictures and protection, and the rules Excel applies to them.
// The dispatch objects in excel_objects.h present it to automation clients; tests and the host
// also build and read it directly.
//
// Rules (each beside the page of Microsoft's Excel object-model reference it follows, or
// marked "unverified" where the reference is silent and the stricter choice was made):
//  - worksheet protection: https://learn.microsoft.com/office/vba/api/excel.worksheet.protect
//    "Contents: True to protect contents. For a worksheet, this protects the locked cells";
//    cells are locked unless made otherwise:
//    https://learn.microsoft.com/office/vba/api/excel.range.locked
//  - workbook protection: https://learn.microsoft.com/office/vba/api/excel.workbook.protect
//    "Structure: True to protect the structure of the workbook (the relative position of the
//    sheets)"; adding, moving, renaming and deleting sheets are refused while it holds.
#pragma once
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "sim/engine/password_hash.h"

namespace kalsim::excel {

// Excel's run-time error number for failed methods ("... method of ... class failed").
constexpr unsigned kErrMethodFailed = 1004;

struct CCell {
  std::wstring value;
  bool locked = true;  // Excel's default for every cell
};

// The arguments of Worksheet.Protect, as stored by the sheet.
struct CSheetProtection {
  bool on = false;
  std::wstring passwordHash;  // PasswordHash of the password; empty = none
  bool drawingObjects = false;
  bool contents = false;
  bool scenarios = false;
  bool userInterfaceOnly = false;
  // AllowFormattingCells .. AllowUsingPivotTables, in Protect's order.
  std::vector<bool> allow = std::vector<bool>(11, false);
};

enum class CSheetType { Worksheet, Chart };

struct CSheet {
  std::wstring name;
  CSheetType type = CSheetType::Worksheet;
  std::wstring background;  // picture file set by SetBackgroundPicture; empty = none
  CSheetProtection protection;
  std::map<std::wstring, CCell> cells;  // by upper-case A1 address
  bool deleted = false;
  bool IsWorksheet() const { return type == CSheetType::Worksheet; }
};

struct CWorkbook {
  std::wstring name;
  std::wstring path;  // empty until saved
  std::vector<std::shared_ptr<CSheet>> sheets;
  std::shared_ptr<CSheet> activeSheet;  // may be null (ActiveSheet returns Nothing)
  bool saved = true;
  // A workbook without a visible window, such as the personal macro workbook PERSONAL.XLSB.
  bool hidden = false;
  bool structureProtected = false;
  bool windowsProtected = false;
  std::wstring passwordHash;
  bool closed = false;
  long sheetsCreated = 0;  // for new sheet names
  // File access: passwords to open and to write the file ("" = none), the files its external
  // references point to, and whether it was opened read-only.
  std::wstring openPassword;
  std::wstring writePassword;
  std::vector<std::wstring> links;
  bool readOnly = false;
  // Shown in a Protected View window: not in Workbooks, and every change is refused.
  bool sandboxed = false;

  std::vector<std::shared_ptr<CSheet>> Worksheets() const;
};

// A workbook as Excel creates one: `worksheets` worksheets "Sheet1".. and `charts` chart
// sheets "Chart1".., the first sheet active, saved.
std::shared_ptr<CWorkbook> MakeWorkbook(const std::wstring& name, int worksheets = 1, int charts = 0);

// What a saved file keeps of a protection password (as Excel keeps a hash, never the text).
using kalsim::PasswordHash;

// Normalises an A1 address ("b2" -> "B2"); throws Excel's 1004 error when it is not one.
std::wstring CellAddress(const std::wstring& text);

// The rules. Each throws CSimError as Excel raises its run-time errors. Every rule that
// changes a workbook first refuses one shown in Protected View (RequireEditable).
void RequireEditable(const CWorkbook& book);
// Worksheet.Protect with its other fifteen arguments already read into args; re-protecting a
// protected sheet with another password raises (unverified).
void ProtectSheet(CSheet& sheet, const std::wstring& password, CSheetProtection args);
void UnprotectSheet(CSheet& sheet, const std::wstring& password);
void ProtectWorkbook(CWorkbook& book, const std::wstring& password, bool structure, bool windows);
void UnprotectWorkbook(CWorkbook& book, const std::wstring& password);
// Refuses a change of the sheet structure (add, move, rename, delete) of a protected workbook.
void RequireStructureUnprotected(const CWorkbook& book);
// Sets (or, for an empty name, clears) the background. A missing file and a protected sheet
// raise; every call that does not raise marks the workbook changed.
void SetBackgroundPicture(CWorkbook& book, CSheet& sheet, const std::wstring& fileName);
// Writes a cell; a locked cell of a sheet whose contents are protected raises.
void EditCell(CWorkbook& book, CSheet& sheet, const std::wstring& address, const std::wstring& value);
// Moves a sheet before (or after) the sheet named `anchor`; structure protection refuses.
void MoveSheet(CWorkbook& book, const std::shared_ptr<CSheet>& sheet, const std::wstring& anchor, bool after);
// Renames a sheet (structure protection refuses; names are unique in the workbook).
void RenameSheet(CWorkbook& book, CSheet& sheet, const std::wstring& name);

}  // namespace kalsim::excel
