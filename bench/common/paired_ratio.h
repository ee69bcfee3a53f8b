// The cost of an operation against its floor, measured in alternation: one sample of the
// operation, one of the floor, again and again, so that whatever else the machine is doing at
// that moment weighs on both sides of a pair alike. Each pair gives a ratio; the result is the
// median of those ratios, over the pairs no other program disturbed, and their interquartile
// range. The spread is that of the per-pair ratios rather than of block medians: over hundreds
// of pairs their median was as steady from run to run as a median of block medians, and their
// quartiles show how noisy the pairs were.
#pragma once
#include <windows.h>

#include <atomic>
#include <cstdio>
#include <vector>

#include "bench/common/bench_clock.h"

namespace kalbench {

struct CPairing {
  int pairs;           // timed pairs (one sample of each side)
  int callsPerSample;  // calls in one sample, so that a sample outlasts timer noise
  int warmupPairs;     // untimed pairs first: code, data and caches of both sides warm
};

struct CPairedRatio {
  double ratio;    // median of the per-pair ratios operation / floor
  double q1, q3;   // first and third quartile of the per-pair ratios
  double opUs;     // median per-call time of the operation
  double floorUs;  // median per-call time of the floor
  int kept;        // pairs that count (see FromPairs)
  int taken;       // pairs timed
};

// Under Wine most system calls are round trips to the wineserver, another process. On a
// virtual machine a round trip to a server running on another core costs about four times one
// on the caller's core (some 40 us against 9 us on the 2-core build machine), and the scheduler
// leaves the server on one core or the other for long stretches. Work that mixes such calls
// with plain computation in another proportion than its floor then shows a ratio that follows
// the placement (1.5 or 2.2 for the policy decision). While an object of this class lives, the
// calling thread is held on one core and a thread on each other core of the process spins,
// yielding at every turn to whatever else wants that core, so that no core sits idle to draw
// the server away. Settle() moves the calling thread to the core where a round trip costs
// least, which is where the server runs.
class CMeasuringCore {
 public:
  CMeasuringCore() {
    DWORD_PTR process = 0, system = 0;
    m_core = DWORD_PTR(1) << ::GetCurrentProcessorNumber();
    if (!m_probe || !::GetProcessAffinityMask(::GetCurrentProcess(), &process, &system) ||
        !(process & m_core))
      return;
    m_oldMask = ::SetThreadAffinityMask(::GetCurrentThread(), m_core);
    if (!m_oldMask) return;
    for (DWORD_PTR core = 1; core; core <<= 1) {
      if (!(process & core)) continue;
      m_cores.push_back(core);
      if (core == m_core) continue;
      HANDLE thread = ::CreateThread(nullptr, 0, Spin, &m_stop, CREATE_SUSPENDED, nullptr);
      if (!thread) continue;
      ::SetThreadAffinityMask(thread, core);
      ::ResumeThread(thread);
      m_spinners.push_back({thread, core});
    }
  }
  ~CMeasuringCore() {
    m_stop = true;
    for (const CSpinner& s : m_spinners) {
      ::WaitForSingleObject(s.thread, INFINITE);
      ::CloseHandle(s.thread);
    }
    if (m_oldMask) ::SetThreadAffinityMask(::GetCurrentThread(), m_oldMask);
    if (m_probe) ::CloseHandle(m_probe);
  }
  CMeasuringCore(const CMeasuringCore&) = delete;
  CMeasuringCore& operator=(const CMeasuringCore&) = delete;

  void Settle() {
    if (!m_oldMask) return;
    const DWORD_PTR start = m_core;
    DWORD_PTR best = start;
    double bestUs = RoundTripUs();
    for (DWORD_PTR core : m_cores) {
      if (core == start) continue;
      MoveTo(core);
      const double us = RoundTripUs();
      if (us < bestUs) {
        bestUs = us;
        best = core;
      }
    }
    MoveTo(best);
  }

 private:
  struct CSpinner {
    HANDLE thread;
    DWORD_PTR core;
  };

  static DWORD WINAPI Spin(void* stop) {
    while (!static_cast<std::atomic<bool>*>(stop)->load()) ::SwitchToThread();
    return 0;
  }

  // Median time of one system call that Wine serves in the wineserver.
  double RoundTripUs() {
    std::vector<double> us;
    for (int i = 0; i < 15; ++i) us.push_back(TimeUs([&] { ::SetEvent(m_probe); }));
    return Quantile(us, 0.5);
  }

  // The calling thread takes `core`; the spinner held there takes the core it leaves.
  void MoveTo(DWORD_PTR core) {
    if (core == m_core) return;
    for (CSpinner& s : m_spinners)
      if (s.core == core) {
        ::SetThreadAffinityMask(s.thread, m_core);
        s.core = m_core;
      }
    ::SetThreadAffinityMask(::GetCurrentThread(), core);
    m_core = core;
  }

  HANDLE m_probe = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  std::atomic<bool> m_stop{false};
  std::vector<CSpinner> m_spinners;
  std::vector<DWORD_PTR> m_cores;
  DWORD_PTR m_core = 0, m_oldMask = 0;
};

// Other programs only ever add time to a sample, and on a busy machine most samples carry some.
// A pair counts when neither of its samples took more than 15% longer than that side's tenth
// percentile, the same test for both sides; should fewer than a tenth of the pairs count, the
// tolerance widens until they do. The median and quartiles are those of the pairs that count.
inline CPairedRatio FromPairs(const std::vector<double>& opUs, const std::vector<double>& floorUs) {
  const double opFast = Quantile(opUs, 0.1), floorFast = Quantile(floorUs, 0.1);
  std::vector<double> ratios, op, floor;
  for (double tolerance = 1.15; ratios.size() * 10 < opUs.size(); tolerance *= 1.15) {
    ratios.clear();
    op.clear();
    floor.clear();
    for (size_t i = 0; i < opUs.size(); ++i) {
      if (opUs[i] > tolerance * opFast || floorUs[i] > tolerance * floorFast) continue;
      ratios.push_back(opUs[i] / floorUs[i]);
      op.push_back(opUs[i]);
      floor.push_back(floorUs[i]);
    }
  }
  CPairedRatio r;
  r.ratio = Quantile(ratios, 0.5);
  r.q1 = Quantile(ratios, 0.25);
  r.q3 = Quantile(ratios, 0.75);
  r.opUs = Quantile(op, 0.5);
  r.floorUs = Quantile(floor, 0.5);
  r.kept = static_cast<int>(ratios.size());
  r.taken = static_cast<int>(opUs.size());
  return r;
}

template <class Op, class Floor>
CPairedRatio PairedRatio(Op&& op, Floor&& floor, const CPairing& p) {
  constexpr int kPairsPerSettle = 20;  // the server stays put for hundreds of milliseconds
  CMeasuringCore core;
  core.Settle();
  for (int i = 0; i < p.warmupPairs; ++i) {
    PerCallUs(op, p.callsPerSample);
    PerCallUs(floor, p.callsPerSample);
  }
  std::vector<double> opUs, floorUs;
  for (int i = 0; i < p.pairs; ++i) {
    if (i % kPairsPerSettle == 0) core.Settle();
    opUs.push_back(PerCallUs(op, p.callsPerSample));
    floorUs.push_back(PerCallUs(floor, p.callsPerSample));
  }
  return FromPairs(opUs, floorUs);
}

// One line: "<name>  <op> 1.23 us  <floor> 1.20 us  ratio 1.025 (IQR 0.980-1.070, 380/400
// pairs)  target <= 1.15 met". Returns whether the median ratio is within the target.
inline bool PrintPairedRatio(const char* name, const char* opLabel, const char* floorLabel,
                             const CPairedRatio& r, double target) {
  const bool ms = r.floorUs >= 10000;
  const double scale = ms ? 1e-3 : 1.0;
  const char* unit = ms ? "ms" : "us";
  const bool met = r.ratio <= target;
  std::printf(
      "%-18s %s %8.2f %s  %s %8.2f %s  ratio %.3f (IQR %.3f-%.3f, %d/%d pairs)  target <= %.2f "
      "%s\n",
      name, opLabel, r.opUs * scale, unit, floorLabel, r.floorUs * scale, unit, r.ratio, r.q1, r.q3,
      r.kept, r.taken, target, met ? "met" : "NOT met");
  return met;
}

}  // namespace kalbench
