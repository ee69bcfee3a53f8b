// The PowerPoint window guards: installation, hook procedures and the Win32 gathering of the
// window facts their decisions need.
#include "powerpoint/ppt_guards.h"

#include "core/com/module.h"
#include "core/trace.h"
#include "exchange/tav_exchg.h"
#include "powerpoint/ppt_guard_rules.h"

CPptGuardState PptGuardState = {};

using kal::ppt::CKeyFacts;
using kal::ppt::CMouseFacts;

namespace {

// The module the hook procedures live in (the DLL, or a test program linking the same code).
HINSTANCE HookModule() {
  HMODULE module = nullptr;
  ::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&PptMouseGuard), &module);
  return module;
}

// A hook procedure must stay in memory while its hook is installed, and the hooks are never
// removed: the module's lock makes DllCanUnloadNow answer S_FALSE for the rest of the process.
HHOOK InstallHook(int type, HOOKPROC proc) {
  HHOOK hook = ::SetWindowsHookExW(type, proc, HookModule(), ::GetCurrentThreadId());
  if (hook) kal::CKalMsAddinModule::Instance().Lock();
  return hook;
}

template <int N>
void ClassOf(HWND hwnd, wchar_t (&out)[N]) {
  out[0] = L'\0';
  if (::GetClassNameW(hwnd, out, N) <= 0) out[0] = L'\0';
}
template <int N>
void TextOf(HWND hwnd, wchar_t (&out)[N]) {
  out[0] = L'\0';
  if (hwnd && ::GetWindowTextW(hwnd, out, N) <= 0) out[0] = L'\0';
}

HWND TopLevelAncestor(HWND hwnd) {
  HWND parent = nullptr;
  while (hwnd && (::GetWindowLongW(hwnd, GWL_STYLE) & WS_CHILD) && (parent = ::GetParent(hwnd)) != nullptr)
    hwnd = parent;
  return hwnd;
}

LRESULT KeyboardGuard(int code, WPARAM wParam, LPARAM lParam, bool printVariant) {
  CKeyFacts facts;
  kal::ppt::GatherKeyFacts(static_cast<UINT>(wParam), &facts);
  if (kal::ppt::DecideKeyboard(facts, printVariant)) return 1;
  return ::CallNextHookEx(PptGuardState.hKeyboardHook, code, wParam, lParam);
}

}  // namespace

namespace kal::ppt {

void GatherMouseOwnFacts(HWND hwnd, UINT message, CMouseFacts* f) {
  f->message = message;
  ClassOf(hwnd, f->className);
  TrimRight(f->className);
  TextOf(hwnd, f->text);
  f->controlId = ::GetDlgCtrlID(hwnd);
  TextOf(::GetParent(hwnd), f->title);
}

void GatherMouseLayoutFacts(HWND hwnd, CMouseFacts* f) {
  ::GetCursorPos(&f->cursor);
  const HWND parent = ::GetParent(hwnd);
  f->parentExists = parent != nullptr;
  f->ownerExists = ::GetWindow(hwnd, GW_OWNER) != nullptr;
  if (parent) {
    ClassOf(parent, f->parentClass);
    TrimRight(f->parentClass);
    TextOf(parent, f->parentText);
    ::GetWindowRect(parent, &f->parentRect);
  }
  if (MouseNeedsParentLayout(*f)) {
    wchar_t cls[kClassUnits];
    for (HWND w = parent; w; w = ::GetParent(w)) {
      ClassOf(w, cls);
      TrimRight(cls);
      if (std::wcscmp(cls, L"MsoCommandBarDock") == 0) {
        f->dockFound = true;
        TextOf(w, f->dockText);
        ::GetWindowRect(w, &f->dockRect);
        break;
      }
    }
  }
  if (MouseNeedsOwnerLayout(*f) && parent) {
    ::GetWindowRect(hwnd, &f->ownRect);
    f->printAllowed = PptGuardState.bPrintAllowed != 0;
    if (f->printAllowed) {
      HWND preview = nullptr;
      ::EnumChildWindows(hwnd, FindPreviewChild, reinterpret_cast<LPARAM>(&preview));
      const HWND previewParent = preview ? ::GetParent(preview) : nullptr;
      const HWND grandparent = previewParent ? ::GetParent(previewParent) : nullptr;
      if (grandparent) {
        f->previewFound = true;
        ::GetWindowRect(grandparent, &f->previewGrandparentRect);
      }
    }
  }
}

void GatherKeyFacts(UINT key, CKeyFacts* f) {
  f->key = key;
  f->ctrlDown = ::GetAsyncKeyState(VK_CONTROL) != 0;
  const HWND focus = ::GetFocus();
  if (!focus) return;
  ClassOf(focus, f->focusClass);
  TrimRight(f->focusClass);
  TextOf(TopLevelAncestor(focus), f->focusTopTitle);
}

}  // namespace kal::ppt

int IsTavPrint(DWORD processId) {
  DebugOutFmtW(L"manager--------------IsTavPrint-----enter");
  int allowed = 0;
  _TAV_EXCHG_INFO record = {};
  if (CTavExchg().GetInfo_doc(static_cast<unsigned int>(processId), record) == 0) {
    DebugOutFmtW(L"manager--------------IsTavPrint.11");
    if (record.printFlag != 0) {
      DebugOutFmtW(L"manager--------------IsTavPrint.22");
      allowed = 1;
    }
  }
  DebugOutFmtW(L"manager--------------IsTavPrint-----end");
  return allowed;
}

int InstallPptInputGuards() {
  PptGuardState.bPrintAllowed = IsTavPrint(::GetCurrentProcessId());
  PptGuardState.hMouseHook = InstallHook(WH_MOUSE, PptMouseGuard);
  PptGuardState.hKeyboardHook =
      InstallHook(WH_KEYBOARD, PptGuardState.bPrintAllowed ? PptKeyboardGuardPrint : PptKeyboardGuard);
  return PptGuardState.hMouseHook && PptGuardState.hKeyboardHook ? 1 : 0;
}

int InstallPptPasswordGuard() {
  PptGuardState.hPasswordHook = InstallHook(WH_CBT, PptPasswordGuard);
  return PptGuardState.hPasswordHook ? 1 : 0;
}

LRESULT CALLBACK PptMouseGuard(int code, WPARAM wParam, LPARAM lParam) {
  const auto* mouse = reinterpret_cast<const MOUSEHOOKSTRUCT*>(lParam);
  if (mouse) {
    CMouseFacts facts;
    kal::ppt::GatherMouseOwnFacts(mouse->hwnd, static_cast<UINT>(wParam), &facts);
    bool disable = false;
    const kal::ppt::MouseStep step = kal::ppt::DecideMouseOwn(facts, &disable);
    if (disable) ::EnableWindow(mouse->hwnd, FALSE);
    if (step == kal::ppt::MouseStep::Block) return 1;
    if (kal::ppt::MouseNeedsParentLayout(facts) || kal::ppt::MouseNeedsOwnerLayout(facts)) {
      kal::ppt::GatherMouseLayoutFacts(mouse->hwnd, &facts);
      if (kal::ppt::DecideMouseLayout(facts)) return 1;
    }
  }
  return ::CallNextHookEx(PptGuardState.hMouseHook, code, wParam, lParam);
}

LRESULT CALLBACK PptKeyboardGuard(int code, WPARAM wParam, LPARAM lParam) {
  return KeyboardGuard(code, wParam, lParam, false);
}

LRESULT CALLBACK PptKeyboardGuardPrint(int code, WPARAM wParam, LPARAM lParam) {
  return KeyboardGuard(code, wParam, lParam, true);
}

LRESULT CALLBACK PptPasswordGuard(int code, WPARAM wParam, LPARAM lParam) {
  if (code >= 0 && code == HCBT_ACTIVATE) {
    const HWND hwnd = reinterpret_cast<HWND>(wParam);
    if (::IsWindow(hwnd)) {
      kal::ppt::CDialogFacts facts;
      facts.style = ::GetWindowLongW(hwnd, GWL_STYLE);
      ClassOf(hwnd, facts.className);
      TextOf(hwnd, facts.text);
      facts.hasChildWindow = (facts.style & WS_CHILD) && ::GetTopWindow(hwnd) != nullptr;
      if (kal::ppt::IsPasswordDialog(facts)) ::EnumChildWindows(hwnd, ClickReadOnlyButton, reinterpret_cast<LPARAM>(hwnd));
    }
  }
  // Activation is never prevented.
  return ::CallNextHookEx(PptGuardState.hPasswordHook, code, wParam, lParam);
}

BOOL CALLBACK FindPreviewChild(HWND hwnd, LPARAM lParam) {
  wchar_t cls[kal::ppt::kClassUnits];
  wchar_t text[kal::ppt::kTextUnits];
  ClassOf(hwnd, cls);
  TextOf(hwnd, text);
  if (!kal::ppt::IsPreviewChild(cls, text)) return TRUE;
  *reinterpret_cast<HWND*>(lParam) = hwnd;
  return FALSE;
}

BOOL CALLBACK ClickReadOnlyButton(HWND hwnd, LPARAM lParam) {
  wchar_t cls[kal::ppt::kTextUnits];
  wchar_t text[kal::ppt::kTextUnits];
  ClassOf(hwnd, cls);
  TextOf(hwnd, text);
  const int id = ::GetDlgCtrlID(hwnd);
  if (!kal::ppt::IsReadOnlyButton(id, cls, text)) return TRUE;
  ::PostMessageW(reinterpret_cast<HWND>(lParam), WM_COMMAND, MAKEWPARAM(id, 0), reinterpret_cast<LPARAM>(hwnd));
  return FALSE;
}
