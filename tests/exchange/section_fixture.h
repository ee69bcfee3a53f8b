// Test fixture helpers: create the agent's sections in-process so tests control the bytes.
#pragma once
#include <windows.h>

#include <string>

#include "exchange/exchange_layout.h"
#include "exchange/handle_owner.h"

namespace kaltest {

// Creates one named section of the given size (zero-filled) and keeps a writable view of it
// until destruction. The accessor opens it by name like any other client.
class CTestSection {
 public:
  CTestSection(const wchar_t* name, size_t bytes, DWORD protect = PAGE_READWRITE);
  // With an SDDL text the section carries that security descriptor (this handle keeps full
  // access, others get what the descriptor grants).
  CTestSection(const wchar_t* name, size_t bytes, const wchar_t* sddl);
  bool Ok() const { return static_cast<bool>(m_view); }
  void* Data() const { return m_view.Get(); }
  template <typename T>
  T& As() const {
    return *static_cast<T*>(m_view.Get());
  }

 private:
  kal::CHandleOwner m_hMap;
  kal::CViewOwner m_view;
};

// The three sections at the sizes the reference agent uses.
struct CTestSections {
  CTestSection exchange{kal::kExchangeSectionName, kal::kExchangeBlockSize};
  CTestSection out{kal::kOutSectionName, sizeof(OutBlock)};
  CTestSection userNumber{kal::kUserNumberSectionName, 256};
  ExchangeBlock& Block() const { return exchange.As<ExchangeBlock>(); }
  bool Ok() const { return exchange.Ok() && out.Ok() && userNumber.Ok(); }
};

}  // namespace kaltest
