// Test fixture helpers: create the agent's sections in-process so tests control the bytes.
// Linked by the exchange and core_policy suites.
#pragma once
#include <windows.h>

#include <cstring>
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "exchange/exchange_layout.h"
#include "exchange/handle_owner.h"
#include "exchange/tav_exchg.h"

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

// The exchange section, with writers for the fields the watermark decision reads.
class CTestExchangeSection : public CTestSection {
 public:
  CTestExchangeSection() : CTestSection(kal::kExchangeSectionName, kal::kExchangeBlockSize) {}
  ExchangeBlock& Block() const { return As<ExchangeBlock>(); }
  void SetUser(const char* name);
  void AddTav(DWORD pid, uint32_t readOnlyFlag = 0);  // infoId 1000 + its index
  void AddSmart(DWORD pid);
  void SetProtectScreen(const char* list);
  // readWatermark on, model flag 0, slanted, Arial 48, red, transparency 40, "Confidential".
  void SetWatermarkPolicy(uint32_t tavFile, uint32_t smartFile);
};

// The three sections at the sizes the reference agent uses.
struct CTestSections {
  CTestExchangeSection exchange;
  CTestSection out{kal::kOutSectionName, sizeof(OutBlock)};
  CTestSection userNumber{kal::kUserNumberSectionName, 256};
  ExchangeBlock& Block() const { return exchange.Block(); }
  bool Ok() const { return exchange.Ok() && out.Ok() && userNumber.Ok(); }
};

// A test with the three sections and an accessor on them.
class SectionTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(s.Ok()); }
  CTestSections s;
  CTavExchg ex;
};

// A heap object with every byte set to `byte`, and the check that a buffer still is.
template <typename T>
std::unique_ptr<T> Filled(int byte) {
  auto p = std::make_unique<T>();
  std::memset(p.get(), byte, sizeof(T));
  return p;
}
inline bool AllBytes(const void* p, size_t n, int byte) {
  for (size_t i = 0; i < n; ++i)
    if (static_cast<const unsigned char*>(p)[i] != static_cast<unsigned char>(byte)) return false;
  return true;
}
// Starts `cmd` (optionally suspended); the process handle goes to *process.
inline bool Spawn(std::wstring cmd, kal::CHandleOwner* process, DWORD* pid = nullptr,
                  DWORD flags = 0) {
  STARTUPINFOW si = {sizeof(si)};
  PROCESS_INFORMATION pi = {};
  if (!CreateProcessW(nullptr, &cmd[0], nullptr, nullptr, FALSE, flags, nullptr, nullptr, &si, &pi))
    return false;
  kal::CHandleOwner thread(pi.hThread);
  process->Reset(pi.hProcess);
  if (pid) *pid = pi.dwProcessId;
  return true;
}
// Exit code once the process ends within timeoutMs, else 0xDEAD.
inline DWORD ExitCodeAfter(const kal::CHandleOwner& process, DWORD timeoutMs) {
  DWORD code = 0xDEAD;
  if (WaitForSingleObject(process.Get(), timeoutMs) == WAIT_OBJECT_0)
    GetExitCodeProcess(process.Get(), &code);
  return code;
}

}  // namespace kaltest
