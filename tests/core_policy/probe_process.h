// Test helper: a probe child process (a copy of policy_probe.exe under a chosen name) driven
// through its stdin/stdout.
#pragma once
#include <windows.h>

#include <string>

#include "exchange/handle_owner.h"

namespace kaltest {

// A child process started suspended (so the test can register its pid with the agent's state
// first), then resumed; commands are lines on its stdin, answers lines on its stdout.
class CProbeProcess {
 public:
  CProbeProcess() = default;
  CProbeProcess(const CProbeProcess&) = delete;
  CProbeProcess& operator=(const CProbeProcess&) = delete;
  ~CProbeProcess();

  // Copies policy_probe.exe to dir\exeName and starts the copy suspended.
  bool StartSuspended(const std::wstring& dir, const std::wstring& exeName);
  void Resume();
  DWORD Pid() const { return m_pid; }
  // Sends one command and returns its answer line ("" when the child died or timed out).
  std::string Command(const std::string& line, DWORD timeoutMs = 20000);
  // Sends "quit" and waits for the exit.
  void Quit();

 private:
  bool ReadLine(std::string& line, DWORD timeoutMs);

  kal::CHandleOwner m_hProcess;
  kal::CHandleOwner m_hThread;
  kal::CHandleOwner m_hStdinWrite;
  kal::CHandleOwner m_hStdoutRead;
  DWORD m_pid = 0;
  std::string m_pending;
};

// A fresh folder under %TEMP%.
std::wstring MakeTempDir(const std::wstring& hint);

}  // namespace kaltest
