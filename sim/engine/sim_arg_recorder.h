// Test-only recorder of argument values: a test names a member and one of its parameters (the
// Password of Protect), and every call of that member on any simulated object keeps the
// argument's text in this process's memory, before the member runs and whether or not it then
// fails. A test learns from it what a client handed to Office without the client having to
// show it anywhere; nothing records unless a test asked (the hosts' /testonlyrecordpasswords).
#pragma once
#include <windows.h>

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

namespace kalsim {

struct CSimMember;

class CSimArgRecorder {  // process-wide, thread-safe
 public:
  static CSimArgRecorder& Instance();

  // From now on keeps the `param` argument of every call of a member named `member` (names
  // compared ignoring case, any object kind). An argument left out records nothing.
  void Watch(const std::wstring& member, const std::wstring& param);
  // Drops the watches and the values kept.
  void Clear();
  // The values kept, in call order.
  std::vector<std::wstring> Values() const;
  // Writes the values, UTF-8, one a line; false when the file cannot be written.
  bool WriteTo(const std::wstring& path) const;

  // Called by CSimDispatch::Invoke for every call of a known member.
  void Offer(const CSimMember& member, const DISPPARAMS& params);

 private:
  struct CWatch {
    std::wstring strMember, strParam;
  };
  mutable std::mutex m_mutex;
  std::atomic<bool> m_bWatching{false};  // read without the lock on every call
  std::vector<CWatch> m_watches;
  std::vector<std::wstring> m_values;
};

}  // namespace kalsim
