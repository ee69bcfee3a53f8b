// The read-only query and the throw-away protection password.
#pragma once
#include <windows.h>

#include <string>

// 1 when the agent's record for the process has a non-zero readOnlyFlag. Writes its four
// ungated lines (enter, ".11" when a record exists, ".22" when read-only, end).
BOOL IsTavReadOnly(DWORD processId);

// A fresh password for one protection call: 32 upper-case hex digits of a new GUID (bytes in
// memory order), or "KAL" and the tick count when no GUID can be made. Never written anywhere.
std::wstring MakeProtectPassword();
