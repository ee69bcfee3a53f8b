// Test helpers: a probe child process driven through its stdin/stdout, and the agent's
// exchange section created inside the test process (it lives while the test holds it).
#pragma once
#include <windows.h>

#include <memory>
#include <string>

#include "exchange/exchange_layout.h"

namespace kaltest {

struct CHandleCloser {
  void operator()(HANDLE h) const {
    if (h && h != INVALID_HANDLE_VALUE) CloseHandle(h);
  }
};
using CUniqueHandle = std::unique_ptr<void, CHandleCloser>;

// A child process started suspended (so the test can register its pid with the agent's state
// first), then resumed; commands are lines on its stdin, answers lines on its stdout.
class CProbeProcess {
 public:
  CProbeProcess() = default;
  CProbeProcess(const CProbeProcess&) = delete;
  CProbeProcess& operator=(const CProbeProcess&) = delete;
  ~CProbeProcess();

  bool StartSuspended(const std::wstring& exePath);
  void Resume();
  DWORD Pid() const { return m_pid; }
  // Sends one command and returns its answer line ("" when the child died or timed out).
  std::string Command(const std::string& line, DWORD timeoutMs = 20000);
  // Sends "quit" and waits for the exit.
  void Quit();

 private:
  bool ReadLine(std::string& line, DWORD timeoutMs);

  CUniqueHandle m_hProcess;
  CUniqueHandle m_hThread;
  CUniqueHandle m_hStdinWrite;
  CUniqueHandle m_hStdoutRead;
  DWORD m_pid = 0;
  std::string m_pending;
};

// The exchange section, created and mapped by the test (as the agent would); zeroed at start.
class CTestExchangeSection {
 public:
  CTestExchangeSection();
  ~CTestExchangeSection();
  CTestExchangeSection(const CTestExchangeSection&) = delete;
  CTestExchangeSection& operator=(const CTestExchangeSection&) = delete;

  bool Valid() const { return m_pBlock != nullptr; }
  ExchangeBlock& Block() { return *m_pBlock; }
  void Reset();

  // Convenience writers for the fields the decision reads.
  void SetUser(const char* name);
  void AddTav(DWORD pid, uint32_t readOnlyFlag = 0);
  void AddSmart(DWORD pid);
  void SetProtectScreen(const char* list);
  // A policy that asks for a watermark everywhere (both switches on).
  void SetWatermarkPolicy(uint32_t tavFile, uint32_t smartFile);

 private:
  CUniqueHandle m_hMapping;
  ExchangeBlock* m_pBlock = nullptr;
};

// Copies a binary of BinDir() to dir\newName; returns the new path (empty on failure).
std::wstring CopyBinAs(const std::wstring& binName, const std::wstring& dir,
                       const std::wstring& newName);
// A fresh folder under %TEMP%.
std::wstring MakeTempDir(const std::wstring& hint);

}  // namespace kaltest
