// The common frame of every accessor operation: lock, open and map the section, work on the
// bytes, unmap, close, unlock. Internal to the exchange code.
#pragma once
#include <cstddef>

#include "exchange/event_ex.h"
#include "exchange/exchange_layout.h"
#include "exchange/process_map.h"

namespace kal {

enum class LockMode { kLocked, kUnlocked };

// Runs fn(void* data, size_t bytes) on the mapped section. False when the section is absent
// or smaller than minBytes (a foreign section of the wrong size is never touched).
template <typename Fn>
bool WithSection(const wchar_t* name, size_t minBytes, Fn&& fn, LockMode mode = LockMode::kLocked,
                 bool readOnly = false) {
  if (mode == LockMode::kLocked) ExchangeLock.Lock();
  bool present = false;
  {
    CSectionView view(name, readOnly);
    if (view.Data() && view.Bytes() >= minBytes) {
      fn(view.Data(), view.Bytes());
      present = true;
    }
  }  // unmapped and closed before the lock is released
  if (mode == LockMode::kLocked) ExchangeLock.Unlock();
  return present;
}

// Runs fn(ExchangeBlock&) on the exchange section.
template <typename Fn>
bool WithExchange(Fn&& fn, LockMode mode = LockMode::kLocked, bool readOnly = false) {
  return WithSection(
      kExchangeSectionName, sizeof(ExchangeBlock),
      [&](void* data, size_t) { fn(*static_cast<ExchangeBlock*>(data)); }, mode, readOnly);
}

}  // namespace kal
