// The reference agent's policy file: a small INI-like text (UTF-8) parsed into CAgentPolicy,
// and the pure rules that write a policy into the exchange block's bytes. No windows.h.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "exchange/exchange_layout.h"

namespace kal {
namespace agent {

// A process the policy names: by executable name (matched case-insensitively against running
// processes) or by id ("pid:1234").
struct CPolicyProcess {
  std::string m_strExeName;  // empty when m_nPid names the process
  uint32_t m_nPid = 0;
  uint32_t m_nReadOnly = 0;
  uint32_t m_nPrint = 0;
};

struct CAgentPolicy {
  std::string m_strUserName;
  std::string m_strUserExtra;
  std::string m_strPassword;
  std::string m_strEmployeeId;
  _PRINT_EXCHG_INFO m_print{};            // built from the [watermark] keys
  std::vector<CPolicyProcess> m_protect;  // -> tavInfo
  std::vector<CPolicyProcess> m_smart;    // -> smartInfo
  std::string m_strProtectScreen;
  std::string m_strTavKey, m_strDyKey, m_strMultiMainKey, m_strOutDyKey;
  std::string m_strIp, m_strPort;
};

// Parses the policy text. On failure returns false and names the line and the fault.
bool ParsePolicy(const std::string& text, CAgentPolicy* policy, std::string* error);

// UTF-8 to UTF-16 into a fixed field: at most fieldUnits-1 units and a NUL; invalid
// sequences become U+FFFD.
void Utf8ToField(const std::string& text, ExWChar* field, size_t fieldUnits);
// UTF-16 field (cut at fieldUnits when it holds no NUL) to UTF-8.
std::string FieldToUtf8(const ExWChar* field, size_t fieldUnits);

// The record the agent publishes for a protected process.
_TAV_EXCHG_INFO MakeTavRecord(uint32_t pid, const CPolicyProcess& p);
_SMART_EXCHG_INFO MakeSmartRecord(uint32_t pid);

// Writes everything of the policy that needs no process lookup: user strings, employee id,
// watermark record, keys, screen list, and the tavInfo / smartInfo lists rebuilt from the
// entries given by id. Entries given by name are added by the process scan.
void ApplyPolicy(const CAgentPolicy& policy, ExchangeBlock& block);

// One running process as the scan sees it.
struct CRunningProcess {
  uint32_t m_nPid;
  std::string m_strExeName;
};

bool SameExeName(const std::string& a, const std::string& b);

// Adds records for running processes whose name the policy lists and that have none yet, and
// removes the records that an earlier scan added for processes that have ended. addedPids is
// the scan's memory of the ids it added.
void ApplyProcessScan(const CAgentPolicy& policy, const std::vector<CRunningProcess>& running,
                      std::vector<uint32_t>& addedPids, ExchangeBlock& block);

}  // namespace agent
}  // namespace kal
