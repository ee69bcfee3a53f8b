#include "tests/support/test_paths.h"

#include <windows.h>

#include <fstream>
#include <iterator>

namespace kaltest {
std::wstring BinDir() {
  wchar_t path[MAX_PATH * 4] = {};
  DWORD n = GetModuleFileNameW(nullptr, path, ARRAYSIZE(path));
  std::wstring s(path, n);
  return s.substr(0, s.find_last_of(L'\\') + 1);
}

std::wstring BinPath(const std::wstring& name) { return BinDir() + name; }

std::string ReadFileBytes(const std::wstring& path) {
  std::ifstream in(path.c_str(), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
}  // namespace kaltest
