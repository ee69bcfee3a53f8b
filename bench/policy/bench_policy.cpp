// The first IsHasWatermark decision of a process with a full screen-protection list (40,959
// bytes, about 2,000 names) and the process in neither tavInfo nor smartInfo nor the list,
// against the floor of the accessor reads that decision makes (user name, print policy, the
// two presence tests, the list), sampled in alternation in the same run. Target: median ratio
// within 2x.
//
// The decision is made once per process; to repeat it, this benchmark (and nothing else)
// clears WatermarkPolicyCache.bInit before each call.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "bench/common/paired_ratio.h"
#include "core/policy.h"
#include "exchange/handle_owner.h"
#include "exchange/tav_exchg.h"

namespace {
// A decision takes about a millisecond: one call is a sample; hundreds of pairs steady the median.
constexpr kalbench::CPairing kPairing = {400, 1, 20};

// Fills the agent's state into the section: a logged-on user, a watermark policy, other
// processes in the lists and a protectScreen list filled to its last byte with names that are
// not this process's. Returns the number of names in the list.
int FillSection() {
  CTavExchg exchange;
  char user[] = "bench-user", none[] = "";
  exchange.SetDefaultUserNameAndPsw(user, none, none);
  std::unique_ptr<_PRINT_EXCHG_INFO> policy(new _PRINT_EXCHG_INFO());
  policy->readWatermark = 1;
  policy->tavFileWatermark = 1;
  policy->smartFileWatermark = 1;
  exchange.SetPrintPolicy(*policy);
  for (unsigned i = 0; i < 200; ++i) {
    _TAV_EXCHG_INFO tav = {};
    tav.infoId = i + 1;
    tav.processId = 100000 + i * 4;
    exchange.AddInfo(tav);
    _SMART_EXCHG_INFO smart = {};
    smart.processId = 200000 + i * 4;
    exchange.AddInfo(smart);
  }
  std::string list;
  int names = 0;
  for (int i = 0; list.size() < kal::kProtectScreenSize - 1; ++i) {
    char name[40];
    std::snprintf(name, sizeof(name), " Protected_%04d.exe|", i);
    list += name;
    ++names;
  }
  list.resize(kal::kProtectScreenSize - 1);
  exchange.SetprotectScreen(&list[0]);
  return names;
}

// The accessor reads the decision makes, and nothing else.
void Floor() {
  CTavExchg exchange;
  char user[257] = {};
  exchange.GetDefaultUserNameAndPsw(user, nullptr, nullptr);
  static _PRINT_EXCHG_INFO policy;
  exchange.GetPrintPolicy(policy);
  DWORD pid = GetCurrentProcessId();
  exchange.GetInfo_doc(static_cast<unsigned int>(pid));
  exchange.GetInfo_doc(static_cast<unsigned int>(pid), 1);
  static char list[kal::kProtectScreenSize];
  exchange.GetprotectScreen(list);
}

int Decision() {
  WatermarkPolicyCache.bInit = 0;  // benchmark only: forget the decision to make it again
  return IsHasWatermark();
}
}  // namespace

int main() {
  const kal::CHandleOwner section(CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE,
                                                     0, static_cast<DWORD>(kal::kExchangeBlockSize),
                                                     kal::kExchangeSectionName));
  if (!section) {
    std::printf("cannot create the exchange section\n");
    return 1;
  }
  if (GetLastError() == ERROR_ALREADY_EXISTS) {
    // An agent or a test in this prefix holds it: its lock and contents are not ours to time.
    std::printf("bench_policy: the exchange section exists already; nothing measured\n");
    return 1;
  }
  const int names = FillSection();
  // The decision writes ungated debugger lines; they are part of its cost and stay in.
  if (Decision() != 0) {
    std::printf("unexpected: the decision found this process listed\n");
    return 1;
  }
  const kalbench::CPairedRatio r = kalbench::PairedRatio(Decision, Floor, kPairing);
  std::printf("protectScreen names %d, list bytes %zu, %d pairs\n", names,
              static_cast<size_t>(kal::kProtectScreenSize - 1), kPairing.pairs);
  kalbench::PrintPairedRatio("first decision", "decision", "accessor floor", r, 2.0);
  return 0;
}
