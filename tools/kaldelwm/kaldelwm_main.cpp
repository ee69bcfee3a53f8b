// kaldelwm.exe TYPE PATH: removes the add-in's watermark from one document file through
// KalMsAddin.dll's OfficeDeleteWaterMarkW, prints the result code and exits with it.
//   TYPE  1 Word, 2 Excel, 3 PowerPoint
//   PATH  the document's full path (a relative path is made full first)
// The DLL is looked for beside this program, then on the usual search path.
#include <windows.h>

#include <climits>
#include <cstdio>
#include <cwchar>
#include <string>

namespace {

using OfficeDeleteWaterMarkFn = int(WINAPI*)(int, const wchar_t*);

constexpr int kUsageExit = 254;     // not a result code of the export
constexpr int kNoModuleExit = 253;

HMODULE LoadAddin() {
  wchar_t self[MAX_PATH] = {};
  const DWORD n = ::GetModuleFileNameW(nullptr, self, MAX_PATH);
  if (n > 0 && n < MAX_PATH) {
    std::wstring beside(self, n);
    const size_t slash = beside.find_last_of(L"\\/");
    beside = beside.substr(0, slash == std::wstring::npos ? 0 : slash + 1) + L"KalMsAddin.dll";
    if (HMODULE module = ::LoadLibraryW(beside.c_str())) return module;
  }
  return ::LoadLibraryW(L"KalMsAddin.dll");
}

// The type argument as a whole decimal number; false for anything else.
bool ParseType(const wchar_t* text, int* type) {
  wchar_t* end = nullptr;
  const long value = std::wcstol(text, &end, 10);
  if (end == text || *end != L'\0' || value < INT_MIN || value > INT_MAX) return false;
  *type = static_cast<int>(value);
  return true;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  int type = 0;
  if (argc != 3 || !ParseType(argv[1], &type)) {
    std::fputs("usage: kaldelwm.exe TYPE PATH   (TYPE 1 Word, 2 Excel, 3 PowerPoint)\n", stderr);
    return kUsageExit;
  }
  wchar_t full[MAX_PATH * 4] = {};
  const DWORD n = ::GetFullPathNameW(argv[2], static_cast<DWORD>(sizeof(full) / sizeof(full[0])), full, nullptr);
  const wchar_t* path = (n > 0 && n < sizeof(full) / sizeof(full[0])) ? full : argv[2];

  HMODULE module = LoadAddin();
  auto remove = module ? reinterpret_cast<OfficeDeleteWaterMarkFn>(
                             reinterpret_cast<void*>(::GetProcAddress(module, "OfficeDeleteWaterMarkW")))
                       : nullptr;
  if (!remove) {
    std::fprintf(stderr, "kaldelwm: KalMsAddin.dll or its OfficeDeleteWaterMarkW not found (error %lu)\n",
                 ::GetLastError());
    return kNoModuleExit;
  }
  const int result = remove(type, path);
  std::printf("%d\n", result);
  std::fflush(stdout);
  ::FreeLibrary(module);
  return result;
}
