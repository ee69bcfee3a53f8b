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

#include <vector>

#include "sim/engine/sim_error.h"

namespace kalsim::word {

const wchar_t kPasswordPromptCaption[] = L"Password";
const wchar_t kLinksPromptCaption[] = L"Microsoft Word";

namespace {

constexpr long kAlertsNone = 0;  // wdAlertsNone
constexpr WORD kIdPassword = 100;
constexpr WORD kIdReadOnly = 101;
constexpr WORD kButtonClass = 0x0080, kEditClass = 0x0081, kStaticClass = 0x0082;

// Word's error for a wrong password (unverified number and text); a refused prompt ends the
// call as a cancelled command.
[[noreturn]] void ThrowWrongPassword() {
  ThrowOffice(5408, L"The password is incorrect. Word cannot open the document.");
}
[[noreturn]] void ThrowCancelled() { ThrowOffice(4198, L"Command failed"); }

// A dialog template built in memory: DLGTEMPLATE, then DLGITEMTEMPLATEs on DWORD boundaries.
class CDialogTemplate {
 public:
  CDialogTemplate(const std::wstring& caption, short cx, short cy) {
    PutDword(DS_MODALFRAME | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU);
    PutDword(0);
    m_words.push_back(0);  // item count, filled in by Add
    for (short v : {short(0), short(0), cx, cy}) m_words.push_back(static_cast<WORD>(v));
    m_words.push_back(0);  // no menu
    m_words.push_back(0);  // the standard dialog class
    PutString(caption);
  }
  void Add(WORD classAtom, DWORD style, short x, short y, short cx, short cy, WORD id, const std::wstring& text) {
    if (m_words.size() % 2) m_words.push_back(0);
    PutDword(WS_CHILD | WS_VISIBLE | style);
    PutDword(0);
    for (short v : {x, y, cx, cy}) m_words.push_back(static_cast<WORD>(v));
    m_words.push_back(id);
    m_words.push_back(0xFFFF);
    m_words.push_back(classAtom);
    PutString(text);
    m_words.push_back(0);  // no creation data
    ++m_words[4];
  }
  const DLGTEMPLATE* Get() const { return reinterpret_cast<const DLGTEMPLATE*>(m_words.data()); }

 private:
  void PutDword(DWORD v) {
    m_words.push_back(LOWORD(v));
    m_words.push_back(HIWORD(v));
  }
  void PutString(const std::wstring& s) {
    m_words.insert(m_words.end(), s.begin(), s.end());
    m_words.push_back(0);
  }
  std::vector<WORD> m_words;
};

struct CPromptAnswer {
  INT_PTR button = IDCANCEL;
  std::wstring text;
};

INT_PTR CALLBACK PromptProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    SetWindowLongPtrW(dialog, DWLP_USER, lParam);
    return TRUE;
  }
  if (message != WM_COMMAND) return FALSE;
  const WORD id = LOWORD(wParam);
  if (id != IDOK && id != IDCANCEL && id != IDYES && id != IDNO && id != kIdReadOnly) return FALSE;
  auto* answer = reinterpret_cast<CPromptAnswer*>(GetWindowLongPtrW(dialog, DWLP_USER));
  if (answer && id == IDOK) {
    wchar_t text[256] = {};
    GetDlgItemTextW(dialog, kIdPassword, text, 256);
    answer->text = text;
  }
  EndDialog(dialog, id);
  return TRUE;
}

CPromptAnswer RunPrompt(const CDialogTemplate& dialog) {
  CPromptAnswer answer;
  const INT_PTR rc = DialogBoxIndirectParamW(GetModuleHandleW(nullptr), dialog.Get(), GetActiveWindow(), PromptProc,
                                             reinterpret_cast<LPARAM>(&answer));
  answer.button = rc <= 0 ? IDCANCEL : rc;
  return answer;
}

// Word's "Password" dialog; `modify` adds the Read Only button of the modify-password form.
CPromptAnswer AskPassword(const std::wstring& fileName, bool modify) {
  CDialogTemplate dialog(kPasswordPromptCaption, 220, 80);
  const std::wstring question = modify ? L"'" + fileName + L"' is reserved. Enter password to modify, or open read only."
                                       : L"Enter password to open file\n" + fileName;
  dialog.Add(kStaticClass, SS_LEFT, 8, 8, 204, 24, 0xFFFF, question);
  dialog.Add(kEditClass, WS_BORDER | WS_TABSTOP | ES_PASSWORD | ES_AUTOHSCROLL, 8, 36, 204, 12, kIdPassword, L"");
  dialog.Add(kButtonClass, BS_DEFPUSHBUTTON | WS_TABSTOP, 40, 58, 50, 14, IDOK, L"OK");
  if (modify) dialog.Add(kButtonClass, BS_PUSHBUTTON | WS_TABSTOP, 96, 58, 56, 14, kIdReadOnly, L"Read Only");
  dialog.Add(kButtonClass, BS_PUSHBUTTON | WS_TABSTOP, 158, 58, 50, 14, IDCANCEL, L"Cancel");
  return RunPrompt(dialog);
}

void AskToUpdateLinks() {
  CDialogTemplate dialog(kLinksPromptCaption, 240, 60);
  dialog.Add(kStaticClass, SS_LEFT, 8, 8, 224, 24, 0xFFFF,
             L"This document contains links that may refer to other files. Do you want to update this "
             L"document with the data from the linked files?");
  dialog.Add(kButtonClass, BS_DEFPUSHBUTTON | WS_TABSTOP, 60, 40, 50, 14, IDYES, L"&Yes");
  dialog.Add(kButtonClass, BS_PUSHBUTTON | WS_TABSTOP, 130, 40, 50, 14, IDNO, L"&No");
  (void)RunPrompt(dialog);  // the linked files are not part of the model: either answer opens
}

}  // namespace

void AdmitDocument(CDocument& doc, const COpenArguments& args, long displayAlerts) {
  if (!doc.openPassword.empty()) {
    if (args.passwordDocument) {
      if (*args.passwordDocument != doc.openPassword) ThrowWrongPassword();
    } else {
      const CPromptAnswer answer = AskPassword(doc.name, false);
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
      const CPromptAnswer answer = AskPassword(doc.name, true);
      if (answer.button == kIdReadOnly) {
        readOnly = true;
      } else if (answer.button != IDOK) {
        ThrowCancelled();
      } else if (answer.text != doc.writePassword) {
        ThrowWrongPassword();
      }
    }
  }
  doc.readOnly = readOnly;
  if (!doc.links.empty() && displayAlerts != kAlertsNone) AskToUpdateLinks();
}

}  // namespace kalsim::word
