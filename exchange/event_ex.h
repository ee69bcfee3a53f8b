// CEventEx: the named auto-reset event that serialises access to the agent's sections, and
// ExchangeLock, the one process-wide instance of it.
#pragma once
#include <windows.h>

class CEventEx {
 public:
  // Creates (or opens, when another process was first) the event with a null DACL, so every
  // account on the machine can take the lock: auto-reset, initially signalled.
  explicit CEventEx(const wchar_t* name);
  CEventEx(const CEventEx&) = delete;
  CEventEx& operator=(const CEventEx&) = delete;
  virtual ~CEventEx();

  // Waits at most 200 ms; a holder that keeps the event longer is overtaken on purpose.
  void Lock();
  void Unlock();
  HANDLE Handle() const { return m_hEvent; }

 private:
  HANDLE m_hEvent = nullptr;
};

// Lock-for-scope over an event; Unlock runs even when the wait timed out.
class CEventExGuard {
 public:
  explicit CEventExGuard(CEventEx& ev) : m_rEvent(ev) { m_rEvent.Lock(); }
  CEventExGuard(const CEventExGuard&) = delete;
  CEventExGuard& operator=(const CEventExGuard&) = delete;
  ~CEventExGuard() { m_rEvent.Unlock(); }

 private:
  CEventEx& m_rEvent;
};

// Lives from module load to module unload.
extern CEventEx ExchangeLock;
