// Message pumping for tests that host add-in code on their own thread: thread timers fire
// while the test waits, and waits end on the effect or a generous limit, never a fixed sleep.
#pragma once
#include <windows.h>

#include <functional>

namespace kaltest {

// Pumps this thread's messages until `done` holds (true) or `limitMs` passes (false).
bool PumpMessagesUntil(const std::function<bool()>& done, DWORD limitMs = 20000);
// Pumps until `ticks` WM_TIMER messages were dispatched (true) or `limitMs` passed (false).
bool PumpTimerTicks(unsigned ticks, DWORD limitMs = 20000);

}  // namespace kaltest
