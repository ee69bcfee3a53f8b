// Byte-level rules of the exchange block: keyed record lists, identifier lists, replace-all
// arrays and bounded text fields. Pure functions over the block's bytes, free of windows.h,
// so the agent, the accessor and native sanitizer builds share one implementation.
//
// Counts in the block are foreign: wherever a count bounds a loop or a copy it is clamped to
// the array's capacity (a negative count reads as 0), and a text field without a NUL is cut at
// the field's end. Valid states behave exactly as the format describes.
#pragma once
#include <cstddef>
#include <cstdint>

#include "exchange/exchange_layout.h"

namespace kal {
namespace rules {

// Count clamped to [0, capacity]: the number of entries that may be touched.
int ClampCount(int32_t count, int capacity);

// ---- keyed record lists (tavInfo by infoId or processId, smartInfo, sandboxInfo) ----
// Index of the first entry 0..count-1 whose key matches, or -1.
int FindTavByInfoId(const ExchangeBlock& b, uint32_t infoId);
int FindTavByProcessId(const ExchangeBlock& b, uint32_t pid);
int FindSmart(const ExchangeBlock& b, uint32_t pid);
int FindSandbox(const ExchangeBlock& b, uint32_t id);

// Add: overwrite the entry with the same key, else append; the count reaching 255 empties
// the list (the record just written is dropped with the rest).
void AddTav(ExchangeBlock& b, const _TAV_EXCHG_INFO& rec);
void AddSmart(ExchangeBlock& b, const _SMART_EXCHG_INFO& rec);
void AddSandbox(ExchangeBlock& b, const _SANDBOX_EXCHG_INFO& rec);

// Set: overwrite the entry with the key; never appends. True when found.
bool SetTavByProcessId(ExchangeBlock& b, uint32_t pid, const _TAV_EXCHG_INFO& rec);
bool SetSmart(ExchangeBlock& b, uint32_t pid, const _SMART_EXCHG_INFO& rec);
bool SetSandbox(ExchangeBlock& b, uint32_t id, const _SANDBOX_EXCHG_INFO& rec);

// Delete: the last entry moves into the freed slot; a missing key changes nothing.
void DeleteTavByInfoId(ExchangeBlock& b, uint32_t infoId);
void DeleteTavByProcessId(ExchangeBlock& b, uint32_t pid);
void DeleteSmart(ExchangeBlock& b, uint32_t pid);

// Copies entries 0..count-1 (count clamped) and returns how many were copied.
int CopyAllTav(const ExchangeBlock& b, _TAV_EXCHG_INFO* out);
int CopyAllSmart(const ExchangeBlock& b, _SMART_EXCHG_INFO* out);

// ---- identifier lists ----
// dyList: append unless present (255th empties); returns the count after the call.
int AddDy(ExchangeBlock& b, uint32_t id);
int DelDy(ExchangeBlock& b, uint32_t id);
bool HasDy(const ExchangeBlock& b, uint32_t id);
int CopyDy(const ExchangeBlock& b, uint32_t* out);

// hookIds / fakeIds: a count of 2,047 or more is reset before the append; no duplicate check.
void AddHookId(ExchangeBlock& b, uint32_t id);
void AddFakeId(ExchangeBlock& b, uint32_t id);
void DelHookId(ExchangeBlock& b, uint32_t id);
void DelFakeId(ExchangeBlock& b, uint32_t id);
bool HasHookId(const ExchangeBlock& b, uint32_t id);
bool HasFakeId(const ExchangeBlock& b, uint32_t id);

// newProcessIds: the two halves around the new-process event. Store appends; Settle resets
// a count above 60 to 0. Take copies the pending ids, empties the list and returns how many.
void StoreNewProcess(ExchangeBlock& b, uint32_t pid);
void SettleNewProcess(ExchangeBlock& b);
// Copies the pending ids to out (when given) and empties the list either way.
int TakeNewProcesses(ExchangeBlock& b, uint32_t* out);

// ---- replace-all arrays: counts clamped to capacity, negative as 0 ----
void SetEncryptPolicies(ExchangeBlock& b, const _Encrypt_Policy* src, int n);
int GetEncryptPolicies(const ExchangeBlock& b, _Encrypt_Policy* out);
void SetMultiKeyPolicies(ExchangeBlock& b, const _MultiKey_Policy* src, int n);
int GetMultiKeyPolicies(const ExchangeBlock& b, _MultiKey_Policy* out);
void SetSignaturePros(ExchangeBlock& b, const _Signature_Pro* src, int n);
int GetSignaturePros(const ExchangeBlock& b, _Signature_Pro* out);

// ---- text fields ----
// Stores at most fieldSize-1 bytes of text and always a NUL. A null text stores nothing.
void StoreText(char* field, size_t fieldSize, const char* text);
// Copies the field up to its NUL (cut at fieldSize-1) plus a NUL into out (>= fieldSize).
// Returns the copied length.
size_t LoadText(const char* field, size_t fieldSize, char* out);

// signatureExe: appended with "|" unless the name already occurs in the stored list; a
// joined list that would not fit in 4,095 bytes is replaced by the name alone (cut to 4,094).
void AddSignatureExe(ExchangeBlock& b, const char* name);
// Copies the list into out (4,096 bytes), zeroes the field; true when the list was non-empty.
bool TakeSignatureExe(ExchangeBlock& b, char* out);

}  // namespace rules
}  // namespace kal
