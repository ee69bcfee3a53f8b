// Errors raised by simulated Office members. A member handler throws CSimError; the dispatch
// layer turns it into the HRESULT (and EXCEPINFO) a client of real Office would see.
#pragma once
#include <windows.h>

#include <string>

namespace kalsim {

// Word reports its run-time errors as DISP_E_EXCEPTION whose EXCEPINFO carries an SCODE of
// the form 0x800Axxxx (xxxx = Word's error number) and a message.
constexpr HRESULT OfficeErrorCode(unsigned number) {
  return static_cast<HRESULT>(0x800A0000u | (number & 0xFFFFu));
}

class CSimError {
 public:
  // An error returned as a bare HRESULT (DISP_E_BADINDEX, DISP_E_MEMBERNOTFOUND, ...).
  explicit CSimError(HRESULT hr) : m_hr(hr) {}
  // An error returned as DISP_E_EXCEPTION with EXCEPINFO{scode = hr, description = message}.
  CSimError(HRESULT hr, std::wstring message) : m_hr(hr), m_strMessage(std::move(message)) {}

  HRESULT Code() const { return m_hr; }
  const std::wstring& Message() const { return m_strMessage; }
  bool IsException() const { return !m_strMessage.empty(); }
  // Index (natural order) of the offending argument, or -1.
  int ArgIndex() const { return m_nArgIndex; }
  CSimError& WithArg(int index) {
    m_nArgIndex = index;
    return *this;
  }

 private:
  HRESULT m_hr;
  std::wstring m_strMessage;
  int m_nArgIndex = -1;
};

// Common Office failures.
[[noreturn]] void ThrowBadIndex();
[[noreturn]] void ThrowOffice(unsigned number, const std::wstring& message);

}  // namespace kalsim
