// Child-process driving and the test-owned exchange section.
#include "tests/core_policy/probe_process.h"

#include <cstring>

#include "tests/support/test_paths.h"

namespace kaltest {

CProbeProcess::~CProbeProcess() {
  if (m_hProcess) {
    Quit();
    if (WaitForSingleObject(m_hProcess.get(), 0) != WAIT_OBJECT_0)
      TerminateProcess(m_hProcess.get(), 1);
  }
}

bool CProbeProcess::StartSuspended(const std::wstring& exePath) {
  SECURITY_ATTRIBUTES sa = {sizeof(sa), nullptr, TRUE};
  HANDLE inRead = nullptr, inWrite = nullptr, outRead = nullptr, outWrite = nullptr;
  if (!CreatePipe(&inRead, &inWrite, &sa, 0)) return false;
  CUniqueHandle inReadOwner(inRead);
  m_hStdinWrite.reset(inWrite);
  if (!CreatePipe(&outRead, &outWrite, &sa, 0)) return false;
  CUniqueHandle outWriteOwner(outWrite);
  m_hStdoutRead.reset(outRead);
  SetHandleInformation(inWrite, HANDLE_FLAG_INHERIT, 0);
  SetHandleInformation(outRead, HANDLE_FLAG_INHERIT, 0);

  STARTUPINFOW si = {};
  si.cb = sizeof(si);
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdInput = inRead;
  si.hStdOutput = outWrite;
  si.hStdError = outWrite;
  PROCESS_INFORMATION pi = {};
  std::wstring cmd = L"\"" + exePath + L"\"";
  if (!CreateProcessW(exePath.c_str(), &cmd[0], nullptr, nullptr, TRUE, CREATE_SUSPENDED, nullptr,
                      nullptr, &si, &pi))
    return false;
  m_hProcess.reset(pi.hProcess);
  m_hThread.reset(pi.hThread);
  m_pid = pi.dwProcessId;
  return true;
}

void CProbeProcess::Resume() {
  if (m_hThread) ResumeThread(m_hThread.get());
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
    if (!PeekNamedPipe(m_hStdoutRead.get(), nullptr, 0, nullptr, &avail, nullptr)) return false;
    if (avail == 0) {
      if (GetTickCount() - start > timeoutMs) return false;
      Sleep(5);
      continue;
    }
    char buffer[4096];
    DWORD got = 0;
    DWORD want = avail < sizeof(buffer) ? avail : static_cast<DWORD>(sizeof(buffer));
    if (!ReadFile(m_hStdoutRead.get(), buffer, want, &got, nullptr) || got == 0) return false;
    m_pending.append(buffer, got);
  }
}

std::string CProbeProcess::Command(const std::string& line, DWORD timeoutMs) {
  if (!m_hStdinWrite) return std::string();
  std::string text = line + "\n";
  DWORD written = 0;
  if (!WriteFile(m_hStdinWrite.get(), text.data(), static_cast<DWORD>(text.size()), &written,
                 nullptr))
    return std::string();
  std::string answer;
  if (!ReadLine(answer, timeoutMs)) return std::string();
  return answer;
}

void CProbeProcess::Quit() {
  if (!m_hProcess) return;
  if (m_hStdinWrite) {
    DWORD written = 0;
    WriteFile(m_hStdinWrite.get(), "quit\n", 5, &written, nullptr);
    m_hStdinWrite.reset();
  }
  WaitForSingleObject(m_hProcess.get(), 10000);
}

CTestExchangeSection::CTestExchangeSection() {
  m_hMapping.reset(CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                      static_cast<DWORD>(kal::kExchangeBlockSize),
                                      kal::kExchangeSectionName));
  if (!m_hMapping) return;
  m_pBlock = static_cast<ExchangeBlock*>(
      MapViewOfFile(m_hMapping.get(), FILE_MAP_ALL_ACCESS, 0, 0, sizeof(ExchangeBlock)));
  Reset();
}

CTestExchangeSection::~CTestExchangeSection() {
  if (m_pBlock) UnmapViewOfFile(m_pBlock);
}

void CTestExchangeSection::Reset() {
  if (m_pBlock) std::memset(m_pBlock, 0, sizeof(ExchangeBlock));
}

void CTestExchangeSection::SetUser(const char* name) {
  std::memset(m_pBlock->userName, 0, sizeof(m_pBlock->userName));
  strncpy(m_pBlock->userName, name, sizeof(m_pBlock->userName) - 1);
}

void CTestExchangeSection::AddTav(DWORD pid, uint32_t readOnlyFlag) {
  int n = m_pBlock->tavInfoCount;
  _TAV_EXCHG_INFO& r = m_pBlock->tavInfo[n];
  std::memset(&r, 0, sizeof(r));
  r.infoId = 1000 + n;
  r.processId = pid;
  r.readOnlyFlag = readOnlyFlag;
  m_pBlock->tavInfoCount = n + 1;
}

void CTestExchangeSection::AddSmart(DWORD pid) {
  int n = m_pBlock->smartInfoCount;
  std::memset(&m_pBlock->smartInfo[n], 0, sizeof(m_pBlock->smartInfo[n]));
  m_pBlock->smartInfo[n].processId = pid;
  m_pBlock->smartInfoCount = n + 1;
}

void CTestExchangeSection::SetProtectScreen(const char* list) {
  std::memset(m_pBlock->protectScreen, 0, sizeof(m_pBlock->protectScreen));
  strncpy(m_pBlock->protectScreen, list, sizeof(m_pBlock->protectScreen) - 1);
}

void CTestExchangeSection::SetWatermarkPolicy(uint32_t tavFile, uint32_t smartFile) {
  _PRINT_EXCHG_INFO& p = m_pBlock->printPolicy;
  std::memset(&p, 0, sizeof(p));  // model flag 0, slanted
  p.readWatermark = 1;
  p.tavFileWatermark = tavFile;
  p.smartFileWatermark = smartFile;
  p.watermarkFontSize = 48;
  p.watermarkTransparency = 40;
  const ExWChar color[] = L"255,0,0";
  std::memcpy(p.watermarkColor, color, sizeof(color));
  const ExWChar font[] = L"Arial";
  std::memcpy(p.watermarkFont, font, sizeof(font));
  const ExWChar text[] = L"Confidential";
  std::memcpy(p.watermarkText, text, sizeof(text));
}

std::wstring CopyBinAs(const std::wstring& binName, const std::wstring& dir,
                       const std::wstring& newName) {
  std::wstring target = dir + L"\\" + newName;
  if (!CopyFileW(BinPath(binName).c_str(), target.c_str(), FALSE)) return std::wstring();
  return target;
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
