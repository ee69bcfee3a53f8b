// The agent's resident loop: create the sections, publish the policy, rescan processes every
// 100 ms for the names the policy lists, apply policy changes handed over by "set", and publish
// the records of a process that "launch" has created suspended before it resumes it.
#include <windows.h>
// after windows.h, which it needs
#include <tlhelp32.h>

#include <algorithm>
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

// A process "launch" started: it counts as running while its handle says so, whatever a
// snapshot shows of a process that has not run yet.
struct CLaunched {
  CHandleOwner process;
  CRunningProcess entry;
};

// Everything the agent publishes, rewritten in one locked step.
struct CPublished {
  CHeldSection exchange, out, userNumber;
  CAgentPolicy policy;
  std::vector<uint32_t> addedPids;
  std::vector<CLaunched> launched;

  // The snapshot plus the launched processes still alive (taken outside the lock).
  std::vector<CRunningProcess> Running() {
    std::vector<CRunningProcess> running = SnapshotProcesses();
    for (auto it = launched.begin(); it != launched.end();) {
      if (WaitForSingleObject(it->process.Get(), 0) != WAIT_TIMEOUT) {
        it = launched.erase(it);
        continue;
      }
      const uint32_t pid = it->entry.m_nPid;
      if (std::none_of(running.begin(), running.end(),
                       [&](const CRunningProcess& r) { return r.m_nPid == pid; }))
        running.push_back(it->entry);
      ++it;
    }
    return running;
  }

  void PublishAll() {
    std::vector<CRunningProcess> running = Running();
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
    std::vector<CRunningProcess> running = Running();
    CEventExGuard lock(ExchangeLock);
    ApplyProcessScan(policy, running, addedPids, *static_cast<ExchangeBlock*>(exchange.Data()));
  }

  // Publishes the records of a process created suspended; the record bits now in place for it.
  LONG AddLaunched(DWORD pid, const std::wstring& exe) {
    CHandleOwner process(OpenProcess(SYNCHRONIZE, FALSE, pid));
    if (process) launched.push_back({std::move(process), {pid, Narrow(exe)}});
    Scan();
    CEventExGuard lock(ExchangeLock);
    const auto& block = *static_cast<const ExchangeBlock*>(exchange.Data());
    return (rules::FindTavByProcessId(block, pid) >= 0 ? kLaunchedProtectRecord : 0) |
           (rules::FindSmart(block, pid) >= 0 ? kLaunchedSmartRecord : 0);
  }

  // Applies a policy file; 0 applied, 1 rejected (the running policy stays).
  LONG SetPolicy(const std::wstring& path) {
    CAgentPolicy next;
    if (!LoadPolicy(path, &next)) return 1;
    policy = std::move(next);
    PublishAll();
    return 0;
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
      const LONG result =
          ctl->kind == kRequestLaunched
              ? published->AddLaunched(
                    ctl->launchPid, std::wstring(ctl->launchExe, wcsnlen(ctl->launchExe, MAX_PATH - 1)))
              : published->SetPolicy(std::wstring(ctl->policyPath, wcsnlen(ctl->policyPath, 1023)));
      InterlockedExchange(&ctl->result, result);
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

}  // namespace agent
}  // namespace kal
