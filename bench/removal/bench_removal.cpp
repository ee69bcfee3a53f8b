// Cost of one offline removal per section (worksheet) count: wall time of
// OfficeDeleteWaterMarkW (the application's start and end included) and the automation calls
// the server answered (its log, named by KALSIM_LOG, which the server inherits from this
// process). Every Word section carries its own header with one mark and one picture; every
// Excel worksheet has a background; every PowerPoint slide a visible white background. The DLL,
// winword.exe, excel.exe and powerpnt.exe are registered for the
// run and unregistered after it.
#include <windows.h>

#include <cstdio>
#include <string>

#include "bench/common/bench_clock.h"
#include "tests/support/host_run.h"
#include "tests/support/test_paths.h"

namespace {

using OfficeDeleteWaterMarkFn = int(WINAPI*)(int, const wchar_t*);

std::string Workbook(int sheets) {
  std::string text = "{\"name\": \"bench.xlsx\", \"sheets\": [";
  for (int i = 1; i <= sheets; ++i)
    text += std::string(i > 1 ? "," : "") + "{\"name\": \"Sheet" + std::to_string(i) +
            "\", \"background\": \"C:\\\\KalTemp\\\\watermarkxlsx1.jpg\"}";
  return text + "]}";
}

std::string Document(int sections) {
  std::string text = "{\"name\": \"bench.docx\", \"sections\": [";
  for (int i = 1; i <= sections; ++i) {
    char mark[64];
    std::snprintf(mark, sizeof(mark), "PowerPlusWaterMarkObject4B414C%02d", i);
    text += std::string(i > 1 ? "," : "") +
            "{\"text\": \"body\", \"headers\": {\"primary\": {\"text\": \"h\", \"shapes\": [" +
            "{\"name\": \"" + mark +
            "\", \"text\": \"x\"}, {\"name\": \"Company logo\", \"type\": \"picture\"}]}}}";
  }
  return text + "]}";
}

// Every slide shows a visible white background of its own, so the background pass repaints each.
std::string Presentation(int slides) {
  std::string text =
      "{\"name\": \"bench.pptx\", \"master\": {\"shapes\": [{\"name\": \"Title\"}]}, \"slides\": [";
  for (int i = 1; i <= slides; ++i)
    text += std::string(i > 1 ? "," : "") +
            "{\"followMasterBackground\": false, \"background\": {\"visible\": true, "
            "\"rgb\": 16777215, \"transparency\": 0.5}}";
  return text + "]}";
}

long TotalCalls(const std::string& log) {
  const std::string key = "automation calls total=";
  const size_t at = log.find(key);
  return at == std::string::npos ? -1 : std::stol(log.substr(at + key.size()));
}

int Run(const std::wstring& commandLine) { return kaltest::RunAndWait(commandLine, 60000); }

}  // namespace

int wmain() {
  const std::wstring bin = kaltest::BinDir();
  const std::wstring dll = bin + L"KalMsAddin.dll";
  const wchar_t* const servers[] = {L"winword.exe", L"excel.exe", L"powerpnt.exe"};
  bool registered = Run(L"regsvr32 /s \"" + dll + L"\"") == 0;
  for (const wchar_t* server : servers)
    registered = registered && Run(L"\"" + bin + server + L"\" /regserver") == 0;
  if (!registered) {
    std::fputs("bench_removal: registration failed\n", stderr);
    return 1;
  }
  HMODULE module = ::LoadLibraryW(dll.c_str());
  auto remove = module ? reinterpret_cast<OfficeDeleteWaterMarkFn>(reinterpret_cast<void*>(
                             ::GetProcAddress(module, "OfficeDeleteWaterMarkW")))
                       : nullptr;
  if (!remove) {
    std::fputs("bench_removal: OfficeDeleteWaterMarkW not found\n", stderr);
    return 1;
  }
  const std::wstring dir = kaltest::TempFolder() + L"kal_bench_removal_" +
                           std::to_wstring(::GetCurrentProcessId()) + L"\\";
  ::CreateDirectoryW(dir.c_str(), nullptr);

  struct CApplication {
    const char* title;
    int type;
    const wchar_t* extension;
    std::string (*file)(int);
    const char* mark;  // what must be gone from the file afterwards (the slides' own
                       // transparency: a master shape's default brightness is 0.5 too)
  } applications[] = {
      {"Word removal (marks in every section's own header)", 1, L".docx", Document,
       "PowerPlusWaterMark"},
      {"Excel removal (a background on every worksheet)", 2, L".xlsx", Workbook, "watermarkxlsx"},
      {"PowerPoint removal (a white background on every slide)", 3, L".pptx", Presentation,
       "\"transparency\": 0.5"},
  };
  int rc = 0;
  for (const auto& a : applications) {
    std::printf("%s, one hidden instance per call\n", a.title);
    std::printf("%8s %8s %10s %10s %14s\n", "sections", "result", "wall ms", "calls",
                "calls/section");
    long calls10 = 0, calls50 = 0;
    for (int sections : {1, 10, 50}) {
      const std::wstring doc = dir + L"bench" + std::to_wstring(sections) + a.extension;
      const std::wstring log = dir + L"server" + std::to_wstring(sections) + L".log";
      ::DeleteFileW(log.c_str());
      if (!kaltest::WriteFileBytes(doc, a.file(sections))) return 1;
      ::SetEnvironmentVariableW(L"KALSIM_LOG", log.c_str());
      int result = 0;
      const double ms = kalbench::TimeMs([&] { result = remove(a.type, doc.c_str()); });
      ::SetEnvironmentVariableW(L"KALSIM_LOG", nullptr);
      std::string text;
      for (int waited = 0; waited < 300; ++waited) {
        text = kaltest::ReadFileBytes(log);
        if (text.find("host exit") != std::string::npos) break;
        ::Sleep(100);
      }
      const long calls = TotalCalls(text);
      std::printf("%8d %8d %10.1f %10ld %14.1f\n", sections, result, ms, calls,
                  calls < 0 ? 0.0 : static_cast<double>(calls) / sections);
      const char* fault = result != 0 ? "the removal failed"
                          : calls < 0 ? "the server wrote no call count"
                          : kaltest::ReadFileBytes(doc).find(a.mark) != std::string::npos
                              ? "the mark is still in the file"
                              : nullptr;
      if (fault) {
        std::fprintf(stderr, "bench_removal: %d sections: %s\n", sections, fault);
        rc = 1;
      }
      if (sections == 10) calls10 = calls;
      if (sections == 50) calls50 = calls;
      ::DeleteFileW(doc.c_str());
      ::DeleteFileW(log.c_str());
    }
    std::printf("marginal calls per section (10 -> 50): %.1f\n\n",
                static_cast<double>(calls50 - calls10) / 40.0);
  }
  ::RemoveDirectoryW(dir.c_str());
  ::FreeLibrary(module);
  for (const wchar_t* server : servers) Run(L"\"" + bin + server + L"\" /unregserver");
  Run(L"regsvr32 /u /s \"" + dll + L"\"");
  return rc;
}
