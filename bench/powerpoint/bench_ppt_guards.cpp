// Cost of one PptMouseGuard and one PptKeyboardGuard call on real windows (they run on every
// input event of a read-only presentation) against the floor of the window queries they make,
// issued inline, sampled in alternation. Prints each median ratio (target: within 1.5x) and the
// C++ heap allocations made by the guard calls (target: none).
#include <windows.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <new>

#include "bench/common/paired_ratio.h"
#include "powerpoint/ppt_guards.h"

namespace {
std::atomic<long> g_nAllocations{0};
// A sample is 20 calls (a few hundred microseconds); hundreds of pairs steady the median.
constexpr kalbench::CPairing kPairing = {400, 20, 40};
constexpr double kTarget = 1.5;
}  // namespace

void* operator new(size_t size) {
  ++g_nAllocations;
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, size_t) noexcept { std::free(p); }

namespace {

HWND Make(const wchar_t* cls, const wchar_t* text, HWND parent, DWORD style, int id = 0) {
  return ::CreateWindowExW(0, cls, text, style | (parent ? WS_CHILD : 0) | WS_VISIBLE, 10, 10, 200,
                           100, parent,
                           parent ? reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)) : nullptr,
                           ::GetModuleHandleW(nullptr), nullptr);
}

// The queries the mouse guard makes for a left click on a button that passes every rule, and
// the CallNextHookEx of a passing hook.
void MouseFloor(HWND hwnd) {
  wchar_t cls[100], text[256], title[256], pcls[100], ptext[256], wcls[100];
  POINT pt;
  RECT r;
  ::GetClassNameW(hwnd, cls, 100);
  ::GetWindowTextW(hwnd, text, 256);
  volatile int id = ::GetDlgCtrlID(hwnd);
  (void)id;
  HWND parent = ::GetParent(hwnd);
  ::GetWindowTextW(parent, title, 256);
  ::GetCursorPos(&pt);
  parent = ::GetParent(hwnd);
  volatile HWND owner = ::GetWindow(hwnd, GW_OWNER);
  (void)owner;
  ::GetClassNameW(parent, pcls, 100);
  ::GetWindowTextW(parent, ptext, 256);
  ::GetWindowRect(parent, &r);
  for (HWND w = parent; w; w = ::GetParent(w)) ::GetClassNameW(w, wcls, 100);
  ::GetWindowRect(hwnd, &r);
  // A passing hook hands the event on: part of every passing call's cost.
  ::CallNextHookEx(nullptr, HC_ACTION, WM_LBUTTONDOWN, 0);
}

void KeyboardFloor() {
  wchar_t cls[100], text[256];
  volatile SHORT ctrl = ::GetAsyncKeyState(VK_CONTROL);
  (void)ctrl;
  HWND focus = ::GetFocus();
  ::GetClassNameW(focus, cls, 100);
  HWND w = focus, parent = nullptr;
  while (w && (::GetWindowLongW(w, GWL_STYLE) & WS_CHILD) && (parent = ::GetParent(w)) != nullptr)
    w = parent;
  ::GetWindowTextW(w, text, 256);
}

}  // namespace

int main() {
  WNDCLASSW wc{};
  wc.lpfnWndProc = ::DefWindowProcW;
  wc.hInstance = ::GetModuleHandleW(nullptr);
  wc.lpszClassName = L"PPTFrameClass";
  ::RegisterClassW(&wc);
  wc.lpszClassName = L"paneClassDC";
  ::RegisterClassW(&wc);
  HWND frame =
      Make(L"PPTFrameClass", L"Microsoft PowerPoint - [deck.pptx]", nullptr, WS_OVERLAPPEDWINDOW);
  HWND pane = Make(L"paneClassDC", L"", frame, 0);
  HWND dialog = Make(L"#32770", L"Find", nullptr, WS_POPUP | WS_CAPTION);
  HWND button = Make(L"Button", L"&Find Next", dialog, BS_PUSHBUTTON, 1);
  ::SetFocus(pane);
  PptGuardState.bPrintAllowed = 0;

  MOUSEHOOKSTRUCT mouse{};
  mouse.hwnd = button;
  const long before = g_nAllocations;
  for (int i = 0; i < 1000; ++i) {
    PptMouseGuard(HC_ACTION, WM_LBUTTONDOWN, reinterpret_cast<LPARAM>(&mouse));
    PptKeyboardGuard(HC_ACTION, 'A', 0);
  }
  const long allocations = g_nAllocations - before;
  const kalbench::CPairedRatio mouseRatio = kalbench::PairedRatio(
      [&] { PptMouseGuard(HC_ACTION, WM_LBUTTONDOWN, reinterpret_cast<LPARAM>(&mouse)); },
      [&] { MouseFloor(button); }, kPairing);
  const kalbench::CPairedRatio keyRatio = kalbench::PairedRatio(
      [&] { PptKeyboardGuard(HC_ACTION, 'A', 0); }, [&] { KeyboardFloor(); }, kPairing);
  std::printf(
      "PptMouseGuard: a left click on a passing button; PptKeyboardGuard: a key in the "
      "slide pane; floor: their window queries alone\n");
  kalbench::PrintPairedRatio("PptMouseGuard", "guard", "floor", mouseRatio, kTarget);
  kalbench::PrintPairedRatio("PptKeyboardGuard", "guard", "floor", keyRatio, kTarget);
  std::printf("heap allocations by 2000 guard calls: %ld (target 0)\n", allocations);
  ::DestroyWindow(dialog);
  ::DestroyWindow(frame);
  return 0;
}
