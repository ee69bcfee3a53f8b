// Where the test binaries, the DLL and the tools live at run time.
#pragma once
#include <string>

namespace kaltest {
// Folder of the running executable, with a trailing backslash (all binaries share it).
std::wstring BinDir();
// Full path of a file in BinDir().
std::wstring BinPath(const std::wstring& name);
// Reads a whole file; empty when it cannot be read.
std::string ReadFileBytes(const std::wstring& path);
}  // namespace kaltest
