// The client commands that talk to a running agent: "set" (a new policy), "stop" and "launch"
// (start a program with its records in place before it runs a single instruction, the
// guarantee a real agent's process-creation notice gives).
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <string>

#include "tools/agent/agent_sections.h"

namespace kal {
namespace agent {
namespace {

// Generous: it only bounds a failure (an agent that has hung), never a normal answer.
constexpr DWORD kAnswerTimeoutMs = 30000;

// Sends one request through the control block and waits for the agent's answer. False (with
// the reason on stderr) when no agent runs or it does not answer.
bool Request(const std::function<void(CControlBlock&)>& fill, LONG* result) {
  CHandleOwner map(OpenFileMappingW(FILE_MAP_ALL_ACCESS, FALSE, kControlSectionName));
  CViewOwner view(map ? MapViewOfFile(map.Get(), FILE_MAP_ALL_ACCESS, 0, 0, sizeof(CControlBlock))
                      : nullptr);
  if (!view) {
    fprintf(stderr, "TavRegedit: no agent is running\n");
    return false;
  }
  CHandleOwner clients(CreateMutexW(nullptr, FALSE, kControlClientMutexName));
  const DWORD got = clients ? WaitForSingleObject(clients.Get(), kAnswerTimeoutMs) : WAIT_FAILED;
  if (got != WAIT_OBJECT_0 && got != WAIT_ABANDONED) {
    fprintf(stderr, "TavRegedit: another client holds the agent's control channel\n");
    return false;
  }
  auto* ctl = static_cast<CControlBlock*>(view.Get());
  fill(*ctl);
  const LONG request = InterlockedIncrement(&ctl->request);
  bool answered = false;
  for (const DWORD start = GetTickCount(); GetTickCount() - start < kAnswerTimeoutMs; Sleep(5)) {
    if (InterlockedCompareExchange(&ctl->applied, 0, 0) == request) {
      *result = InterlockedCompareExchange(&ctl->result, 0, 0);
      answered = true;
      break;
    }
  }
  ReleaseMutex(clients.Get());
  if (!answered) fprintf(stderr, "TavRegedit: the running agent did not answer\n");
  return answered;
}

// One argument quoted as CommandLineToArgvW reads it back.
void AppendQuoted(std::wstring& cmd, const std::wstring& arg) {
  if (!cmd.empty()) cmd += L' ';
  if (!arg.empty() && arg.find_first_of(L" \t\n\v\"") == std::wstring::npos) {
    cmd += arg;
    return;
  }
  cmd += L'"';
  size_t slashes = 0;
  for (wchar_t c : arg) {
    if (c == L'\\') {
      ++slashes;
      continue;
    }
    // Backslashes before a quote are doubled, and the quote escaped.
    cmd.append(c == L'"' ? 2 * slashes + 1 : slashes, L'\\');
    slashes = 0;
    cmd += c;
  }
  cmd.append(2 * slashes, L'\\');  // before the closing quote
  cmd += L'"';
}

// The executable's file name as the policy names processes ("winword.exe").
std::wstring ExeFileName(const std::wstring& path) {
  const size_t slash = path.find_last_of(L"\\/");
  std::wstring name = slash == std::wstring::npos ? path : path.substr(slash + 1);
  if (name.find(L'.') == std::wstring::npos) name += L".exe";  // as CreateProcess appends it
  return name;
}

}  // namespace

int SetPolicyOfRunningAgent(const std::wstring& policyPath) {
  wchar_t full[1024] = {};
  if (!GetFullPathNameW(policyPath.c_str(), 1024, full, nullptr)) return 2;
  LONG result = 0;
  if (!Request(
          [&](CControlBlock& ctl) {
            ctl.kind = kRequestPolicy;
            std::memcpy(ctl.policyPath, full, sizeof(full));
          },
          &result))
    return 2;
  if (result != 0) {
    fprintf(stderr, "TavRegedit: the running agent rejected the policy file\n");
    return 1;
  }
  return 0;
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

int LaunchWithRecords(int argc, wchar_t** argv) {
  std::wstring cmd;
  for (int i = 0; i < argc; ++i) AppendQuoted(cmd, argv[i]);
  const std::wstring exe = ExeFileName(argv[0]);
  if (exe.size() >= MAX_PATH) {
    fprintf(stderr, "TavRegedit: the program name is too long\n");
    return 2;
  }
  CHandleOwner agent(OpenFileMappingW(FILE_MAP_READ, FALSE, kControlSectionName));
  if (!agent) {
    fprintf(stderr, "TavRegedit: no agent is running; nothing was started\n");
    return 2;
  }
  STARTUPINFOW si = {sizeof(si)};
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  si.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
  si.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  PROCESS_INFORMATION pi = {};
  if (!CreateProcessW(nullptr, &cmd[0], nullptr, nullptr, TRUE, CREATE_SUSPENDED, nullptr, nullptr,
                      &si, &pi)) {
    fwprintf(stderr, L"TavRegedit: cannot start %ls (error %lu)\n", argv[0], GetLastError());
    return 2;
  }
  CHandleOwner process(pi.hProcess), thread(pi.hThread);
  LONG records = 0;
  if (!Request(
          [&](CControlBlock& ctl) {
            ctl.kind = kRequestLaunched;
            ctl.launchPid = pi.dwProcessId;
            std::memset(ctl.launchExe, 0, sizeof(ctl.launchExe));
            std::memcpy(ctl.launchExe, exe.c_str(), exe.size() * sizeof(wchar_t));
          },
          &records)) {
    // A program started without its records would decide against its policy: never run it.
    TerminateProcess(process.Get(), 2);
    return 2;
  }
  fwprintf(stderr, L"TavRegedit: launched %ls as process %lu (records:%ls%ls)\n", exe.c_str(),
           pi.dwProcessId, records & kLaunchedProtectRecord ? L" protect" : L"",
           records & kLaunchedSmartRecord ? L" smart" : (records ? L"" : L" none"));
  fflush(stderr);
  ResumeThread(thread.Get());
  WaitForSingleObject(process.Get(), INFINITE);
  DWORD code = 1;
  GetExitCodeProcess(process.Get(), &code);
  return static_cast<int>(code);
}

}  // namespace agent
}  // namespace kal
