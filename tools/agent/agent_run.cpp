// The agent's resident loop: create the sections, publish the policy, rescan processes every
// 100 ms for the names the policy lists, apply policy changes handed over by "set".
#include <windows.h>
// after windows.h, which it needs
#include <tlhelp32.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <vector>

#include "exchange/event_ex.h"
#include "exchange/list_rules.h"
#include "tools/agent/agent_sections.h"
#include "tools/agent/policy_file.h"

namespace kal {
namespace agent {
namespace {

constexpr DWORD kScanPeriodMs = 100;
HANDLE g_hStopForCtrl = nullptr;

BOOL WINAPI OnConsoleCtrl(DWORD) {
  if (g_hStopForCtrl) SetEvent(g_hStopForCtrl);
  return TRUE;
}

std::string Narrow(const std::wstring& w) {
  int n = WideCharToMultiByte(CP_UTF8, 0, w.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string s(n > 0 ? n - 1 : 0, '\0');
  if (n > 1) WideCharToMultiByte(CP_UTF8, 0, w.c_str(), -1, &s[0], n, nullptr, nullptr);
  return s;
}

std::vector<CRunningProcess> SnapshotProcesses() {
  std::vector<CRunningProcess> out;
  CHandleOwner snap(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snap) return out;
  PROCESSENTRY32W pe = {sizeof(pe)};
  for (BOOL ok = Process32FirstW(snap.Get(), &pe); ok; ok = Process32NextW(snap.Get(), &pe)) {
    pe.szExeFile[MAX_PATH - 1] = L'\0';
    out.push_back({pe.th32ProcessID, Narrow(pe.szExeFile)});
  }
  return out;
}

bool LoadPolicy(const std::wstring& path, CAgentPolicy* policy) {
  std::string text, error;
  if (!ReadWholeFile(path, &text)) {
    fwprintf(stderr, L"TavRegedit: cannot read policy file %ls\n", path.c_str());
    return false;
  }
  if (!ParsePolicy(text, policy, &error)) {
    fprintf(stderr, "TavRegedit: %s\n", error.c_str());
    return false;
  }
  return true;
}

HANDLE CreateWithNullDacl(const wchar_t* name, size_t bytes, bool* existed) {
  SECURITY_DESCRIPTOR sd = {};
  SECURITY_ATTRIBUTES sa = {sizeof(sa), nullptr, FALSE};
  if (InitializeSecurityDescriptor(&sd, SECURITY_DESCRIPTOR_REVISION) &&
      SetSecurityDescriptorDacl(&sd, TRUE, nullptr, FALSE))
    sa.lpSecurityDescriptor = &sd;
  HANDLE h = CreateFileMappingW(INVALID_HANDLE_VALUE, &sa, PAGE_READWRITE,
                                static_cast<DWORD>(static_cast<unsigned long long>(bytes) >> 32),
                                static_cast<DWORD>(bytes), name);
  *existed = h && GetLastError() == ERROR_ALREADY_EXISTS;
  return h;
}

// Everything the agent publishes, rewritten in one locked step.
struct CPublished {
  CHeldSection exchange, out, userNumber;
  CAgentPolicy policy;
  std::vector<uint32_t> addedPids;

  void PublishAll() {
    std::vector<CRunningProcess> running = SnapshotProcesses();  // outside the lock
    CEventExGuard lock(ExchangeLock);
    auto* block = static_cast<ExchangeBlock*>(exchange.Data());
    ApplyPolicy(policy, *block);
    addedPids.clear();
    auto* outBlock = static_cast<OutBlock*>(out.Data());
    std::memset(outBlock->outDyKey, 0, sizeof(outBlock->outDyKey));
    std::strncpy(outBlock->outDyKey, policy.m_strOutDyKey.c_str(), sizeof(outBlock->outDyKey) - 1);
    char* number = static_cast<char*>(userNumber.Data());
    std::memset(number, 0, kUserNumberSectionSize);
    std::strncpy(number, policy.m_strEmployeeId.c_str(), kUserNumberSectionSize - 1);
    ApplyProcessScan(policy, running, addedPids, *block);
  }

  // Takes the ids that clients announced through AddNewProcess.
  void CollectNewProcesses() {
    uint32_t ids[kNewProcessCapacity] = {};
    int n = 0;
    {
      CEventExGuard lock(ExchangeLock);
      n = rules::TakeNewProcesses(*static_cast<ExchangeBlock*>(exchange.Data()), ids);
    }
    for (int i = 0; i < n; ++i) printf("TavRegedit: new process %u\n", ids[i]);
    fflush(stdout);
  }

  void Scan() {
    std::vector<CRunningProcess> running = SnapshotProcesses();  // outside the lock
    CEventExGuard lock(ExchangeLock);
    ApplyProcessScan(policy, running, addedPids, *static_cast<ExchangeBlock*>(exchange.Data()));
  }
};

}  // namespace

bool ReadWholeFile(const std::wstring& path, std::string* text) {
  std::ifstream in(path.c_str(), std::ios::binary);
  if (!in) return false;
  text->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return true;
}

bool CHeldSection::Create(const wchar_t* name, size_t bytes) {
  m_hMap.Reset(CreateWithNullDacl(name, bytes, &m_bExisted));
  if (!m_hMap) return false;
  m_view.Reset(MapViewOfFile(m_hMap.Get(), FILE_MAP_ALL_ACCESS, 0, 0, 0));
  return static_cast<bool>(m_view);
}

int RunAgent(const std::wstring& policyPath, const std::wstring& readyEvent,
             const std::wstring& stopEvent) {
  auto published = std::make_unique<CPublished>();
  if (!LoadPolicy(policyPath, &published->policy)) return 2;

  CHandleOwner stop(CreateEventW(nullptr, TRUE, FALSE, stopEvent.c_str()));
  if (!stop) {
    fwprintf(stderr, L"TavRegedit: cannot create stop event %ls\n", stopEvent.c_str());
    return 3;
  }
  ResetEvent(stop.Get());
  g_hStopForCtrl = stop.Get();
  SetConsoleCtrlHandler(OnConsoleCtrl, TRUE);

  CHeldSection control;
  if (!published->exchange.Create(kExchangeSectionName, kExchangeBlockSize) ||
      !published->out.Create(kOutSectionName, sizeof(OutBlock)) ||
      !published->userNumber.Create(kUserNumberSectionName, kUserNumberSectionSize) ||
      !control.Create(kControlSectionName, sizeof(CControlBlock))) {
    fprintf(stderr, "TavRegedit: cannot create the sections (error %lu)\n", GetLastError());
    return 3;
  }
  if (published->exchange.Existed())
    fprintf(stderr, "TavRegedit: the exchange section existed already; taking it over\n");
  {
    CEventExGuard lock(ExchangeLock);
    std::memset(published->exchange.Data(), 0, kExchangeBlockSize);
  }
  published->PublishAll();

  auto* ctl = static_cast<CControlBlock*>(control.Data());
  ctl->agentPid = GetCurrentProcessId();
  LONG seenRequest = ctl->request;
  ctl->applied = seenRequest;

  // Clients set this event after appending to newProcessIds; the agent owns it.
  // It exists before "ready" so a client announcing right after start is heard.
  CHandleOwner newProcess(CreateEventW(nullptr, FALSE, FALSE, kNewProcessEventName));
  if (!readyEvent.empty()) {
    CHandleOwner ready(OpenEventW(EVENT_MODIFY_STATE, FALSE, readyEvent.c_str()));
    if (ready) SetEvent(ready.Get());
  }
  printf("TavRegedit: running (pid %lu)\n", GetCurrentProcessId());
  fflush(stdout);

  const HANDLE waits[2] = {stop.Get(), newProcess.Get()};
  const DWORD nWaits = newProcess ? 2 : 1;
  DWORD lastScan = GetTickCount();
  for (;;) {
    const DWORD woke = WaitForMultipleObjects(nWaits, waits, FALSE, kScanPeriodMs);
    if (woke == WAIT_OBJECT_0 || woke == WAIT_FAILED) break;
    if (woke == WAIT_OBJECT_0 + 1) {
      published->CollectNewProcesses();
      if (GetTickCount() - lastScan < kScanPeriodMs) continue;
    }
    LONG request = InterlockedCompareExchange(&ctl->request, 0, 0);
    if (request != seenRequest) {
      seenRequest = request;
      std::wstring path(ctl->policyPath, wcsnlen(ctl->policyPath, 1023));
      CAgentPolicy next;
      if (LoadPolicy(path, &next)) {
        published->policy = std::move(next);
        published->PublishAll();
        InterlockedExchange(&ctl->result, 0);
      } else {
        InterlockedExchange(&ctl->result, 1);
      }
      InterlockedExchange(&ctl->applied, request);
      continue;
    }
    published->Scan();
    lastScan = GetTickCount();
  }
  g_hStopForCtrl = nullptr;
  printf("TavRegedit: stopped\n");
  return 0;
}

int SetPolicyOfRunningAgent(const std::wstring& policyPath) {
  CHandleOwner map(OpenFileMappingW(FILE_MAP_ALL_ACCESS, FALSE, kControlSectionName));
  if (!map) {
    fprintf(stderr, "TavRegedit: no agent is running\n");
    return 2;
  }
  CViewOwner view(MapViewOfFile(map.Get(), FILE_MAP_ALL_ACCESS, 0, 0, sizeof(CControlBlock)));
  if (!view) return 2;
  auto* ctl = static_cast<CControlBlock*>(view.Get());
  wchar_t full[1024] = {};
  if (!GetFullPathNameW(policyPath.c_str(), 1024, full, nullptr)) return 2;
  std::memcpy(ctl->policyPath, full, sizeof(full));
  LONG request = InterlockedIncrement(&ctl->request);
  for (DWORD start = GetTickCount(); GetTickCount() - start < 10000; Sleep(10)) {
    if (InterlockedCompareExchange(&ctl->applied, 0, 0) == request) {
      if (ctl->result != 0) {
        fprintf(stderr, "TavRegedit: the running agent rejected the policy file\n");
        return 1;
      }
      return 0;
    }
  }
  fprintf(stderr, "TavRegedit: the running agent did not answer\n");
  return 2;
}

int StopRunningAgent(const std::wstring& stopEvent) {
  CHandleOwner ev(OpenEventW(EVENT_MODIFY_STATE, FALSE, stopEvent.c_str()));
  if (!ev) {
    fprintf(stderr, "TavRegedit: no agent is running\n");
    return 2;
  }
  SetEvent(ev.Get());
  return 0;
}

}  // namespace agent
}  // namespace kal
