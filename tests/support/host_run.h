// Runs a simulator host (winword.exe, excel.exe) as a separate process for end-to-end
// scenarios: the document and script written to a fresh folder ("dump N" in the script becomes
// a dump into that folder, and a final dump is appended), the agent told about the process
// before it runs, and the final state read back. Also registers KalMsAddin.dll with regsvr32
// and switches its gated trace on for a suite.
#pragma once
#include <windows.h>

#include <nlohmann/json.hpp>

#include <functional>
#include <string>

#include "tests/support/agent_process.h"

namespace kaltest {

struct CHostRun {
  std::wstring exe;           // "excel.exe"
  std::string document;       // JSON document text; empty: the host's own blank start
  std::wstring documentName;  // file name of the document in the run's folder ("book.xlsx")
  std::string script;         // scenario lines
  std::wstring extraArgs;
  bool readOnly = false;
  bool watermark = true;
  // Called with the suspended process's id, after the agent knows it (for example to hold
  // the watermark-exemption mutex); what it returns is closed once the process ended.
  std::function<HANDLE(DWORD pid)> beforeResume;
  // Called once the process runs (before waiting for it), with its id and the run's folder.
  std::function<void(DWORD pid, const std::wstring& dir)> whileRunning;
};

struct CHostResult {
  int exitCode = -1;
  DWORD pid = 0;
  nlohmann::json state;  // the final dump
  std::wstring dir;      // the run's folder, with a trailing backslash
  nlohmann::json Dump(int n) const;
};

// `dirTag` names the run's folder ("<temp>\<dirTag>_<pid>_<n>\"), which may hold any text a
// test wants on the host's command line.
CHostResult RunHost(CAgentProcess& agent, const CHostRun& run, const std::wstring& dirTag = L"kalhost");

// regsvr32 of KalMsAddin.dll (silent) and [DebugLog] KalMsAddin=1 beside it; undone by
// UnregisterAddin. Exit code of regsvr32.
int RegisterAddin();
void UnregisterAddin();
// Writes KalConfig.ini beside the DLL with [DebugLog] KalMsAddin=1 or 0 (and nothing else).
bool WriteTraceSwitch(bool on);

// Waits for a process given by handle; kills it at the timeout. Its exit code, or -1.
int FinishProcess(const PROCESS_INFORMATION& pi, DWORD timeoutMs);
// Runs a command line and waits for it.
int RunAndWait(const std::wstring& commandLine, DWORD timeoutMs);
nlohmann::json ParseJsonFile(const std::wstring& path);
bool WriteFileBytes(const std::wstring& path, const std::string& bytes);
// %TEMP% with its trailing backslash.
std::wstring TempFolder();
std::string Utf8(const std::wstring& text);

}  // namespace kaltest
