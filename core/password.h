// Text forms of the protection password; MakeProtectPassword (readonly.h) picks one.
// Pure code, free of windows.h.
#pragma once
#include <cstdint>
#include <string>

// The 16 bytes in the order given, high nibble first, digits 0-9A-F: 32 units.
std::wstring PasswordFromBytes(const uint8_t (&bytes)[16]);
// "KAL" followed by the tick count as a signed 32-bit decimal number.
std::wstring FallbackPassword(uint32_t tickCount);
