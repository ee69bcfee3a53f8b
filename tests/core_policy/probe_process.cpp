// Child-process driving (see probe_process.h).
#include "tests/core_policy/probe_process.h"

#include "tests/support/test_paths.h"

namespace kaltest {

CProbeProcess::~CProbeProcess() {
  if (m_hProcess) {
    Quit();
    if (WaitForSingleObject(m_hProcess.Get(), 0) != WAIT_OBJECT_0)
      TerminateProcess(m_hProcess.Get(), 1);
  }
}

bool CProbeProcess::StartSuspended(const std::wstring& dir, const std::wstring& exeName) {
  const std::wstring exePath = dir + L"\\" + exeName;
  if (!CopyFileW(BinPath(L"policy_probe.exe").c_str(), exePath.c_str(), FALSE)) return false;
  SECURITY_ATTRIBUTES sa = {sizeof(sa), nullptr, TRUE};
  HANDLE inRead = nullptr, inWrite = nullptr, outRead = nullptr, outWrite = nullptr;
  if (!CreatePipe(&inRead, &inWrite, &sa, 0)) return false;
  kal::CHandleOwner inReadOwner(inRead);
  m_hStdinWrite.Reset(inWrite);
  if (!CreatePipe(&outRead, &outWrite, &sa, 0)) return false;
  kal::CHandleOwner outWriteOwner(outWrite);
  m_hStdoutRead.Reset(outRead);
  SetHandleInformation(inWrite, HANDLE_FLAG_INHERIT, 0);
  SetHandleInformation(outRead, HANDLE_FLAG_INHERIT, 0);

  STARTUPINFOW si = {sizeof(si)};
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdInput = inRead;
  si.hStdOutput = si.hStdError = outWrite;
  PROCESS_INFORMATION pi = {};
  std::wstring cmd = L"\"" + exePath + L"\"";
  if (!CreateProcessW(exePath.c_str(), &cmd[0], nullptr, nullptr, TRUE, CREATE_SUSPENDED, nullptr,
                      nullptr, &si, &pi))
    return false;
  m_hProcess.Reset(pi.hProcess);
  m_hThread.Reset(pi.hThread);
  m_pid = pi.dwProcessId;
  return true;
}

void CProbeProcess::Resume() {
  if (m_hThread) ResumeThread(m_hThread.Get());
}

bool CProbeProcess::ReadLine(std::string& line, DWORD timeoutMs) {
  DWORD start = GetTickCount();
  for (;;) {
    size_t nl = m_pending.find('\n');
    if (nl != std::string::npos) {
      line = m_pending.substr(0, nl);
      if (!line.empty() && line.back() == '\r') line.pop_back();
      m_pending.erase(0, nl + 1);
      return true;
    }
    DWORD avail = 0;
    if (!PeekNamedPipe(m_hStdoutRead.Get(), nullptr, 0, nullptr, &avail, nullptr)) return false;
    if (avail == 0) {
      if (GetTickCount() - start > timeoutMs) return false;
      Sleep(5);
      continue;
    }
    char buffer[4096];
    DWORD got = 0;
    DWORD want = avail < sizeof(buffer) ? avail : static_cast<DWORD>(sizeof(buffer));
    if (!ReadFile(m_hStdoutRead.Get(), buffer, want, &got, nullptr) || got == 0) return false;
    m_pending.append(buffer, got);
  }
}

std::string CProbeProcess::Command(const std::string& line, DWORD timeoutMs) {
  if (!m_hStdinWrite) return std::string();
  std::string text = line + "\n";
  DWORD written = 0;
  if (!WriteFile(m_hStdinWrite.Get(), text.data(), static_cast<DWORD>(text.size()), &written,
                 nullptr))
    return std::string();
  std::string answer;
  return ReadLine(answer, timeoutMs) ? answer : std::string();
}

void CProbeProcess::Quit() {
  if (!m_hProcess) return;
  if (m_hStdinWrite) {
    DWORD written = 0;
    WriteFile(m_hStdinWrite.Get(), "quit\n", 5, &written, nullptr);
    m_hStdinWrite.Reset();
  }
  WaitForSingleObject(m_hProcess.Get(), 10000);
}

std::wstring MakeTempDir(const std::wstring& hint) {
  wchar_t temp[MAX_PATH + 1] = {};
  GetTempPathW(MAX_PATH, temp);
  std::wstring dir = std::wstring(temp) + L"kal_" + hint + L"_" +
                     std::to_wstring(GetCurrentProcessId()) + L"_" +
                     std::to_wstring(GetTickCount());
  CreateDirectoryW(dir.c_str(), nullptr);
  return dir;
}

}  // namespace kaltest
