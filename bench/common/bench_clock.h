// Timing shared by the benchmark programs: the performance counter, the time of one call or of
// a round of calls, and the quantiles of a set of samples.
#pragma once
#include <windows.h>

#include <algorithm>
#include <vector>

namespace kalbench {

inline double NowUs() {
  LARGE_INTEGER f, c;
  ::QueryPerformanceFrequency(&f);
  ::QueryPerformanceCounter(&c);
  return static_cast<double>(c.QuadPart) * 1e6 / static_cast<double>(f.QuadPart);
}

// Microseconds one call of f takes.
template <class F>
double TimeUs(F&& f) {
  const double t0 = NowUs();
  f();
  return NowUs() - t0;
}

template <class F>
double TimeMs(F&& f) {
  return TimeUs(f) / 1000.0;
}

// Microseconds per call over a round of `calls` calls of f.
template <class F>
double PerCallUs(F&& f, int calls) {
  const double t0 = NowUs();
  for (int i = 0; i < calls; ++i) f();
  return (NowUs() - t0) / calls;
}

// The q-quantile (0..1) of v, interpolated between the two nearest ranks.
inline double Quantile(std::vector<double> v, double q) {
  std::sort(v.begin(), v.end());
  const double pos = q * static_cast<double>(v.size() - 1);
  const size_t lo = static_cast<size_t>(pos);
  const size_t hi = std::min(lo + 1, v.size() - 1);
  return v[lo] + (v[hi] - v[lo]) * (pos - static_cast<double>(lo));
}

}  // namespace kalbench
