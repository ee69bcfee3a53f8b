// Child process of the cross-process exchange tests.
//   exchange_child.exe hammer <base> <ids> <rounds>
//       each round adds ids base..base+ids-1 to dyList and tavInfo, then deletes the even
//       ones; the odd ones stay at the end
//   exchange_child.exe hold <ready-event> <ms>
//       takes the exchange lock, signals ready-event and keeps the lock for ms milliseconds
//       without ever releasing it
#include <windows.h>

#include <cstdlib>
#include <cwchar>

#include "exchange/event_ex.h"
#include "exchange/tav_exchg.h"

namespace {

int Hammer(unsigned base, unsigned ids, unsigned rounds) {
  CTavExchg ex;
  for (unsigned r = 0; r < rounds; ++r) {
    for (unsigned id = base; id < base + ids; ++id) {
      if (ex.AddDy(id) < 0) return 2;
      _TAV_EXCHG_INFO rec{};
      rec.infoId = id;
      rec.processId = id + 1;
      if (ex.AddInfo(rec) != 0) return 2;
    }
    for (unsigned id = base; id < base + ids; id += 2) {
      if (ex.DelDy(id) < 0) return 2;
      if (ex.DeleteInfo(id) != 0) return 2;
    }
  }
  return 0;
}

int Hold(const wchar_t* readyName, DWORD ms) {
  WaitForSingleObject(ExchangeLock.Handle(), INFINITE);
  HANDLE ready = OpenEventW(EVENT_MODIFY_STATE, FALSE, readyName);
  if (!ready) return 2;
  SetEvent(ready);
  Sleep(ms);
  // Ends still holding the lock: the event stays unsignalled for everyone else.
  TerminateProcess(GetCurrentProcess(), 0);
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc == 5 && wcscmp(argv[1], L"hammer") == 0)
    return Hammer(wcstoul(argv[2], nullptr, 10), wcstoul(argv[3], nullptr, 10),
                  wcstoul(argv[4], nullptr, 10));
  if (argc == 4 && wcscmp(argv[1], L"hold") == 0)
    return Hold(argv[2], wcstoul(argv[3], nullptr, 10));
  return 64;
}
