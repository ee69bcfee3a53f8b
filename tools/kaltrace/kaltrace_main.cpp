// kaltrace.exe: debugger-output viewer. Prints each line as "<pid>: <text>".
//   kaltrace.exe [--filter TEXT] [--out FILE] [--seconds N] [--stop-event NAME]
//                [--ready-event NAME]
// With --out the lines go to FILE (flushed per line) instead of the console; the viewer ends
// after N seconds, when the stop event is set, or on Ctrl-C.
#include <windows.h>

#include <cstdio>
#include <mutex>
#include <string>

#include "exchange/handle_owner.h"
#include "tools/dbwin/dbwin_listener.h"

namespace {

HANDLE g_hStop = nullptr;

BOOL WINAPI OnConsoleCtrl(DWORD) {
  if (g_hStop) SetEvent(g_hStop);
  return TRUE;
}

std::string Narrow(const wchar_t* w) {
  int n = WideCharToMultiByte(CP_ACP, 0, w, -1, nullptr, 0, nullptr, nullptr);
  std::string s(n > 0 ? n - 1 : 0, '\0');
  if (n > 1) WideCharToMultiByte(CP_ACP, 0, w, -1, &s[0], n, nullptr, nullptr);
  return s;
}

int Usage() {
  fprintf(stderr,
          "usage: kaltrace.exe [--filter TEXT] [--out FILE] [--seconds N] [--stop-event NAME] "
          "[--ready-event NAME]\n");
  return 64;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  std::string filter;
  std::wstring outPath, stopName, readyName;
  DWORD seconds = 0;
  for (int i = 1; i < argc; ++i) {
    std::wstring a = argv[i];
    if (i + 1 >= argc) return Usage();
    if (a == L"--filter")
      filter = Narrow(argv[++i]);
    else if (a == L"--out")
      outPath = argv[++i];
    else if (a == L"--seconds")
      seconds = static_cast<DWORD>(_wtoi(argv[++i]));
    else if (a == L"--stop-event")
      stopName = argv[++i];
    else if (a == L"--ready-event")
      readyName = argv[++i];
    else
      return Usage();
  }

  FILE* out = stdout;
  if (!outPath.empty()) {
    out = _wfopen(outPath.c_str(), L"wb");
    if (!out) {
      fwprintf(stderr, L"kaltrace: cannot open %ls\n", outPath.c_str());
      return 2;
    }
  }
  kal::CHandleOwner stop(stopName.empty() ? CreateEventW(nullptr, TRUE, FALSE, nullptr)
                                          : CreateEventW(nullptr, TRUE, FALSE, stopName.c_str()));
  g_hStop = stop.Get();
  SetConsoleCtrlHandler(OnConsoleCtrl, TRUE);

  std::mutex outMutex;
  kal::CDbwinListener listener;
  bool started = listener.Start([&](DWORD pid, const std::string& text) {
    kal::SplitDbwinLines(text, [&](const std::string& line) {
      if (!filter.empty() && line.find(filter) == std::string::npos) return;
      std::lock_guard<std::mutex> lock(outMutex);
      fprintf(out, "%lu: %s\n", pid, line.c_str());
      fflush(out);
    });
  });
  if (!started) {
    fprintf(stderr, "kaltrace: the debugger-output channel is in use by another listener\n");
    if (out != stdout) fclose(out);
    return 3;
  }
  if (!readyName.empty()) {
    kal::CHandleOwner ready(OpenEventW(EVENT_MODIFY_STATE, FALSE, readyName.c_str()));
    if (ready) SetEvent(ready.Get());
  }
  WaitForSingleObject(stop.Get(), seconds ? seconds * 1000 : INFINITE);
  listener.Stop();
  g_hStop = nullptr;
  if (out != stdout) fclose(out);
  return 0;
}
