// The sections the reference agent creates and holds, and its control channel: a small
// section through which "TavRegedit.exe set" hands a new policy file to the running agent and
// "TavRegedit.exe launch" names a process it has just created suspended.
#pragma once
#include <windows.h>

#include <string>

#include "exchange/exchange_layout.h"
#include "exchange/handle_owner.h"

namespace kal {
namespace agent {

constexpr const wchar_t* kControlSectionName = L"TavRegedit_Control";
constexpr const wchar_t* kDefaultStopEventName = L"TavRegedit_Stop";
// Held by a client for the whole of one request: the block has one request slot.
constexpr const wchar_t* kControlClientMutexName = L"TavRegedit_ControlClient";
constexpr size_t kUserNumberSectionSize = 256;

enum CControlRequest : LONG {
  kRequestPolicy = 0,    // policyPath: apply this policy file
  kRequestLaunched = 1,  // launchPid, launchExe: publish this process's records now
};

// Bits of CControlBlock::result for kRequestLaunched: the records now in place for the process.
constexpr LONG kLaunchedProtectRecord = 1;
constexpr LONG kLaunchedSmartRecord = 2;

struct CControlBlock {
  volatile LONG request;  // bumped by a client after it wrote the request's fields
  volatile LONG applied;  // the request the agent applied last
  volatile LONG result;   // kRequestPolicy: 0 applied, 1 rejected; kRequestLaunched: record bits
  DWORD agentPid;
  wchar_t policyPath[1024];
  LONG kind;                    // a CControlRequest
  DWORD launchPid;              // the suspended process
  wchar_t launchExe[MAX_PATH];  // its executable's file name, as the policy names processes
};

// One created section kept mapped for the agent's lifetime.
class CHeldSection {
 public:
  // Creates the section with a null DACL; existed() tells whether it was there already.
  bool Create(const wchar_t* name, size_t bytes);
  void* Data() const { return m_view.Get(); }
  bool Existed() const { return m_bExisted; }

 private:
  CHandleOwner m_hMap;
  CViewOwner m_view;
  bool m_bExisted = false;
};

// Runs the agent until stopped. Returns the process exit code.
int RunAgent(const std::wstring& policyPath, const std::wstring& readyEvent,
             const std::wstring& stopEvent);
// Hands a policy file to the running agent and waits until it is applied.
int SetPolicyOfRunningAgent(const std::wstring& policyPath);
// Starts argv[0] with the rest as its arguments, suspended; has the running agent publish every
// record its policy gives that executable's name; resumes it, waits and returns its exit code.
int LaunchWithRecords(int argc, wchar_t** argv);
// Signals the stop event of a running agent.
int StopRunningAgent(const std::wstring& stopEvent);

// Reads a whole file; false when it cannot be opened.
bool ReadWholeFile(const std::wstring& path, std::string* text);

}  // namespace agent
}  // namespace kal
