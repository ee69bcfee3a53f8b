// Byte-level rules of the exchange block (see list_rules.h). No windows.h here.
#include "exchange/list_rules.h"

#include <cstring>

namespace kal {
namespace rules {
namespace {

// Keyed lists empty themselves when an add brings them to this many entries.
constexpr int kKeyedListReset = 255;
// hookIds / fakeIds are reset before an append at this count.
constexpr int kSignatureIdReset = 2047;
// newProcessIds: more pending ids than this empty the list.
constexpr int kNewProcessLimit = 60;

template <typename Rec, typename KeyOf>
int FindKeyed(const Rec* list, int32_t count, int capacity, uint32_t key, KeyOf keyOf) {
  const int n = ClampCount(count, capacity);
  for (int i = 0; i < n; ++i) {
    if (keyOf(list[i]) == key) return i;
  }
  return -1;
}

template <typename Rec, typename KeyOf>
void AddKeyed(Rec* list, int32_t& count, int capacity, const Rec& rec, KeyOf keyOf) {
  const int found = FindKeyed(list, count, capacity, keyOf(rec), keyOf);
  if (found >= 0) {
    std::memmove(&list[found], &rec, sizeof(Rec));
    return;
  }
  const int n = ClampCount(count, capacity);
  // A stored count at capacity has no free slot; the add then only empties the list,
  // which is what appending would have led to anyway.
  if (n < capacity) std::memmove(&list[n], &rec, sizeof(Rec));
  count = (n + 1 >= kKeyedListReset) ? 0 : n + 1;
}

template <typename Rec>
void RemoveAt(Rec* list, int32_t& count, int capacity, int index) {
  const int n = ClampCount(count, capacity);
  if (index < 0 || index >= n) return;
  if (index != n - 1) std::memcpy(&list[index], &list[n - 1], sizeof(Rec));
  count = n - 1;
}

template <typename Rec>
int CopyCounted(const Rec* list, int32_t count, int capacity, Rec* out) {
  const int n = ClampCount(count, capacity);
  if (n > 0) std::memcpy(out, list, sizeof(Rec) * static_cast<size_t>(n));
  return n;
}

template <typename Rec>
void ReplaceAll(Rec* list, int32_t& count, int capacity, const Rec* src, int n) {
  if (n < 0 || src == nullptr) n = 0;
  if (n > capacity) n = capacity;
  count = n;
  if (n > 0) std::memmove(list, src, sizeof(Rec) * static_cast<size_t>(n));
}

uint32_t TavInfoId(const _TAV_EXCHG_INFO& r) { return r.infoId; }
uint32_t TavPid(const _TAV_EXCHG_INFO& r) { return r.processId; }
uint32_t SmartPid(const _SMART_EXCHG_INFO& r) { return r.processId; }
uint32_t SandboxId(const _SANDBOX_EXCHG_INFO& r) { return r.sandboxId; }

int FindId(const uint32_t* list, int32_t count, int capacity, uint32_t id) {
  const int n = ClampCount(count, capacity);
  for (int i = 0; i < n; ++i) {
    if (list[i] == id) return i;
  }
  return -1;
}

void AppendSignatureId(uint32_t* list, int32_t& count, int capacity, uint32_t id) {
  int n = ClampCount(count, capacity);
  if (n >= kSignatureIdReset) n = 0;
  list[n] = id;
  count = n + 1;
}

}  // namespace

int ClampCount(int32_t count, int capacity) {
  if (count < 0) return 0;
  return count > capacity ? capacity : static_cast<int>(count);
}

int FindTavByInfoId(const ExchangeBlock& b, uint32_t infoId) {
  return FindKeyed(b.tavInfo, b.tavInfoCount, kTavInfoCapacity, infoId, TavInfoId);
}
int FindTavByProcessId(const ExchangeBlock& b, uint32_t pid) {
  return FindKeyed(b.tavInfo, b.tavInfoCount, kTavInfoCapacity, pid, TavPid);
}
int FindSmart(const ExchangeBlock& b, uint32_t pid) {
  return FindKeyed(b.smartInfo, b.smartInfoCount, kSmartInfoCapacity, pid, SmartPid);
}
int FindSandbox(const ExchangeBlock& b, uint32_t id) {
  return FindKeyed(b.sandboxInfo, b.sandboxInfoCount, kSandboxInfoCapacity, id, SandboxId);
}

void AddTav(ExchangeBlock& b, const _TAV_EXCHG_INFO& rec) {
  AddKeyed(b.tavInfo, b.tavInfoCount, kTavInfoCapacity, rec, TavInfoId);
}
void AddSmart(ExchangeBlock& b, const _SMART_EXCHG_INFO& rec) {
  AddKeyed(b.smartInfo, b.smartInfoCount, kSmartInfoCapacity, rec, SmartPid);
}
void AddSandbox(ExchangeBlock& b, const _SANDBOX_EXCHG_INFO& rec) {
  AddKeyed(b.sandboxInfo, b.sandboxInfoCount, kSandboxInfoCapacity, rec, SandboxId);
}

bool SetTavByProcessId(ExchangeBlock& b, uint32_t pid, const _TAV_EXCHG_INFO& rec) {
  const int i = FindTavByProcessId(b, pid);
  if (i < 0) return false;
  std::memmove(&b.tavInfo[i], &rec, sizeof(rec));
  return true;
}
bool SetSmart(ExchangeBlock& b, uint32_t pid, const _SMART_EXCHG_INFO& rec) {
  const int i = FindSmart(b, pid);
  if (i < 0) return false;
  std::memmove(&b.smartInfo[i], &rec, sizeof(rec));
  return true;
}
bool SetSandbox(ExchangeBlock& b, uint32_t id, const _SANDBOX_EXCHG_INFO& rec) {
  const int i = FindSandbox(b, id);
  if (i < 0) return false;
  std::memmove(&b.sandboxInfo[i], &rec, sizeof(rec));
  return true;
}

void DeleteTavByInfoId(ExchangeBlock& b, uint32_t infoId) {
  RemoveAt(b.tavInfo, b.tavInfoCount, kTavInfoCapacity, FindTavByInfoId(b, infoId));
}
void DeleteTavByProcessId(ExchangeBlock& b, uint32_t pid) {
  RemoveAt(b.tavInfo, b.tavInfoCount, kTavInfoCapacity, FindTavByProcessId(b, pid));
}
void DeleteSmart(ExchangeBlock& b, uint32_t pid) {
  RemoveAt(b.smartInfo, b.smartInfoCount, kSmartInfoCapacity, FindSmart(b, pid));
}

int CopyAllTav(const ExchangeBlock& b, _TAV_EXCHG_INFO* out) {
  return CopyCounted(b.tavInfo, b.tavInfoCount, kTavInfoCapacity, out);
}
int CopyAllSmart(const ExchangeBlock& b, _SMART_EXCHG_INFO* out) {
  return CopyCounted(b.smartInfo, b.smartInfoCount, kSmartInfoCapacity, out);
}

int AddDy(ExchangeBlock& b, uint32_t id) {
  if (FindId(b.dyList, b.dyCount, kDyCapacity, id) < 0) {
    const int n = ClampCount(b.dyCount, kDyCapacity);
    if (n < kDyCapacity) b.dyList[n] = id;
    b.dyCount = (n + 1 >= kKeyedListReset) ? 0 : n + 1;
  }
  return ClampCount(b.dyCount, kDyCapacity);
}

int DelDy(ExchangeBlock& b, uint32_t id) {
  RemoveAt(b.dyList, b.dyCount, kDyCapacity, FindId(b.dyList, b.dyCount, kDyCapacity, id));
  return ClampCount(b.dyCount, kDyCapacity);
}

bool HasDy(const ExchangeBlock& b, uint32_t id) {
  return FindId(b.dyList, b.dyCount, kDyCapacity, id) >= 0;
}

int CopyDy(const ExchangeBlock& b, uint32_t* out) {
  return CopyCounted(b.dyList, b.dyCount, kDyCapacity, out);
}

void AddHookId(ExchangeBlock& b, uint32_t id) {
  AppendSignatureId(b.hookIds, b.hookIdCount, kHookIdCapacity, id);
}
void AddFakeId(ExchangeBlock& b, uint32_t id) {
  AppendSignatureId(b.fakeIds, b.fakeIdCount, kFakeIdCapacity, id);
}
void DelHookId(ExchangeBlock& b, uint32_t id) {
  RemoveAt(b.hookIds, b.hookIdCount, kHookIdCapacity,
           FindId(b.hookIds, b.hookIdCount, kHookIdCapacity, id));
}
void DelFakeId(ExchangeBlock& b, uint32_t id) {
  RemoveAt(b.fakeIds, b.fakeIdCount, kFakeIdCapacity,
           FindId(b.fakeIds, b.fakeIdCount, kFakeIdCapacity, id));
}
bool HasHookId(const ExchangeBlock& b, uint32_t id) {
  return FindId(b.hookIds, b.hookIdCount, kHookIdCapacity, id) >= 0;
}
bool HasFakeId(const ExchangeBlock& b, uint32_t id) {
  return FindId(b.fakeIds, b.fakeIdCount, kFakeIdCapacity, id) >= 0;
}

void StoreNewProcess(ExchangeBlock& b, uint32_t pid) {
  int n = ClampCount(b.newProcessCount, kNewProcessCapacity);
  // Only a foreign count can reach capacity; start the list afresh rather than drop the id.
  if (n >= kNewProcessCapacity) n = 0;
  b.newProcessIds[n] = pid;
  b.newProcessCount = n + 1;
}

void SettleNewProcess(ExchangeBlock& b) {
  if (b.newProcessCount > kNewProcessLimit || b.newProcessCount < 0) b.newProcessCount = 0;
}

int TakeNewProcesses(ExchangeBlock& b, uint32_t* out) {
  // A caller without a buffer still takes the pending ids: they are dropped, not kept.
  const int n = out ? CopyCounted(b.newProcessIds, b.newProcessCount, kNewProcessCapacity, out) : 0;
  b.newProcessCount = 0;
  return n;
}

void SetEncryptPolicies(ExchangeBlock& b, const _Encrypt_Policy* src, int n) {
  ReplaceAll(b.encryptPolicies, b.encryptPolicyCount, kEncryptPolicyCapacity, src, n);
}
int GetEncryptPolicies(const ExchangeBlock& b, _Encrypt_Policy* out) {
  return CopyCounted(b.encryptPolicies, b.encryptPolicyCount, kEncryptPolicyCapacity, out);
}
void SetMultiKeyPolicies(ExchangeBlock& b, const _MultiKey_Policy* src, int n) {
  ReplaceAll(b.multiKeyPolicies, b.multiKeyPolicyCount, kMultiKeyPolicyCapacity, src, n);
}
int GetMultiKeyPolicies(const ExchangeBlock& b, _MultiKey_Policy* out) {
  return CopyCounted(b.multiKeyPolicies, b.multiKeyPolicyCount, kMultiKeyPolicyCapacity, out);
}
void SetSignaturePros(ExchangeBlock& b, const _Signature_Pro* src, int n) {
  ReplaceAll(b.signaturePros, b.signatureProCount, kSignatureProCapacity, src, n);
}
int GetSignaturePros(const ExchangeBlock& b, _Signature_Pro* out) {
  return CopyCounted(b.signaturePros, b.signatureProCount, kSignatureProCapacity, out);
}

void StoreText(char* field, size_t fieldSize, const char* text) {
  if (text == nullptr || fieldSize == 0) return;
  size_t n = 0;
  while (n + 1 < fieldSize && text[n] != '\0') ++n;
  std::memmove(field, text, n);
  field[n] = '\0';
}

size_t LoadText(const char* field, size_t fieldSize, char* out) {
  if (out == nullptr || fieldSize == 0) return 0;
  size_t n = 0;
  while (n + 1 < fieldSize && field[n] != '\0') ++n;
  std::memmove(out, field, n);
  out[n] = '\0';
  return n;
}

void AddSignatureExe(ExchangeBlock& b, const char* name) {
  if (name == nullptr) return;
  constexpr size_t kBound = kSignatureExeSize - 1;  // writers use at most 4,095 bytes
  char* list = b.signatureExe;
  size_t len = 0;
  while (len < kBound && list[len] != '\0') ++len;
  size_t nameLen = 0;
  while (nameLen < kBound && name[nameLen] != '\0') ++nameLen;

  if (len > 0) {
    // Plain case-sensitive substring test over the stored list, bounded by the field.
    for (size_t i = 0; i + nameLen <= len; ++i) {
      if (std::memcmp(list + i, name, nameLen) == 0) return;
    }
  }
  const size_t maxName = kBound - 1;  // 4,094 characters plus the NUL
  if (len == 0 || len + 1 + nameLen + 1 > kBound) {
    const size_t n = nameLen > maxName ? maxName : nameLen;
    std::memcpy(list, name, n);
    list[n] = '\0';
    return;
  }
  list[len] = '|';
  std::memcpy(list + len + 1, name, nameLen);
  list[len + 1 + nameLen] = '\0';
}

bool TakeSignatureExe(ExchangeBlock& b, char* out) {
  const size_t n = LoadText(b.signatureExe, kSignatureExeSize, out);
  std::memset(b.signatureExe, 0, kSignatureExeSize);
  return n > 0;
}

}  // namespace rules
}  // namespace kal
