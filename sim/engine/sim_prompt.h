// Modal prompts of the simulated Office applications: real dialogs (class "#32770") on the
// host's thread, so a call that makes the host ask waits until someone answers, as it would in
// Office. Tests find them by caption and answer them with WM_COMMAND.
#pragma once
#include <windows.h>

#include <string>

namespace kalsim {

// Button ids besides IDOK, IDCANCEL, IDYES and IDNO.
constexpr WORD kPromptReadOnly = 101;

struct CPromptAnswer {
  INT_PTR button = IDCANCEL;
  std::wstring text;  // what was typed into the password field (IDOK only)
};

// A password question: the text, a password field, OK, optionally Read Only, and Cancel.
CPromptAnswer AskPassword(const std::wstring& caption, const std::wstring& question, bool offerReadOnly);
// A yes/no question; IDYES or IDNO (IDCANCEL when the dialog is closed otherwise).
INT_PTR AskYesNo(const std::wstring& caption, const std::wstring& question);

}  // namespace kalsim
