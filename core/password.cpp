// The throw-away protection password.
#include "core/password.h"

std::wstring PasswordFromBytes(const uint8_t (&bytes)[16]) {
  static const wchar_t kDigits[] = L"0123456789ABCDEF";
  std::wstring text;
  text.reserve(32);
  for (uint8_t b : bytes) {
    text.push_back(kDigits[b >> 4]);
    text.push_back(kDigits[b & 0x0F]);
  }
  return text;
}

std::wstring FallbackPassword(uint32_t tickCount) {
  return L"KAL" + std::to_wstring(static_cast<int32_t>(tickCount));
}
