// Modal prompts (see sim_prompt.h): dialog templates built in memory.
#include "sim/engine/sim_prompt.h"

#include <vector>

namespace kalsim {
namespace {

constexpr WORD kIdPassword = 100;
constexpr WORD kButtonClass = 0x0080, kEditClass = 0x0081, kStaticClass = 0x0082;

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

INT_PTR CALLBACK PromptProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    SetWindowLongPtrW(dialog, DWLP_USER, lParam);
    return TRUE;
  }
  if (message != WM_COMMAND) return FALSE;
  const WORD id = LOWORD(wParam);
  if (id != IDOK && id != IDCANCEL && id != IDYES && id != IDNO && id != kPromptReadOnly) return FALSE;
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

}  // namespace

CPromptAnswer AskPassword(const std::wstring& caption, const std::wstring& question, bool offerReadOnly) {
  CDialogTemplate dialog(caption, 220, 80);
  dialog.Add(kStaticClass, SS_LEFT, 8, 8, 204, 24, 0xFFFF, question);
  dialog.Add(kEditClass, WS_BORDER | WS_TABSTOP | ES_PASSWORD | ES_AUTOHSCROLL, 8, 36, 204, 12, kIdPassword, L"");
  dialog.Add(kButtonClass, BS_DEFPUSHBUTTON | WS_TABSTOP, 40, 58, 50, 14, IDOK, L"OK");
  if (offerReadOnly) dialog.Add(kButtonClass, BS_PUSHBUTTON | WS_TABSTOP, 96, 58, 56, 14, kPromptReadOnly, L"Read Only");
  dialog.Add(kButtonClass, BS_PUSHBUTTON | WS_TABSTOP, 158, 58, 50, 14, IDCANCEL, L"Cancel");
  return RunPrompt(dialog);
}

INT_PTR AskYesNo(const std::wstring& caption, const std::wstring& question) {
  CDialogTemplate dialog(caption, 240, 60);
  dialog.Add(kStaticClass, SS_LEFT, 8, 8, 224, 24, 0xFFFF, question);
  dialog.Add(kButtonClass, BS_DEFPUSHBUTTON | WS_TABSTOP, 60, 40, 50, 14, IDYES, L"&Yes");
  dialog.Add(kButtonClass, BS_PUSHBUTTON | WS_TABSTOP, 130, 40, 50, 14, IDNO, L"&No");
  return RunPrompt(dialog).button;
}

}  // namespace kalsim
