// Every Microsoft-style name KalMsAddin.dll exports is one of the name table's rows, and
// dbghelp's UnDecorateSymbolName turns it back into that row's declaration.
#include <windows.h>
// dbghelp.h needs windows.h first.
#include <dbghelp.h>

#include <cstdio>
#include <memory>
#include <regex>
#include <set>
#include <string>

#include <gtest/gtest.h>

#include "msvc_exports_table.h"
#include "tests/support/test_paths.h"

namespace {

// The export names of a loaded module, read from its export directory.
std::set<std::string> ExportedNames(HMODULE module) {
  std::set<std::string> names;
  auto* base = reinterpret_cast<const BYTE*>(module);
  auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
  if (dir.VirtualAddress == 0) return names;
  auto* exports = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + dir.VirtualAddress);
  auto* nameRvas = reinterpret_cast<const DWORD*>(base + exports->AddressOfNames);
  for (DWORD i = 0; i < exports->NumberOfNames; ++i)
    names.insert(reinterpret_cast<const char*>(base + nameRvas[i]));
  return names;
}

// One spelling for both sides: no struct/class keywords, const written first, (void) as (),
// no blanks.
std::string Normalize(std::string text) {
  text = std::regex_replace(text, std::regex("\\b(struct|class|union|enum) "), "");
  text = std::regex_replace(text, std::regex("([A-Za-z_][A-Za-z0-9_]*) const\\b"), "const $1");
  text = std::regex_replace(text, std::regex("\\(void\\)"), "()");
  return std::regex_replace(text, std::regex("\\s+"), "");
}

}  // namespace

TEST(MsvcExports, EachNameUndecoratesToItsDeclaration) {
  std::unique_ptr<HINSTANCE__, decltype(&FreeLibrary)> dll(
      LoadLibraryW(kaltest::BinPath(L"KalMsAddin.dll").c_str()), &FreeLibrary);
  ASSERT_NE(dll.get(), nullptr);
  std::set<std::string> microsoft;
  for (const std::string& name : ExportedNames(dll.get()))
    if (name[0] == '?') microsoft.insert(name);

  std::set<std::string> listed;
  for (const CMsvcExportRow& row : kMsvcExports) {
    listed.insert(row.name);
    EXPECT_NE(GetProcAddress(dll.get(), row.name), nullptr) << row.name;
    char text[1024] = "";
    ASSERT_NE(UnDecorateSymbolName(row.name, text, sizeof(text),
                                   UNDNAME_NO_MS_KEYWORDS | UNDNAME_NO_ACCESS_SPECIFIERS),
              0u)
        << row.name;
    EXPECT_EQ(Normalize(text), Normalize(row.declaration)) << row.name << " -> " << text;
  }
  EXPECT_EQ(microsoft, listed);
  // The four special members, 78 operations, the two free functions and the virtual table.
  EXPECT_EQ(listed.size(), 85u);
  std::printf("Microsoft-style exports: %zu, each undecorated to its declaration\n",
              microsoft.size());
}

TEST(MsvcExports, TheVirtualTableDeletesWhatTheConstructorBuilt) {
  std::unique_ptr<HINSTANCE__, decltype(&FreeLibrary)> dll(
      LoadLibraryW(kaltest::BinPath(L"KalMsAddin.dll").c_str()), &FreeLibrary);
  ASSERT_NE(dll.get(), nullptr);
  using Construct = void* (*)(void* self);
  using Slot = void* (*)(void* self, unsigned int flags);
  auto construct = reinterpret_cast<Construct>(GetProcAddress(dll.get(), "??0CTavExchg@@QEAA@XZ"));
  auto* vftable = reinterpret_cast<const Slot*>(GetProcAddress(dll.get(), "??_7CTavExchg@@6B@"));
  ASSERT_TRUE(construct && vftable);
  void* memory = HeapAlloc(GetProcessHeap(), 0, sizeof(void*));
  ASSERT_EQ(construct(memory), memory);  // constructors return this
  EXPECT_EQ(*static_cast<const Slot* const*>(memory), vftable);
  // Flags 0 only destroys; the memory is still ours to free.
  EXPECT_EQ(vftable[0](memory, 0), memory);
  EXPECT_TRUE(HeapValidate(GetProcessHeap(), 0, memory));
  construct(memory);
  vftable[0](memory, 1);  // frees through the process heap
  EXPECT_FALSE(HeapValidate(GetProcessHeap(), 0, memory));
}
