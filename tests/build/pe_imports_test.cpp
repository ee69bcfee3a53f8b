// The shipped DLL must run on any Windows x86-64 machine: it may import system DLLs only,
// and it must export the COM entry points by name.
#include <windows.h>

#include <algorithm>
#include <cctype>
#include <set>
#include <string>

#include <gtest/gtest.h>

#include "tests/support/test_paths.h"

namespace {
// The DLL mapped as an image without resolving its imports or running its entry point.
class ShippedDll : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_NE(m_dll, nullptr); }
  void TearDown() override { FreeLibrary(m_dll); }
  const BYTE* Base() const { return reinterpret_cast<const BYTE*>(m_dll); }
  const IMAGE_NT_HEADERS64* Nt() const {
    auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(Base());
    return reinterpret_cast<const IMAGE_NT_HEADERS64*>(Base() + dos->e_lfanew);
  }
  HMODULE m_dll = LoadLibraryExW(kaltest::BinPath(L"KalMsAddin.dll").c_str(), nullptr,
                                 DONT_RESOLVE_DLL_REFERENCES);
};
}  // namespace

TEST_F(ShippedDll, ImportsSystemDllsOnly) {
  EXPECT_EQ(Nt()->FileHeader.Machine, IMAGE_FILE_MACHINE_AMD64);
  EXPECT_TRUE(Nt()->FileHeader.Characteristics & IMAGE_FILE_DLL);
  const std::set<std::string> system = {
      "kernel32.dll", "user32.dll",  "gdi32.dll",   "advapi32.dll", "ole32.dll", "oleaut32.dll",
      "gdiplus.dll",  "shlwapi.dll", "shell32.dll", "rpcrt4.dll",   "msvcrt.dll"};
  auto& dir = Nt()->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  ASSERT_NE(dir.VirtualAddress, 0u);
  auto* d = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(Base() + dir.VirtualAddress);
  ASSERT_NE(d->Name, 0u);
  for (; d->Name; ++d) {
    std::string dll = reinterpret_cast<const char*>(Base() + d->Name);
    std::transform(dll.begin(), dll.end(), dll.begin(),
                   [](unsigned char c) { return std::tolower(c); });
    bool apiSet = dll.rfind("api-ms-win-", 0) == 0;
    EXPECT_TRUE(apiSet || system.count(dll)) << "non-system import: " << dll;
  }
}

TEST_F(ShippedDll, ExportsComEntryPointsByName) {
  for (const char* name : {"DllCanUnloadNow", "DllGetClassObject", "DllRegisterServer",
                           "DllUnregisterServer", "DllInstall"})
    EXPECT_NE(GetProcAddress(m_dll, name), nullptr) << name;
}
