// Documents.Open's questions (see word_open.h) and the prompts that ask them.
//
// Documents.Open method (Word), https://learn.microsoft.com/office/vba/api/word.documents.open:
// PasswordDocument is "the password for opening the document", WritePasswordDocument "the
// password for saving changes to the document", ReadOnly opens it read-only. The reference does
// not say what happens when they are left out; Word then shows its password dialog, and the
// dialog is modelled here as always shown, also with DisplayAlerts = wdAlertsNone, because
// Application.DisplayAlerts (https://learn.microsoft.com/office/vba/api/word.application.displayalerts)
// covers only "certain alerts and messages" (unverified which: the strict reading is taken).
// The question about updating links is such an alert and is left out under wdAlertsNone
// (unverified).
#include "sim/word/word_open.h"

#include <windows.h>

#include "sim/engine/sim_error.h"
#include "sim/engine/sim_prompt.h"

namespace kalsim::word {

const wchar_t kPasswordPromptCaption[] = L"Password";
const wchar_t kLinksPromptCaption[] = L"Microsoft Word";

namespace {

constexpr long kAlertsNone = 0;  // wdAlertsNone

// Word's error for a wrong password (unverified number and text); a refused prompt ends the
// call as a cancelled command.
[[noreturn]] void ThrowWrongPassword() {
  ThrowOffice(5408, L"The password is incorrect. Word cannot open the document.");
}
[[noreturn]] void ThrowCancelled() { ThrowOffice(4198, L"Command failed"); }

CPromptAnswer AskForPassword(const std::wstring& fileName, bool modify) {
  return AskPassword(kPasswordPromptCaption,
                     modify ? L"'" + fileName + L"' is reserved. Enter password to modify, or open read only."
                            : L"Enter password to open file\n" + fileName,
                     modify);
}

}  // namespace

void AdmitDocument(CDocument& doc, const COpenArguments& args, long displayAlerts) {
  if (!doc.openPassword.empty()) {
    if (args.passwordDocument) {
      if (*args.passwordDocument != doc.openPassword) ThrowWrongPassword();
    } else {
      const CPromptAnswer answer = AskForPassword(doc.name, false);
      if (answer.button != IDOK) ThrowCancelled();
      if (answer.text != doc.openPassword) ThrowWrongPassword();
    }
  }
  // A given password that does not match fails the open rather than falling back to
  // read-only (unverified: the stricter of the two).
  bool readOnly = args.readOnly;
  if (!doc.writePassword.empty() && !readOnly) {
    if (args.writePasswordDocument) {
      if (*args.writePasswordDocument != doc.writePassword) ThrowWrongPassword();
    } else {
      const CPromptAnswer answer = AskForPassword(doc.name, true);
      if (answer.button == kPromptReadOnly) {
        readOnly = true;
      } else if (answer.button != IDOK) {
        ThrowCancelled();
      } else if (answer.text != doc.writePassword) {
        ThrowWrongPassword();
      }
    }
  }
  doc.readOnly = readOnly;
  // The linked files are not part of the model: either answer opens the document.
  if (!doc.links.empty() && displayAlerts != kAlertsNone) {
    (void)AskYesNo(kLinksPromptCaption,
                   L"This document contains links that may refer to other files. Do you want to update this "
                   L"document with the data from the linked files?");
  }
}

}  // namespace kalsim::word
