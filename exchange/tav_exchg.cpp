// CTavExchg: every operation takes the lock, opens and maps the section, works on the mapped
// bytes through the list rules, unmaps, closes and unlocks. Nothing is kept between calls.
#include "exchange/tav_exchg.h"

#include <cstring>

#include "exchange/exchange_frame.h"
#include "exchange/handle_owner.h"
#include "exchange/list_rules.h"

namespace rules = kal::rules;

using kal::WithExchange;

CTavExchg::~CTavExchg() = default;

// ---- keyed record lists ----

int CTavExchg::AddInfo(_TAV_EXCHG_INFO& info) {
  return WithExchange([&](ExchangeBlock& b) { rules::AddTav(b, info); }) ? 0 : -1;
}

int CTavExchg::AddInfo(_SMART_EXCHG_INFO& info) {
  return WithExchange([&](ExchangeBlock& b) { rules::AddSmart(b, info); }) ? 0 : -1;
}

int CTavExchg::AddInfo_doc(_SANDBOX_EXCHG_INFO info) {
  return WithExchange([&](ExchangeBlock& b) { rules::AddSandbox(b, info); }) ? 0 : -1;
}

int CTavExchg::GetInfo(unsigned int id, _TAV_EXCHG_INFO& out) {
  int result = -1;
  WithExchange([&](ExchangeBlock& b) {
    const int i = rules::FindTavByInfoId(b, id);
    if (i >= 0) {
      std::memcpy(&out, &b.tavInfo[i], sizeof(out));
      result = 0;
    }
  });
  return result;
}

int CTavExchg::GetInfo_doc(unsigned int pid, _TAV_EXCHG_INFO& out) {
  int result = -1;
  WithExchange([&](ExchangeBlock& b) {
    const int i = rules::FindTavByProcessId(b, pid);
    if (i >= 0) {
      std::memcpy(&out, &b.tavInfo[i], sizeof(out));
      result = 0;
    }
  });
  return result;
}

int CTavExchg::GetInfo_doc(unsigned int id, _SANDBOX_EXCHG_INFO& out) {
  int result = -1;
  WithExchange([&](ExchangeBlock& b) {
    const int i = rules::FindSandbox(b, id);
    if (i >= 0) {
      std::memcpy(&out, &b.sandboxInfo[i], sizeof(out));
      result = 0;
    }
  });
  return result;
}

int CTavExchg::SetInfo_doc(unsigned int pid, _TAV_EXCHG_INFO& info) {
  bool found = false;
  WithExchange([&](ExchangeBlock& b) { found = rules::SetTavByProcessId(b, pid, info); });
  return found ? 0 : -1;
}

int CTavExchg::SetInfo_doc(unsigned int pid, _SMART_EXCHG_INFO& info) {
  bool found = false;
  WithExchange([&](ExchangeBlock& b) { found = rules::SetSmart(b, pid, info); });
  return found ? 0 : -1;
}

int CTavExchg::SetInfo_doc(unsigned int id, _SANDBOX_EXCHG_INFO& info) {
  bool found = false;
  WithExchange([&](ExchangeBlock& b) { found = rules::SetSandbox(b, id, info); });
  return found ? 0 : -1;
}

int CTavExchg::GetInfo_doc(unsigned int pid) {
  bool found = false;
  WithExchange([&](ExchangeBlock& b) { found = rules::FindTavByProcessId(b, pid) >= 0; });
  return found ? 0 : -1;
}

int CTavExchg::GetInfo_doc(unsigned int pid, int) {
  bool found = false;
  WithExchange([&](ExchangeBlock& b) { found = rules::FindSmart(b, pid) >= 0; });
  return found ? 0 : -1;
}

int CTavExchg::DeleteInfo(unsigned int id) {
  return WithExchange([&](ExchangeBlock& b) { rules::DeleteTavByInfoId(b, id); }) ? 0 : -1;
}

int CTavExchg::DeleteInfo(unsigned int pid, int) {
  return WithExchange([&](ExchangeBlock& b) { rules::DeleteSmart(b, pid); }) ? 0 : -1;
}

int CTavExchg::GetAllInfo(_TAV_EXCHG_INFO* out) {
  int n = -1;
  WithExchange([&](ExchangeBlock& b) { n = out ? rules::CopyAllTav(b, out) : 0; });
  return n;
}

int CTavExchg::GetAllInfo(_SMART_EXCHG_INFO* out, int) {
  int n = -1;
  WithExchange([&](ExchangeBlock& b) { n = out ? rules::CopyAllSmart(b, out) : 0; });
  return n;
}

int CTavExchg::GetCount() {
  int n = 0;
  WithExchange(
      [&](ExchangeBlock& b) { n = rules::ClampCount(b.tavInfoCount, kal::kTavInfoCapacity); });
  return n;
}

int CTavExchg::GetCount(int) {
  int n = 0;
  WithExchange(
      [&](ExchangeBlock& b) { n = rules::ClampCount(b.smartInfoCount, kal::kSmartInfoCapacity); });
  return n;
}

int CTavExchg::AddInfo_doc(char flag) {
  return WithExchange([&](ExchangeBlock& b) { b.docFlag = flag; }) ? 0 : -1;
}

int CTavExchg::GetInfo_doc(char& flag) {
  return WithExchange([&](ExchangeBlock& b) { flag = b.docFlag; }) ? 0 : -1;
}

// ---- identifier lists ----

int CTavExchg::AddDy(unsigned int id) {
  int n = -1;
  WithExchange([&](ExchangeBlock& b) { n = rules::AddDy(b, id); });
  return n;
}

int CTavExchg::DelDy(unsigned int id) {
  int n = -1;
  WithExchange([&](ExchangeBlock& b) { n = rules::DelDy(b, id); });
  return n;
}

int CTavExchg::GetDy(unsigned int id) {
  bool found = false;
  WithExchange([&](ExchangeBlock& b) { found = rules::HasDy(b, id); });
  return found ? 1 : 0;
}

int CTavExchg::GetDyCount() {
  int n = -1;
  WithExchange([&](ExchangeBlock& b) { n = rules::ClampCount(b.dyCount, kal::kDyCapacity); });
  return n;
}

int CTavExchg::GetDyAll(unsigned int* out) {
  int n = -1;
  WithExchange(
      [&](ExchangeBlock& b) { n = out ? rules::CopyDy(b, reinterpret_cast<uint32_t*>(out)) : 0; });
  return n;
}

void CTavExchg::SignatureAddHookID(unsigned int id) {
  WithExchange([&](ExchangeBlock& b) { rules::AddHookId(b, id); });
}

void CTavExchg::SignatureAddFakeID(unsigned int id) {
  WithExchange([&](ExchangeBlock& b) { rules::AddFakeId(b, id); });
}

void CTavExchg::SignatureDelHookID(unsigned int id) {
  WithExchange([&](ExchangeBlock& b) { rules::DelHookId(b, id); });
}

void CTavExchg::SignatureDelFakeID(unsigned int id) {
  WithExchange([&](ExchangeBlock& b) { rules::DelFakeId(b, id); });
}

int CTavExchg::SignatureFindHookID(unsigned int id) {
  bool found = false;
  WithExchange([&](ExchangeBlock& b) { found = rules::HasHookId(b, id); });
  return found ? 1 : 0;
}

int CTavExchg::SignatureFindFakeID(unsigned int id) {
  bool found = false;
  WithExchange([&](ExchangeBlock& b) { found = rules::HasFakeId(b, id); });
  return found ? 1 : 0;
}

void CTavExchg::AddNewProcess(unsigned int pid) {
  WithExchange([&](ExchangeBlock& b) {
    rules::StoreNewProcess(b, pid);
    // The agent collects the ids when told; no listener simply means nobody is told.
    kal::CHandleOwner ev(OpenEventW(EVENT_ALL_ACCESS, FALSE, kal::kNewProcessEventName));
    if (ev) SetEvent(ev.Get());
    rules::SettleNewProcess(b);
  });
}

int CTavExchg::GetNewProcess(unsigned int* out) {
  int n = 0;
  WithExchange(
      [&](ExchangeBlock& b) { n = rules::TakeNewProcesses(b, reinterpret_cast<uint32_t*>(out)); });
  return n;
}
