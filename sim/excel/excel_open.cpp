// Workbooks.Open's questions (see excel_open.h).
//
// Workbooks.Open method (Excel), https://learn.microsoft.com/office/vba/api/excel.workbooks.open:
// UpdateLinks "If this argument is omitted, the user is prompted to specify how links will be
// updated"; Password "If this argument is omitted and the workbook requires a password, the
// user is prompted for the password"; WriteResPassword likewise for a write-reserved workbook.
// The reference names no exception for DisplayAlerts, so the prompts are shown whatever it
// says (the strict reading).
#include "sim/excel/excel_open.h"

#include <windows.h>

#include "sim/engine/sim_error.h"
#include "sim/engine/sim_prompt.h"

namespace kalsim::excel {

const wchar_t kExcelPasswordCaption[] = L"Password";
const wchar_t kExcelLinksCaption[] = L"Microsoft Excel";

namespace {

// Excel's error for a wrong password, and for a refused prompt (unverified texts).
[[noreturn]] void ThrowWrongPassword() {
  ThrowOffice(kErrMethodFailed,
              L"The password you supplied is not correct. Verify that the CAPS LOCK key is off and be sure to use "
              L"the correct capitalization.");
}
[[noreturn]] void ThrowCancelled() { ThrowOffice(kErrMethodFailed, L"Open method of Workbooks class failed"); }

}  // namespace

void AdmitWorkbook(CWorkbook& book, const COpenArguments& args) {
  if (!book.openPassword.empty()) {
    if (args.password) {
      if (*args.password != book.openPassword) ThrowWrongPassword();
    } else {
      const CPromptAnswer answer = AskPassword(kExcelPasswordCaption, L"'" + book.name + L"' is protected.", false);
      if (answer.button != IDOK) ThrowCancelled();
      if (answer.text != book.openPassword) ThrowWrongPassword();
    }
  }
  // A given write password that does not match fails the open rather than falling back to
  // read-only (unverified: the stricter of the two).
  bool readOnly = args.readOnly;
  if (!book.writePassword.empty() && !readOnly) {
    if (args.writeResPassword) {
      if (*args.writeResPassword != book.writePassword) ThrowWrongPassword();
    } else {
      const CPromptAnswer answer = AskPassword(
          kExcelPasswordCaption, L"'" + book.name + L"' is reserved. Enter password for write access, or open read only.",
          true);
      if (answer.button == kPromptReadOnly) {
        readOnly = true;
      } else if (answer.button != IDOK) {
        ThrowCancelled();
      } else if (answer.text != book.writePassword) {
        ThrowWrongPassword();
      }
    }
  }
  book.readOnly = readOnly;
  // The external sources are not part of the model: either answer opens the workbook.
  if (!book.links.empty() && !args.updateLinks) {
    (void)AskYesNo(kExcelLinksCaption,
                   L"This workbook contains links to one or more external sources that could be unsafe. If you trust "
                   L"the links, update them to get the latest data.");
  }
}

}  // namespace kalsim::excel
