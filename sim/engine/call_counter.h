// Process-wide count of the automation calls made on simulated objects, per object kind and
// member ("Shape.Left"), so tests and benchmarks can read what an operation cost.
#pragma once
#include <map>
#include <mutex>
#include <string>

namespace kalsim {

class CSimCallCounter {
 public:
  static CSimCallCounter& Instance();

  void Add(const std::wstring& kind, const std::wstring& member);
  // Calls of one member ("Shape", "Left"); member names compare case-insensitively as stored
  // under the member's registered spelling.
  long Count(const std::wstring& kind, const std::wstring& member) const;
  long CountKind(const std::wstring& kind) const;
  long Total() const;
  void Reset();
  std::map<std::wstring, long> Snapshot() const;  // "Kind.Member" -> calls

 private:
  mutable std::mutex m_mutex;
  std::map<std::wstring, long> m_counts;
  long m_nTotal = 0;
};

}  // namespace kalsim
