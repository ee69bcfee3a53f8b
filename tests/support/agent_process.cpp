// kaltest::CAgentProcess and the small process helpers it needs.
#include "tests/support/agent_process.h"

#include <atomic>
#include <cstdio>
#include <vector>

#include "tests/support/host_run.h"
#include "tests/support/test_paths.h"

namespace kaltest {
namespace {
std::atomic<unsigned> g_tempCounter{0};

bool LaunchAndKeep(const std::wstring& cmdLine, kal::CHandleOwner* process, DWORD* pid) {
  STARTUPINFOW si = {sizeof(si)};
  PROCESS_INFORMATION pi = {};
  std::vector<wchar_t> buf(cmdLine.begin(), cmdLine.end());
  buf.push_back(L'\0');
  if (!CreateProcessW(nullptr, buf.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
    return false;
  kal::CHandleOwner thread(pi.hThread);
  process->Reset(pi.hProcess);
  *pid = pi.dwProcessId;
  return true;
}
}  // namespace

std::wstring WriteTempFile(const std::string& text, const wchar_t* extension) {
  const std::wstring path = TempFolder() + L"kaltest_" + std::to_wstring(GetCurrentProcessId()) +
                            L"_" + std::to_wstring(++g_tempCounter) + extension;
  return WriteFileBytes(path, text) ? path : std::wstring();
}

int RunBinTool(const std::wstring& exeName, const std::wstring& args, std::string* output,
               DWORD timeoutMs) {
  SECURITY_ATTRIBUTES sa = {sizeof(sa), nullptr, TRUE};
  HANDLE readEnd = nullptr, writeEnd = nullptr;
  if (!CreatePipe(&readEnd, &writeEnd, &sa, 0)) return -1;
  kal::CHandleOwner reader(readEnd), writer(writeEnd);
  SetHandleInformation(reader.Get(), HANDLE_FLAG_INHERIT, 0);

  std::wstring cmd = L"\"" + BinPath(exeName) + L"\" " + args;
  std::vector<wchar_t> buf(cmd.begin(), cmd.end());
  buf.push_back(L'\0');
  STARTUPINFOW si = {sizeof(si)};
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  si.hStdOutput = writer.Get();
  si.hStdError = writer.Get();
  PROCESS_INFORMATION pi = {};
  if (!CreateProcessW(nullptr, buf.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi))
    return -1;
  kal::CHandleOwner process(pi.hProcess), thread(pi.hThread);
  writer.Reset();  // the child holds the only write end now: ReadFile ends with it

  std::string collected;
  // Reads what the pipe holds now; false when it holds nothing.
  auto drain = [&] {
    DWORD avail = 0, got = 0;
    if (!PeekNamedPipe(reader.Get(), nullptr, 0, nullptr, &avail, nullptr) || avail == 0)
      return false;
    std::vector<char> chunk(avail);
    if (!ReadFile(reader.Get(), chunk.data(), avail, &got, nullptr)) return false;
    collected.append(chunk.data(), got);
    return true;
  };
  DWORD code = static_cast<DWORD>(-1);
  bool exited = false;
  for (const DWORD start = GetTickCount();;) {
    if (drain()) continue;
    if (exited) break;  // and what it wrote before is read
    exited = WaitForSingleObject(process.Get(), 20) == WAIT_OBJECT_0;
    if (exited) GetExitCodeProcess(process.Get(), &code);
    if (!exited && GetTickCount() - start > timeoutMs) {
      TerminateProcess(process.Get(), 1);
      WaitForSingleObject(process.Get(), 5000);
      break;
    }
  }
  if (output) *output = collected;
  return static_cast<int>(code);
}

bool CAgentProcess::Start(const std::string& policyText, DWORD timeoutMs) {
  std::wstring path = WriteTempFile(policyText, L".policy");
  if (path.empty()) return false;
  bool ok = StartFile(path, timeoutMs);
  m_policyPath = path;  // deleted by Stop()
  return ok;
}

bool CAgentProcess::StartFile(const std::wstring& policyPath, DWORD timeoutMs) {
  // A launch that fails (Wine under load has been seen to lose one) is tried once more; each
  // failure says why on stderr, so a lost start is never silent.
  for (int attempt = 1; attempt <= 2; ++attempt) {
    std::string why = StartOnce(policyPath, timeoutMs);
    if (why.empty()) return true;
    fprintf(stderr, "kaltest: agent start %d of 2 failed: %s\n", attempt, why.c_str());
    fflush(stderr);
  }
  return false;
}

std::string CAgentProcess::StartOnce(const std::wstring& policyPath, DWORD timeoutMs) {
  Stop();
  std::wstring readyName = L"kaltest_agent_ready_" + std::to_wstring(GetCurrentProcessId()) + L"_" +
                           std::to_wstring(++g_tempCounter);
  kal::CHandleOwner ready(CreateEventW(nullptr, TRUE, FALSE, readyName.c_str()));
  if (!ready) return "CreateEvent error " + std::to_string(GetLastError());
  std::wstring cmd = L"\"" + BinPath(L"TavRegedit.exe") + L"\" run \"" + policyPath +
                     L"\" --ready-event " + readyName;
  if (!LaunchAndKeep(cmd, &m_hProcess, &m_pid))
    return "CreateProcess error " + std::to_string(GetLastError());
  const HANDLE waits[2] = {ready.Get(), m_hProcess.Get()};
  const DWORD woke = WaitForMultipleObjects(2, waits, FALSE, timeoutMs);
  if (woke == WAIT_OBJECT_0) return {};
  std::string why;
  DWORD code = 0;
  if (woke == WAIT_OBJECT_0 + 1 && GetExitCodeProcess(m_hProcess.Get(), &code))
    why = "the agent exited with code " + std::to_string(code) + " before it was ready";
  else if (woke == WAIT_TIMEOUT)
    why = "the agent was not ready after " + std::to_string(timeoutMs) + " ms";
  else
    why = "wait error " + std::to_string(GetLastError());
  Stop();
  return why;
}

bool CAgentProcess::Set(const std::string& policyText, DWORD timeoutMs) {
  std::wstring path = WriteTempFile(policyText, L".policy");
  if (path.empty()) return false;
  int rc = RunBinTool(L"TavRegedit.exe", L"set \"" + path + L"\"", nullptr, timeoutMs);
  DeleteFileW(path.c_str());
  return rc == 0;
}

void CAgentProcess::Stop() {
  if (m_hProcess) {
    TerminateProcess(m_hProcess.Get(), 0);
    WaitForSingleObject(m_hProcess.Get(), 10000);
    m_hProcess.Reset();
  }
  m_pid = 0;
  if (!m_policyPath.empty()) {
    DeleteFileW(m_policyPath.c_str());
    m_policyPath.clear();
  }
}

bool CAgentProcess::Running() const {
  return m_hProcess && WaitForSingleObject(m_hProcess.Get(), 0) == WAIT_TIMEOUT;
}

std::string PolicyForProcess(DWORD pid, bool readOnly, bool watermark) {
  std::string text =
      std::string("[user]\nname = alice\nemployeeId = E-1001\n[watermark]\nreadWatermark = ") +
      (watermark ? "1" : "0") +
      "\ntavFileWatermark = 1\nsmartFileWatermark = 1\nmodelFlag = 0\nhorizontal = 0\n"
      "text = CONFIDENTIAL\nfont = Arial\nfontSize = 40\ncolor = 0,0,255\ntransparency = 128\n"
      "showDate = 1\nshowUserName = 1\nshowEmployeeId = 1\n[processes]\n";
  if (pid)
    text += "protect = pid:" + std::to_string(pid) + " readonly=" + (readOnly ? "1" : "0") +
            " print=1\n";
  return text;
}

}  // namespace kaltest
