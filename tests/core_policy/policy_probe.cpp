// policy_probe.exe: runs the watermark decision, the exemption test, the read-only query and
// the module configuration inside its own process, under whatever name it was copied to, and
// prints one line per command. Commands come from the arguments or, without arguments, one
// per line on stdin (so a test can change the agent's state between two commands).
//   decide            IsHasWatermark and the cached record's appearance
//   watermark         GetWatermark into a scratch record
//   mutex             CreateWaterMutex
//   readonly          IsTavReadOnly for this process
//   config            ReadModuleConfig for this executable, then the two values
//   trace TEXT        TraceW(TEXT) and TraceFmtW("%s", TEXT)
//   holdfor EXE PID   creates and holds "Global\LumicODS_<EXE>_<PID>"
//   release           closes the held mutex
//   sleep MS          waits
//   touch PATH        creates an empty file (a step signal for scripts)
//   waitfor PATH      waits (up to 120 s) until the file exists
//   pid               prints the process id
//   exit N            ends the probe with exit code N
//   quit              ends the probe
#include <windows.h>

#include <cstdio>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "core/config.h"
#include "core/policy.h"
#include "core/readonly.h"
#include "core/trace.h"
#include "exchange/handle_owner.h"

namespace {
std::string Utf8(const std::wstring& w) {
  if (w.empty()) return std::string();
  int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), nullptr, 0, nullptr,
                              nullptr);
  std::string s(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), &s[0], n, nullptr, nullptr);
  return s;
}

std::wstring Wide(const std::string& s) {
  if (s.empty()) return std::wstring();
  int n = MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
  std::wstring w(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), &w[0], n);
  return w;
}

class CProbe {
 public:
  // Returns false on "quit".
  bool Run(const std::vector<std::string>& words) {
    if (words.empty()) return true;
    const std::string& cmd = words[0];
    if (cmd == "quit") return false;
    if (cmd == "decide") {
      int result = IsHasWatermark();
      const CWatermarkPolicyCache& cache = WatermarkPolicyCache;
      std::printf(
          "decide=%d init=%d cached=%d readWatermark=%u color=0x%06lX size=%u transparency=%u "
          "slanted=%d font=%s\n",
          result, cache.bInit, cache.bResult, cache.record.readWatermark,
          static_cast<unsigned long>(GetWatermarkColor()), GetWatermarkFontSize(),
          GetWatermarkTransparency(), IsWatermarkSlanted(), Utf8(GetWatermarkFont()).c_str());
    } else if (cmd == "watermark") {
      auto scratch = std::make_unique<_PRINT_EXCHG_INFO>();
      std::printf("watermark=%d\n", GetWatermark(scratch.get(), sizeof(*scratch)));
    } else if (cmd == "mutex") {
      std::printf("mutex=%d\n", CreateWaterMutex());
    } else if (cmd == "readonly") {
      std::printf("readonly=%d\n", IsTavReadOnly(GetCurrentProcessId()) ? 1 : 0);
    } else if (cmd == "config") {
      ReadModuleConfig(nullptr);
      std::printf("trace=%d ppt=%d\n", g_bTraceOn ? 1 : 0, g_nPptReadOnlyProtectPwd);
    } else if (cmd == "trace" && words.size() > 1) {
      std::wstring text = Wide(words[1]);
      TraceW(text.c_str());
      TraceFmtW(L"fmt:%s", text.c_str());
      std::printf("traced\n");
    } else if (cmd == "holdfor" && words.size() > 2) {
      std::wstring name = kal::ExemptionMutexName(Wide(words[1]), std::stoul(words[2]));
      m_held.Reset(CreateMutexW(nullptr, FALSE, name.c_str()));
      std::printf("held=%d\n", m_held ? 1 : 0);
    } else if (cmd == "release") {
      m_held.Reset();
      std::printf("released\n");
    } else if (cmd == "sleep" && words.size() > 1) {
      Sleep(static_cast<DWORD>(std::stoul(words[1])));
      std::printf("slept\n");
    } else if (cmd == "touch" && words.size() > 1) {
      kal::CHandleOwner file(CreateFileW(Wide(words[1]).c_str(), GENERIC_WRITE, 0, nullptr,
                                         CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
      std::printf("touched=%d\n", file ? 1 : 0);
    } else if (cmd == "waitfor" && words.size() > 1) {
      std::wstring path = Wide(words[1]);
      int waited = 0;
      while (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES && waited < 120000) {
        Sleep(50);
        waited += 50;
      }
      std::printf("waited=%d\n", GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES);
    } else if (cmd == "exit" && words.size() > 1) {
      std::fflush(stdout);
      ExitProcess(static_cast<UINT>(std::stoul(words[1])));
    } else if (cmd == "pid") {
      std::printf("pid=%lu\n", GetCurrentProcessId());
    } else {
      std::printf("unknown=%s\n", cmd.c_str());
    }
    std::fflush(stdout);
    return true;
  }

 private:
  kal::CHandleOwner m_held;
};

std::vector<std::string> Split(const std::string& line) {
  std::istringstream in(line);
  std::vector<std::string> words;
  std::string w;
  while (in >> w) words.push_back(w);
  return words;
}
}  // namespace

int main(int argc, char** argv) {
  CProbe probe;
  if (argc > 1) {
    // Arguments: commands separated by "+" (e.g. "holdfor WINWORD.EXE 12 + sleep 5000").
    std::vector<std::string> words;
    for (int i = 1; i <= argc; ++i) {
      if (i == argc || std::string(argv[i]) == "+") {
        if (!probe.Run(words)) return 0;
        words.clear();
      } else {
        words.push_back(argv[i]);
      }
    }
    return 0;
  }
  std::string line;
  while (std::getline(std::cin, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!probe.Run(Split(line))) break;
  }
  return 0;
}
