// The process-wide automation call counter.
#include "sim/engine/call_counter.h"

namespace kalsim {

CSimCallCounter& CSimCallCounter::Instance() {
  static CSimCallCounter counter;
  return counter;
}

void CSimCallCounter::Add(const std::wstring& kind, const std::wstring& member) {
  std::lock_guard<std::mutex> lock(m_mutex);
  ++m_counts[kind + L"." + member];
  ++m_nTotal;
}

long CSimCallCounter::Count(const std::wstring& kind, const std::wstring& member) const {
  std::lock_guard<std::mutex> lock(m_mutex);
  auto it = m_counts.find(kind + L"." + member);
  return it == m_counts.end() ? 0 : it->second;
}

long CSimCallCounter::CountKind(const std::wstring& kind) const {
  std::lock_guard<std::mutex> lock(m_mutex);
  long n = 0;
  const std::wstring prefix = kind + L".";
  for (const auto& [key, calls] : m_counts)
    if (key.compare(0, prefix.size(), prefix) == 0) n += calls;
  return n;
}

long CSimCallCounter::Total() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_nTotal;
}

void CSimCallCounter::Reset() {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_counts.clear();
  m_nTotal = 0;
}

std::map<std::wstring, long> CSimCallCounter::Snapshot() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_counts;
}

}  // namespace kalsim
