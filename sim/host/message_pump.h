// The host's main window and message loop on the single-threaded apartment's thread, so
// thread timers, window messages and COM calls run as they do inside Office.
#pragma once
#include <windows.h>

#include <functional>
#include <string>

namespace kalsim {

// Creates the application's top-level window with Office's class name (e.g. "OpusApp").
HWND CreateHostWindow(const std::wstring& className, const std::wstring& title);
// Pumps messages for `ms` milliseconds; false once WM_QUIT was seen (the loop should end).
bool PumpFor(DWORD ms);
// Pumps until `ticks` more timer messages have been handled: 1 when they were, 0 when
// `limitMs` passed first, -1 on WM_QUIT. Scripts wait on ticks, not on wall time, so a busy
// machine that delays a timer cannot make them look too early.
int PumpTicks(unsigned ticks, DWORD limitMs);
// Pumps until `done` is true (checked after every wake-up) or WM_QUIT arrives.
void PumpUntil(const std::function<bool()>& done);
// A hung host: WM_QUIT is taken off the queue and dropped, so the loops above never end by it.
void IgnoreQuitMessages(bool ignore);

}  // namespace kalsim
