// The sections the reference agent creates and holds, and its control channel: a small
// section through which "TavRegedit.exe set" hands a new policy file to the running agent.
#pragma once
#include <windows.h>

#include <string>

#include "exchange/exchange_layout.h"
#include "exchange/handle_owner.h"

namespace kal {
namespace agent {

constexpr const wchar_t* kControlSectionName = L"TavRegedit_Control";
constexpr const wchar_t* kDefaultStopEventName = L"TavRegedit_Stop";
constexpr size_t kUserNumberSectionSize = 256;

struct CControlBlock {
  volatile LONG request;  // bumped by "set" after it wrote the path
  volatile LONG applied;  // the request the agent applied last
  volatile LONG result;   // 0 applied; 1 the policy file was rejected
  DWORD agentPid;
  wchar_t policyPath[1024];
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
// Signals the stop event of a running agent.
int StopRunningAgent(const std::wstring& stopEvent);

// Reads a whole file; false when it cannot be opened.
bool ReadWholeFile(const std::wstring& path, std::string* text);

}  // namespace agent
}  // namespace kal
