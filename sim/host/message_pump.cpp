// Main window and message loop of the simulator hosts.
#include "sim/host/message_pump.h"

namespace kalsim {

namespace {
bool g_bQuitSeen = false;
bool g_bIgnoreQuit = false;
unsigned long g_nTimerTicks = 0;  // WM_TIMER messages handled so far

LRESULT CALLBACK HostWndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

// Dispatches what is queued; false on WM_QUIT.
bool DrainQueue() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      if (g_bIgnoreQuit) continue;
      g_bQuitSeen = true;
      return false;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);  // thread timers (hwnd 0) call their TIMERPROC from here
    if (msg.message == WM_TIMER) ++g_nTimerTicks;
  }
  return true;
}
}  // namespace

HWND CreateHostWindow(const std::wstring& className, const std::wstring& title) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = HostWndProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = className.c_str();
  RegisterClassW(&wc);
  return CreateWindowExW(0, className.c_str(), title.c_str(), WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, 800,
                         600, nullptr, nullptr, wc.hInstance, nullptr);
}

bool PumpFor(DWORD ms) {
  if (g_bQuitSeen) return false;
  const ULONGLONG end = GetTickCount64() + ms;
  while (true) {
    if (!DrainQueue()) return false;
    ULONGLONG now = GetTickCount64();
    if (now >= end) return true;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(end - now), QS_ALLINPUT);
  }
}

int PumpTicks(unsigned ticks, DWORD limitMs) {
  if (g_bQuitSeen) return -1;
  const unsigned long target = g_nTimerTicks + ticks;
  const ULONGLONG end = GetTickCount64() + limitMs;
  while (true) {
    if (!DrainQueue()) return -1;
    if (g_nTimerTicks >= target) return 1;
    ULONGLONG now = GetTickCount64();
    if (now >= end) return 0;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(end - now), QS_ALLINPUT);
  }
}

void PumpUntil(const std::function<bool()>& done) {
  while (!g_bQuitSeen && !done()) {
    if (!DrainQueue()) return;
    if (done()) return;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
  }
}

void IgnoreQuitMessages(bool ignore) { g_bIgnoreQuit = ignore; }

}  // namespace kalsim
