// The shipped DLL must run on any Windows x86-64 machine: it may import system DLLs only,
// and it must export the COM entry points by name.
#include <windows.h>

#include <algorithm>
#include <cctype>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/test_paths.h"

namespace {
struct PeView {
  std::string bytes;
  const IMAGE_NT_HEADERS64* nt = nullptr;

  bool Load(const std::wstring& path) {
    bytes = kaltest::ReadFileBytes(path);
    if (bytes.size() < sizeof(IMAGE_DOS_HEADER)) return false;
    auto dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(bytes.data());
    if (dos->e_magic != IMAGE_DOS_SIGNATURE) return false;
    if (size_t(dos->e_lfanew) + sizeof(IMAGE_NT_HEADERS64) > bytes.size()) return false;
    nt = reinterpret_cast<const IMAGE_NT_HEADERS64*>(bytes.data() + dos->e_lfanew);
    return nt->Signature == IMAGE_NT_SIGNATURE;
  }
  // File offset of a relative virtual address, or 0 when it lies in no section.
  size_t Offset(DWORD rva) const {
    auto sec = IMAGE_FIRST_SECTION(nt);
    for (int i = 0; i < nt->FileHeader.NumberOfSections; ++i, ++sec) {
      DWORD size = std::max(sec->Misc.VirtualSize, sec->SizeOfRawData);
      if (rva >= sec->VirtualAddress && rva < sec->VirtualAddress + size)
        return rva - sec->VirtualAddress + sec->PointerToRawData;
    }
    return 0;
  }
  std::string CString(DWORD rva) const {
    size_t off = Offset(rva);
    if (!off || off >= bytes.size()) return {};
    return std::string(bytes.c_str() + off, strnlen(bytes.c_str() + off, bytes.size() - off));
  }
  std::vector<std::string> Imports() const {
    std::vector<std::string> names;
    auto& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    size_t off = Offset(dir.VirtualAddress);
    for (; off && off + sizeof(IMAGE_IMPORT_DESCRIPTOR) <= bytes.size();
         off += sizeof(IMAGE_IMPORT_DESCRIPTOR)) {
      auto d = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(bytes.data() + off);
      if (!d->Name) break;
      std::string n = CString(d->Name);
      std::transform(n.begin(), n.end(), n.begin(), [](unsigned char c) { return std::tolower(c); });
      names.push_back(n);
    }
    return names;
  }
  std::vector<std::string> Exports() const {
    std::vector<std::string> names;
    auto& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
    size_t off = Offset(dir.VirtualAddress);
    if (!off) return names;
    auto e = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(bytes.data() + off);
    size_t namesOff = Offset(e->AddressOfNames);
    for (DWORD i = 0; namesOff && i < e->NumberOfNames; ++i)
      names.push_back(CString(reinterpret_cast<const DWORD*>(bytes.data() + namesOff)[i]));
    return names;
  }
};
}  // namespace

TEST(ShippedDll, ImportsSystemDllsOnly) {
  PeView pe;
  ASSERT_TRUE(pe.Load(kaltest::BinPath(L"KalMsAddin.dll")));
  EXPECT_EQ(pe.nt->FileHeader.Machine, IMAGE_FILE_MACHINE_AMD64);
  EXPECT_TRUE(pe.nt->FileHeader.Characteristics & IMAGE_FILE_DLL);
  const std::set<std::string> system = {
      "kernel32.dll", "user32.dll", "gdi32.dll",   "advapi32.dll", "ole32.dll", "oleaut32.dll",
      "gdiplus.dll",  "shlwapi.dll", "shell32.dll", "rpcrt4.dll",  "msvcrt.dll"};
  auto imports = pe.Imports();
  ASSERT_FALSE(imports.empty());
  for (auto& dll : imports) {
    bool apiSet = dll.rfind("api-ms-win-", 0) == 0;
    EXPECT_TRUE(apiSet || system.count(dll)) << "non-system import: " << dll;
  }
}

TEST(ShippedDll, ExportsComEntryPointsByName) {
  PeView pe;
  ASSERT_TRUE(pe.Load(kaltest::BinPath(L"KalMsAddin.dll")));
  auto exports = pe.Exports();
  for (const char* name :
       {"DllCanUnloadNow", "DllGetClassObject", "DllRegisterServer", "DllUnregisterServer",
        "DllInstall"}) {
    EXPECT_NE(std::find(exports.begin(), exports.end(), name), exports.end()) << name;
  }
}
