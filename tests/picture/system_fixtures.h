// Scoped changes to the machine state the picture job reads: the agent's Run value, APPDATA,
// the exchange sections and the cached policy record. Each restores what it changed.
#pragma once
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "exchange/exchange_layout.h"

namespace pictest {

// HKLM ...\Run value "TavRegedit" in the 32-bit view (or another view), restored on exit.
class CScopedRunValue {
 public:
  explicit CScopedRunValue(REGSAM view = KEY_WOW64_32KEY);
  ~CScopedRunValue();
  CScopedRunValue(const CScopedRunValue&) = delete;
  CScopedRunValue& operator=(const CScopedRunValue&) = delete;
  bool SetString(const std::wstring& value);
  bool SetRaw(DWORD type, const void* data, DWORD bytes);
  bool Remove();

 private:
  REGSAM m_view;
  bool m_hadValue = false;
  DWORD m_type = 0;
  std::vector<BYTE> m_saved;
};

// An environment variable of this process, restored on exit.
class CScopedEnv {
 public:
  explicit CScopedEnv(const wchar_t* name);
  ~CScopedEnv();
  CScopedEnv(const CScopedEnv&) = delete;
  CScopedEnv& operator=(const CScopedEnv&) = delete;
  void Set(const std::wstring& value);
  void Unset();

 private:
  std::wstring m_name;
  bool m_had = false;
  std::wstring m_saved;
};

// The agent's exchange and user-number sections, created by the test for as long as it lives.
class CScopedSections {
 public:
  CScopedSections();
  ~CScopedSections();
  CScopedSections(const CScopedSections&) = delete;
  CScopedSections& operator=(const CScopedSections&) = delete;
  bool Ok() const { return m_block != nullptr && m_number != nullptr; }
  ExchangeBlock* Block() { return m_block; }
  // Writes text (bytes as given, NUL added when it fits) into the user-number section.
  void SetUserNumber(const std::string& text);

 private:
  HANDLE m_hBlock = nullptr;
  HANDLE m_hNumber = nullptr;
  ExchangeBlock* m_block = nullptr;
  char* m_number = nullptr;
};

constexpr size_t kUserNumberSectionBytes = 4096;

// Fills an ANSI field of the block (cut to its size, always NUL-terminated when shorter).
void PutAnsi(char* field, size_t fieldBytes, const std::string& text);

// Fills a UTF-16 field of a policy record (cut to its size, always NUL-terminated).
template <size_t N>
void PutField(ExWChar (&field)[N], const std::wstring& text) {
  std::memset(field, 0, sizeof(field));
  for (size_t i = 0; i < text.size() && i + 1 < N; ++i) field[i] = static_cast<ExWChar>(text[i]);
}

// Low bytes of each unit (the paths and texts of these tests are ASCII).
inline std::string Narrow(const std::wstring& w) { return std::string(w.begin(), w.end()); }
// Local date as YYYY-MM-DD.
std::wstring Today();
// Creates or replaces a file holding the given bytes.
bool WriteBytes(const std::wstring& path, const std::string& bytes);

}  // namespace pictest
