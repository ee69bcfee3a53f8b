// The host's own log: one line per event (add-in calls, ribbon, actions), written to stdout
// and, when a log file is named (/log <path> or the KALSIM_LOG environment variable), to it.
#pragma once
#include <cstdio>
#include <memory>
#include <string>

namespace kalsim {

class CHostLog {
 public:
  static CHostLog& Instance();
  void Open(const std::wstring& path);
  void Line(const std::wstring& text);

 private:
  struct CFileCloser {
    void operator()(FILE* f) const { fclose(f); }
  };
  std::unique_ptr<FILE, CFileCloser> m_file;
};

inline void HostLog(const std::wstring& text) { CHostLog::Instance().Line(text); }

// What the automation clients of a local server cost: "automation calls total=<n>" and one
// "automation calls <Kind.Member>=<n>" line per member called, for tests and benchmarks.
void LogAutomationCalls();

}  // namespace kalsim
