// kaltest::CAgentProcess: runs the reference agent (TavRegedit.exe) with a policy for the
// lifetime of a test fixture; the destructor ends it by its process handle.
#pragma once
#include <windows.h>

#include <string>

#include "exchange/handle_owner.h"

namespace kaltest {

class CAgentProcess {
 public:
  CAgentProcess() = default;
  CAgentProcess(const CAgentProcess&) = delete;
  CAgentProcess& operator=(const CAgentProcess&) = delete;
  ~CAgentProcess() { Stop(); }

  // Writes the policy text (the agent's policy-file format) to a temporary file, starts
  // "TavRegedit.exe run" on it and waits until the sections are filled and the first
  // process scan is done. False when the agent does not come up within timeoutMs.
  bool Start(const std::string& policyText, DWORD timeoutMs = 15000);
  bool StartFile(const std::wstring& policyPath, DWORD timeoutMs = 15000);
  // Replaces the running agent's policy ("TavRegedit.exe set") and waits until applied.
  bool Set(const std::string& policyText, DWORD timeoutMs = 15000);
  // Terminates the agent (if running) and waits for it; the sections vanish with it.
  void Stop();

  bool Running() const;
  DWORD Pid() const { return m_pid; }

 private:
  // One launch; empty on success, else why it failed.
  std::string StartOnce(const std::wstring& policyPath, DWORD timeoutMs);

  kal::CHandleOwner m_hProcess;
  DWORD m_pid = 0;
  std::wstring m_policyPath;
};

// A policy text for the agent: user alice (E-1001), a watermark record ("CONFIDENTIAL", 40 pt,
// blue, date and names shown) with its switches on or off, and the process `pid` (none when
// 0) protected with the given read-only flag.
std::string PolicyForProcess(DWORD pid, bool readOnly, bool watermark);

// Writes text to a fresh file under %TEMP%; returns its path (empty on failure).
std::wstring WriteTempFile(const std::string& text, const wchar_t* extension);

// Runs a program from BinDir() with the given argument text, waits (timeoutMs) and returns
// its exit code, or -1 when it could not be started or did not finish. Output, when wanted,
// receives what it wrote to stdout and stderr.
int RunBinTool(const std::wstring& exeName, const std::wstring& args, std::string* output,
               DWORD timeoutMs = 30000);

}  // namespace kaltest
