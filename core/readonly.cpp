// IsTavReadOnly (the agent's readOnlyFlag for a process) and MakeProtectPassword.
#include "core/readonly.h"

#include <cstdint>
#include <cstring>

#include "core/password.h"
#include "core/trace.h"
#include "exchange/tav_exchg.h"

BOOL IsTavReadOnly(DWORD processId) {
  DebugOutFmtW(L"manager--------------IsTavReadOnly-----enter");
  BOOL readOnly = FALSE;
  _TAV_EXCHG_INFO record = {};
  if (CTavExchg().GetInfo_doc(static_cast<unsigned int>(processId), record) == 0) {
    DebugOutFmtW(L"manager--------------IsTavReadOnly.11");
    if (record.readOnlyFlag != 0) {
      DebugOutFmtW(L"manager--------------IsTavReadOnly.22");
      readOnly = TRUE;
    }
  }
  DebugOutFmtW(L"manager--------------IsTavReadOnly-----end");
  return readOnly;
}

std::wstring MakeProtectPassword() {
  GUID guid = {};
  if (FAILED(CoCreateGuid(&guid))) return FallbackPassword(GetTickCount());
  uint8_t bytes[16];
  static_assert(sizeof(guid) == sizeof(bytes), "a GUID is 16 bytes");
  std::memcpy(bytes, &guid, sizeof(bytes));
  return PasswordFromBytes(bytes);
}
