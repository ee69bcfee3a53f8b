// The PowerPoint guard decisions over gathered window facts.
#include "powerpoint/ppt_guard_rules.h"

#include <cwchar>
#include <cwctype>

namespace kal::ppt {

namespace {

bool Equals(const wchar_t* value, const wchar_t* literal) { return std::wcscmp(value, literal) == 0; }
bool Contains(const wchar_t* value, const wchar_t* literal) { return std::wcsstr(value, literal) != nullptr; }

template <size_t N>
bool EqualsAny(const wchar_t* value, const wchar_t* const (&literals)[N]) {
  for (const wchar_t* l : literals)
    if (Equals(value, l)) return true;
  return false;
}
template <size_t N>
bool ContainsAny(const wchar_t* value, const wchar_t* const (&literals)[N]) {
  for (const wchar_t* l : literals)
    if (Contains(value, l)) return true;
  return false;
}
template <size_t N>
bool EqualsAnyIgnoringCase(const wchar_t* value, const wchar_t* const (&literals)[N]) {
  for (const wchar_t* l : literals)
    if (::lstrcmpiW(value, l) == 0) return true;
  return false;
}

// PowerPoint's frame classes. Only an occurrence past the first character counts, so a click
// on a frame itself (its class starts with the name) is not exempted.
bool ContainsFrameClassPastStart(const wchar_t* className) {
  static const wchar_t* const kFrames[] = {L"PPTFrameClass", L"PP9FrameClass", L"PP10FrameClass",
                                           L"PP11FrameClass", L"PP12FrameClass"};
  for (const wchar_t* frame : kFrames) {
    const wchar_t* at = std::wcsstr(className, frame);
    if (at && at != className) return true;
  }
  return false;
}

const wchar_t* const kPowerPointTitles[] = {L"Microsoft Office PowerPoint", L"Microsoft PowerPoint"};

bool InRect(const RECT& r, POINT p) { return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom; }

// Rule 7: the confirmation, Save As and Save buttons of PowerPoint's message boxes, and
// buttons without a parent title or control id.
bool BlocksButton(const CMouseFacts& f) {
  if (f.message != WM_LBUTTONDOWN || !Contains(f.className, L"Button")) return false;
  static const wchar_t* const kYes[] = {L"是(&Y)", L"&Yes", L"&Sí"};
  static const wchar_t* const kSaveAs[] = {L"另存为(&S)", L"&Save As", L"guardar como"};
  static const wchar_t* const kSave[] = {L"保存(&S)", L"&Save...", L"Guardar..."};
  const bool powerPointTitle = EqualsAny(f.title, kPowerPointTitles);
  if (ContainsAny(f.text, kYes) && powerPointTitle) return true;
  if (f.title[0] == L'\0' && f.controlId == 0) return true;
  return (ContainsAny(f.text, kSaveAs) || EqualsAny(f.text, kSave)) && powerPointTitle;
}

}  // namespace

MouseStep DecideMouseOwn(const CMouseFacts& f, bool* disableWindow) {
  *disableWindow = false;
  // 1. Context menus anywhere but inside a window classed after a PowerPoint frame.
  if (f.message == WM_RBUTTONDOWN && !ContainsFrameClassPastStart(f.className)) return MouseStep::Block;
  // 2. The toolbar-options menu is switched off; then straight to the button rule.
  static const wchar_t* const kToolbarOptions[] = {L"工具栏选项菜单", L"Toolbar Options", L"Opciones de la barra"};
  if (Equals(f.className, L"MsoCommandBarPopup") && EqualsAny(f.text, kToolbarOptions)) {
    *disableWindow = true;
    return BlocksButton(f) ? MouseStep::Block : MouseStep::Layout;
  }
  // 3. Clicks into the slide pane and the status bar.
  if ((Equals(f.className, L"paneClassDC") || Equals(f.className, L"msctls_statusbar32")) &&
      f.message == WM_LBUTTONDOWN)
    return MouseStep::Block;
  // 4. Customising the top dock.
  if ((f.message == WM_RBUTTONDOWN || f.message == WM_LBUTTONDBLCLK) && Equals(f.text, L"MsoDockTop") &&
      Equals(f.className, L"MsoCommandBarDock"))
    return MouseStep::Block;
  // 5. The Replace dialog's replacing buttons, for any mouse message.
  static const wchar_t* const kReplaceButtons[] = {L"替换(&R)", L"&Replace", L"&Reemplazar",
                                                   L"全部替换(&A)", L"Replace &All", L"Reemplazar todo"};
  static const wchar_t* const kReplaceTitles[] = {L"替换", L"Replace", L"Reemplazar"};
  if (Equals(f.className, L"Button") && EqualsAny(f.text, kReplaceButtons) && EqualsAny(f.title, kReplaceTitles))
    return MouseStep::Block;
  // 6. Toolbar buttons.
  if (f.message == WM_LBUTTONDOWN && Equals(f.className, L"MsoCommandBar")) return MouseStep::Block;
  // 7.
  return BlocksButton(f) ? MouseStep::Block : MouseStep::Layout;
}

bool MouseNeedsParentLayout(const CMouseFacts& f) {
  return f.message == WM_LBUTTONDOWN || f.message == WM_NCLBUTTONDOWN || Equals(f.className, L"NetUIHWND");
}

bool MouseNeedsOwnerLayout(const CMouseFacts& f) {
  return f.message == WM_LBUTTONDOWN || Equals(f.className, L"NetUIHWND");
}

bool DecideMouseLayout(const CMouseFacts& f) {
  const POINT m = f.cursor;
  // 8. The left two fifths of PowerPoint's backstage dialog, and the top dock except its
  // right eighth within 55 pixels of its top.
  if (MouseNeedsParentLayout(f)) {
    if (f.parentExists && Equals(f.parentClass, L"NUIDialog") && Equals(f.parentText, L"Microsoft PowerPoint")) {
      const RECT& r = f.parentRect;
      if (m.x < r.left + ((r.right - r.left) * 2) / 5) return true;
    }
    if (f.dockFound && Equals(f.dockText, L"MsoDockTop")) {
      const RECT& r = f.dockRect;
      if (m.x < r.left + ((r.right - r.left) * 7) / 8 || m.y > r.top + 55) return true;
    }
  }
  // 9. The full-page host below its top 50 pixels, and print preview outside its toolbar.
  if (MouseNeedsOwnerLayout(f)) {
    if (!f.parentExists) return false;
    if (!f.ownerExists && Equals(f.parentClass, L"FullpageUIHost") && m.y > f.ownRect.top + 50) return true;
    if (f.printAllowed && f.previewFound) {
      RECT r = f.previewGrandparentRect;
      r.left += 200;
      r.top += 75;
      if (!InRect(r, m) && m.y > r.top + 15) return true;
    }
  }
  return false;
}

CMouseVerdict DecideMouse(const CMouseFacts& f) {
  CMouseVerdict v;
  const MouseStep step = DecideMouseOwn(f, &v.disableWindow);
  v.block = step == MouseStep::Block || (step == MouseStep::Layout && DecideMouseLayout(f));
  return v;
}

bool KeyPassedByCtrl(UINT key, bool ctrlDown, bool printAllowed) {
  if (!ctrlDown) return false;
  return key == 'F' || (printAllowed && key == 'P');
}

bool DecideKeyboard(const CKeyFacts& f, bool printAllowed) {
  if (KeyPassedByCtrl(f.key, f.ctrlDown, printAllowed)) return false;
  // Typing into the Find dialog's box.
  wchar_t title[kTextUnits];
  LowerCopy(f.focusTopTitle, title);
  static const wchar_t* const kFindTitles[] = {L"查找", L"find", L"encontrar"};
  if (Equals(f.focusClass, L"REComboBox20W") && EqualsAny(title, kFindTitles)) return false;
  switch (f.key) {
    case VK_LEFT: case VK_RIGHT: case VK_UP: case VK_DOWN: case VK_PRIOR: case VK_NEXT:
    case VK_CAPITAL: case VK_ESCAPE: case VK_SNAPSHOT: case VK_F5:
      return false;
    default:
      return true;
  }
}

bool IsPasswordDialog(const CDialogFacts& f) {
  if (::lstrcmpW(f.className, L"#32770") != 0) {
    // Not the dialog class: it must at least look like a dialog.
    if ((f.style & WS_CHILD) && f.hasChildWindow) return false;
    if ((f.style & (WS_POPUP | WS_CAPTION)) == 0) return false;
    if ((f.style & (DS_MODALFRAME | WS_THICKFRAME | WS_DLGFRAME)) == 0) return false;
  }
  static const wchar_t* const kTitles[] = {L"Password", L"密码", L"Contraseña"};
  return EqualsAnyIgnoringCase(f.text, kTitles);
}

bool IsReadOnlyButton(int controlId, const wchar_t* className, const wchar_t* text) {
  static const wchar_t* const kCaptions[] = {L"只读(&R)", L"&Read Only", L"&Sólo lectura"};
  return controlId == 7 && ::lstrcmpiW(className, L"Button") == 0 && EqualsAnyIgnoringCase(text, kCaptions);
}

bool IsPreviewChild(const wchar_t* className, const wchar_t* text) {
  if (!Contains(className, L"childClass")) return false;
  wchar_t lower[kTextUnits];
  LowerCopy(text, lower);
  static const wchar_t* const kPreview[] = {L"[预览]", L"[preview]", L"[avance]"};
  return ContainsAny(lower, kPreview);
}

void LowerCopy(const wchar_t* text, wchar_t (&out)[kTextUnits]) {
  size_t n = 0;
  while (n + 1 < kTextUnits && text[n]) {
    out[n] = text[n];
    ++n;
  }
  out[n] = L'\0';
  if (n) ::CharLowerBuffW(out, static_cast<DWORD>(n));
}

void TrimRight(wchar_t* text) {
  size_t n = std::wcslen(text);
  while (n > 0 && std::iswspace(text[n - 1])) text[--n] = L'\0';
}

}  // namespace kal::ppt
