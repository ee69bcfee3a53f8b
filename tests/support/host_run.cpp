// End-to-end runs of the simulator hosts (see host_run.h).
#include "tests/support/host_run.h"

#include <gtest/gtest.h>

#include "tests/support/test_paths.h"

namespace kaltest {

namespace {
bool Launch(std::wstring cmd, PROCESS_INFORMATION& pi, DWORD flags = 0) {
  STARTUPINFOW si{sizeof(si)};
  return ::CreateProcessW(nullptr, &cmd[0], nullptr, nullptr, FALSE, flags, nullptr, nullptr, &si, &pi);
}

std::wstring IniPath() { return BinPath(L"KalConfig.ini"); }
std::wstring Regsvr32(const wchar_t* flags) {
  return L"regsvr32 " + std::wstring(flags) + L" \"" + BinPath(L"KalMsAddin.dll") + L"\"";
}
}  // namespace

bool WriteFileBytes(const std::wstring& path, const std::string& text) {
  HANDLE h = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const BOOL ok = ::WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  ::CloseHandle(h);
  return ok && written == text.size();
}

std::wstring TempFolder() {
  wchar_t buffer[MAX_PATH] = {};
  ::GetTempPathW(MAX_PATH, buffer);
  return buffer;
}

std::string Utf8(const std::wstring& w) {
  const int n = ::WideCharToMultiByte(CP_UTF8, 0, w.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string out(n > 0 ? n - 1 : 0, '\0');
  if (n > 1) ::WideCharToMultiByte(CP_UTF8, 0, w.c_str(), -1, &out[0], n, nullptr, nullptr);
  return out;
}

int FinishProcess(const PROCESS_INFORMATION& pi, DWORD timeoutMs) {
  DWORD code = static_cast<DWORD>(-1);
  if (::WaitForSingleObject(pi.hProcess, timeoutMs) == WAIT_OBJECT_0) {
    ::GetExitCodeProcess(pi.hProcess, &code);
  } else {
    ADD_FAILURE() << "process did not finish";
    ::TerminateProcess(pi.hProcess, 1);
  }
  ::CloseHandle(pi.hThread);
  ::CloseHandle(pi.hProcess);
  return static_cast<int>(code);
}

int RunAndWait(const std::wstring& commandLine, DWORD timeoutMs) {
  PROCESS_INFORMATION pi{};
  if (Launch(commandLine, pi)) return FinishProcess(pi, timeoutMs);
  ADD_FAILURE() << "CreateProcess error " << ::GetLastError() << ": " << Utf8(commandLine);
  return -1;
}

nlohmann::json ParseJsonFile(const std::wstring& path) {
  const std::string text = ReadFileBytes(path);
  return text.empty() ? nlohmann::json() : nlohmann::json::parse(text, nullptr, false);
}

nlohmann::json CHostResult::Dump(int n) const { return ParseJsonFile(dir + L"dump" + std::to_wstring(n) + L".json"); }

int RegisterAddin() {
  const int rc = RunAndWait(Regsvr32(L"/s"), 60000);
  WriteTraceSwitch(true);
  return rc;
}

bool WriteTraceSwitch(bool on) {
  return WriteFileBytes(IniPath(), std::string("[DebugLog]\r\nKalMsAddin=") + (on ? "1" : "0") + "\r\n");
}

void UnregisterAddin() {
  ::DeleteFileW(IniPath().c_str());
  RunAndWait(Regsvr32(L"/u /s"), 60000);
}

CHostResult RunHost(CAgentProcess& agent, const CHostRun& run, const std::wstring& dirTag) {
  CHostResult result;
  static int s_nRun = 0;
  const std::wstring dir = TempFolder() + dirTag + L"_" + std::to_wstring(::GetCurrentProcessId()) + L"_" +
                           std::to_wstring(++s_nRun) + L"\\";
  ::CreateDirectoryW(dir.c_str(), nullptr);
  // Process ids repeat across Wine sessions: a folder of an earlier session is emptied.
  WIN32_FIND_DATAW found;
  HANDLE find = ::FindFirstFileW((dir + L"*").c_str(), &found);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) ::DeleteFileW((dir + found.cFileName).c_str());
    } while (::FindNextFileW(find, &found));
    ::FindClose(find);
  }
  result.dir = dir;
  std::string script = run.script;
  // "dump N" in the script stands for a dump into this run's folder.
  for (size_t at = script.find("dump "); at != std::string::npos; at = script.find("dump ", at + 5)) {
    const size_t end = script.find('\n', at);
    const std::string n = script.substr(at + 5, end == std::string::npos ? std::string::npos : end - at - 5);
    script.replace(at + 5, n.size(), Utf8(dir) + "dump" + n + ".json");
  }
  script += "\ndump " + Utf8(dir + L"final.json") + "\n";
  EXPECT_TRUE(WriteFileBytes(dir + L"script.txt", script));
  std::wstring cmd = L"\"" + BinPath(run.exe) + L"\"";
  if (!run.document.empty()) {
    EXPECT_TRUE(WriteFileBytes(dir + run.documentName, run.document));
    cmd += L" \"" + dir + run.documentName + L"\"";
  }
  cmd += L" /script \"" + dir + L"script.txt\" " + run.extraArgs;

  PROCESS_INFORMATION pi{};
  if (!Launch(cmd, pi, CREATE_SUSPENDED)) {
    ADD_FAILURE() << "the host did not start";
    return result;
  }
  result.pid = pi.dwProcessId;
  // The agent knows the process before its add-in asks.
  EXPECT_TRUE(agent.Set(PolicyForProcess(pi.dwProcessId, run.readOnly, run.watermark)));
  const HANDLE held = run.beforeResume ? run.beforeResume(pi.dwProcessId) : nullptr;
  ::ResumeThread(pi.hThread);
  if (run.whileRunning) run.whileRunning(pi.dwProcessId, dir);
  result.exitCode = FinishProcess(pi, 120000);
  if (held) ::CloseHandle(held);
  result.state = ParseJsonFile(dir + L"final.json");
  return result;
}

}  // namespace kaltest
