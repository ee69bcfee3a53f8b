// The PowerPoint window guards of a read-only presentation: thread hooks on PowerPoint's main
// thread that swallow editing clicks and keys (mouse and keyboard guards) or answer the
// password dialog with its Read Only button (password guard). The hook procedures only gather
// window facts; the decisions are in ppt_guard_rules.h.
#pragma once
#include <windows.h>

#include <cstdint>

// One per process; written when the guards are installed, read by the hook procedures.
struct CPptGuardState {
  int32_t bPrintAllowed;  // IsTavPrint of this process when the input guards were installed
  HHOOK hMouseHook;
  HHOOK hKeyboardHook;
  HHOOK hPasswordHook;
};
extern CPptGuardState PptGuardState;

// 1 when the agent's record for the process allows printing. Writes its ungated lines.
int IsTavPrint(DWORD processId);

// Installs the mouse and keyboard guards on the calling thread; 1 when both were installed.
int InstallPptInputGuards();
// Installs the password-dialog guard on the calling thread; 1 when installed.
int InstallPptPasswordGuard();

// Hook procedures.
LRESULT CALLBACK PptMouseGuard(int code, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK PptKeyboardGuard(int code, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK PptKeyboardGuardPrint(int code, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK PptPasswordGuard(int code, WPARAM wParam, LPARAM lParam);

// EnumChildWindows visitors: the print-preview child (lParam: HWND* receiving it) and the
// password dialog's Read Only button (lParam: the dialog, which is sent the click).
BOOL CALLBACK FindPreviewChild(HWND hwnd, LPARAM lParam);
BOOL CALLBACK ClickReadOnlyButton(HWND hwnd, LPARAM lParam);

namespace kal::ppt {
struct CMouseFacts;
struct CKeyFacts;
// The gathering of the hook procedures, for the benchmark and the tests: the facts about the
// window under the mouse (own facts, then the layout facts the event needs) and about the
// focus window.
void GatherMouseOwnFacts(HWND hwnd, UINT message, CMouseFacts* facts);
void GatherMouseLayoutFacts(HWND hwnd, CMouseFacts* facts);
void GatherKeyFacts(UINT key, CKeyFacts* facts);
}  // namespace kal::ppt
