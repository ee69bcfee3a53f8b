// Excel's workbook rules over the plain state: protection, backgrounds, cell edits, names.
#include "sim/excel/excel_state.h"

#include <windows.h>

#include <algorithm>
#include <cwctype>

#include "sim/engine/sim_error.h"

namespace kalsim::excel {

namespace {
const wchar_t kProtectedCell[] =
    L"The cell or chart you're trying to change is on a protected sheet. To make a change, unprotect the sheet. "
    L"You might be requested to enter a password.";
const wchar_t kWrongPassword[] =
    L"The password you supplied is not correct. Verify that the CAPS LOCK key is off and be sure to use the correct "
    L"capitalization.";
const wchar_t kWorkbookProtected[] = L"Workbook is protected and cannot be changed.";

bool FileExists(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool SameName(const std::wstring& a, const std::wstring& b) {
  return CompareStringOrdinal(a.c_str(), -1, b.c_str(), -1, TRUE) == CSTR_EQUAL;
}
}  // namespace

std::vector<std::shared_ptr<CSheet>> CWorkbook::Worksheets() const {
  std::vector<std::shared_ptr<CSheet>> list;
  for (const auto& s : sheets)
    if (s->IsWorksheet()) list.push_back(s);
  return list;
}

std::shared_ptr<CWorkbook> MakeWorkbook(const std::wstring& name, int worksheets, int charts) {
  auto book = std::make_shared<CWorkbook>();
  book->name = name;
  for (int i = 1; i <= worksheets; ++i) {
    auto s = std::make_shared<CSheet>();
    s->name = L"Sheet" + std::to_wstring(i);
    book->sheets.push_back(s);
  }
  for (int i = 1; i <= charts; ++i) {
    auto s = std::make_shared<CSheet>();
    s->name = L"Chart" + std::to_wstring(i);
    s->type = CSheetType::Chart;
    book->sheets.push_back(s);
  }
  book->sheetsCreated = worksheets + charts;
  if (!book->sheets.empty()) book->activeSheet = book->sheets.front();
  return book;
}

std::wstring CellAddress(const std::wstring& text) {
  std::wstring up;
  for (wchar_t c : text) up.push_back(static_cast<wchar_t>(std::towupper(c)));
  size_t i = 0;
  while (i < up.size() && up[i] >= L'A' && up[i] <= L'Z') ++i;
  const size_t letters = i;
  while (i < up.size() && up[i] >= L'0' && up[i] <= L'9') ++i;
  if (letters == 0 || letters > 3 || i == letters || i != up.size() || up[letters] == L'0')
    ThrowOffice(kErrMethodFailed, L"Method 'Range' of object '_Worksheet' failed");
  return up;
}

void ProtectSheet(CSheet& sheet, const std::wstring& password, CSheetProtection args) {
  args.passwordHash = PasswordHash(password);
  // Unverified: Excel's reference is silent on re-protection; changing the password of a
  // protected sheet without unprotecting it first is refused, the stricter choice.
  if (sheet.protection.on && sheet.protection.passwordHash != args.passwordHash)
    ThrowOffice(kErrMethodFailed, L"Protect method of Worksheet class failed");
  sheet.protection = args;
  sheet.protection.on = true;
}

void UnprotectSheet(CSheet& sheet, const std::wstring& password) {
  if (!sheet.protection.on) return;
  // https://learn.microsoft.com/office/vba/api/excel.worksheet.unprotect: a wrong password
  // for a password-protected sheet raises.
  if (sheet.protection.passwordHash != PasswordHash(password)) ThrowOffice(kErrMethodFailed, kWrongPassword);
  sheet.protection = CSheetProtection{};
}

void RequireEditable(const CWorkbook& book) {
  // https://learn.microsoft.com/office/vba/api/excel.protectedviewwindow.workbook: "Any
  // operation that is not allowed will return an error"; the text is the one the Office 2010
  // interop page gives (ff587867). Which operations are allowed the page does not list
  // (unverified): every change is refused, the stricter choice.
  if (book.sandboxed) ThrowOffice(kErrMethodFailed, L"This command is not available when Excel is sandboxed.");
}

void ProtectWorkbook(CWorkbook& book, const std::wstring& password, bool structure, bool windows) {
  RequireEditable(book);
  // Unverified: protecting an already protected workbook again is refused, as for sheets.
  if (book.structureProtected || book.windowsProtected)
    ThrowOffice(kErrMethodFailed, L"Protect method of Workbook class failed");
  book.structureProtected = structure;
  book.windowsProtected = windows;
  book.passwordHash = PasswordHash(password);
}

void UnprotectWorkbook(CWorkbook& book, const std::wstring& password) {
  RequireEditable(book);
  if (!book.structureProtected && !book.windowsProtected) return;
  if (book.passwordHash != PasswordHash(password)) ThrowOffice(kErrMethodFailed, kWrongPassword);
  book.structureProtected = book.windowsProtected = false;
  book.passwordHash.clear();
}

void RequireStructureUnprotected(const CWorkbook& book) {
  RequireEditable(book);
  if (book.structureProtected) ThrowOffice(kErrMethodFailed, kWorkbookProtected);
}

void SetBackgroundPicture(CWorkbook& book, CSheet& sheet, const std::wstring& fileName) {
  RequireEditable(book);
  // Unverified: the reference does not say what a protected sheet does; Excel's ribbon
  // command is unavailable there, so the method is refused too.
  if (sheet.protection.on)
    ThrowOffice(kErrMethodFailed, L"SetBackgroundPicture method of Worksheet class failed");
  // https://learn.microsoft.com/office/vba/api/excel.worksheet.setbackgroundpicture: FileName
  // names the graphic file; one that cannot be read fails the method. An empty name removes
  // the background (unverified: the reference is silent, Excel's own macros use "").
  if (!fileName.empty() && !FileExists(fileName))
    ThrowOffice(kErrMethodFailed, L"SetBackgroundPicture method of Worksheet class failed");
  sheet.background = fileName;
  // Unverified: every call marks the workbook changed, even one that sets the same picture.
  book.saved = false;
}

void EditCell(CWorkbook& book, CSheet& sheet, const std::wstring& address, const std::wstring& value) {
  RequireEditable(book);
  if (!sheet.IsWorksheet()) ThrowOffice(kErrMethodFailed, L"Object doesn't support this property or method");
  const std::wstring key = CellAddress(address);
  auto it = sheet.cells.find(key);
  const bool locked = it == sheet.cells.end() ? true : it->second.locked;
  if (sheet.protection.on && sheet.protection.contents && locked) ThrowOffice(kErrMethodFailed, kProtectedCell);
  sheet.cells[key].value = value;
  book.saved = false;
}

void MoveSheet(CWorkbook& book, const std::shared_ptr<CSheet>& sheet, const std::wstring& anchor, bool after) {
  RequireStructureUnprotected(book);
  auto it = std::find(book.sheets.begin(), book.sheets.end(), sheet);
  if (it == book.sheets.end()) ThrowBadIndex();
  book.sheets.erase(it);
  auto at = std::find_if(book.sheets.begin(), book.sheets.end(),
                         [&](const std::shared_ptr<CSheet>& s) { return SameName(s->name, anchor); });
  if (at == book.sheets.end()) {
    book.sheets.push_back(sheet);  // restore before refusing
    ThrowOffice(kErrMethodFailed, L"Move method of Worksheet class failed");
  }
  book.sheets.insert(after ? at + 1 : at, sheet);
  book.saved = false;
}

void RenameSheet(CWorkbook& book, CSheet& sheet, const std::wstring& name) {
  RequireStructureUnprotected(book);
  if (name.empty() || name.size() > 31)
    ThrowOffice(kErrMethodFailed, L"Application-defined or object-defined error");
  for (const auto& s : book.sheets)
    if (s.get() != &sheet && SameName(s->name, name))
      ThrowOffice(kErrMethodFailed, L"That name is already taken. Try a different one.");
  sheet.name = name;
  book.saved = false;
}

}  // namespace kalsim::excel
