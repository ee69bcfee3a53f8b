// Message pumping for tests (see message_pump.h).
#include "tests/support/message_pump.h"

namespace kaltest {

namespace {
// Dispatches what is queued; returns the number of WM_TIMER messages among them.
unsigned Drain() {
  unsigned timers = 0;
  MSG msg;
  while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_TIMER) ++timers;
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
  return timers;
}

// Drains the queue until `done(timers dispatched so far)` holds or the limit passes.
bool Pump(const std::function<bool(unsigned)>& done, DWORD limitMs) {
  const DWORD start = ::GetTickCount();
  unsigned timers = 0;
  for (;;) {
    timers += Drain();
    if (done(timers)) return true;
    if (::GetTickCount() - start >= limitMs) return false;
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
  }
}
}  // namespace

bool PumpMessagesUntil(const std::function<bool()>& done, DWORD limitMs) {
  return Pump([&](unsigned) { return done(); }, limitMs);
}

bool PumpTimerTicks(unsigned ticks, DWORD limitMs) {
  return Pump([&](unsigned timers) { return timers >= ticks; }, limitMs);
}

}  // namespace kaltest
