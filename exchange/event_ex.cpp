// CEventEx and the process-wide ExchangeLock.
#include "exchange/event_ex.h"

#include "exchange/exchange_layout.h"

namespace {
constexpr DWORD kLockWaitMs = 200;
}  // namespace

CEventEx ExchangeLock(kal::kExchangeLockName);

CEventEx::CEventEx(const wchar_t* name) {
  SECURITY_DESCRIPTOR sd = {};
  SECURITY_ATTRIBUTES sa = {sizeof(sa), nullptr, FALSE};
  if (InitializeSecurityDescriptor(&sd, SECURITY_DESCRIPTOR_REVISION) &&
      SetSecurityDescriptorDacl(&sd, TRUE, nullptr, FALSE)) {
    sa.lpSecurityDescriptor = &sd;
  }
  // Auto-reset, initially signalled; an existing event of that name is simply opened.
  m_hEvent = CreateEventW(&sa, FALSE, TRUE, name);
}

CEventEx::~CEventEx() {
  if (m_hEvent) CloseHandle(m_hEvent);
}

void CEventEx::Lock() {
  if (m_hEvent) WaitForSingleObject(m_hEvent, kLockWaitMs);
}

void CEventEx::Unlock() {
  if (m_hEvent) SetEvent(m_hEvent);
}
