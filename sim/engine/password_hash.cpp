// The simulated Office's protection-password verifier.
#include "sim/engine/password_hash.h"

#include <cwchar>

namespace kalsim {

std::wstring PasswordHash(const std::wstring& password) {
  if (password.empty()) return std::wstring();
  unsigned long hash = 2166136261ul;  // FNV-1a over the UTF-16 units
  for (wchar_t c : password) {
    hash ^= static_cast<unsigned long>(c);
    hash = (hash * 16777619ul) & 0xFFFFFFFFul;
  }
  wchar_t text[9];
  swprintf(text, 9, L"%08lX", hash);
  return text;
}

}  // namespace kalsim
