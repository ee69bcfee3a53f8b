// Composition of the watermark text from plain values: the policy's text line, then a line of
// date, user names and employee id joined by "&". No windows.h: the rules are checked on their
// own, and the gathering of the values (policy record, exchange block, clock) lives in
// watermark_painter.cpp.
#pragma once
#include <cstddef>
#include <string>

#include "exchange/exchange_layout.h"

namespace kal {

// The values one composition needs. Names and id are read only when their flag is on, so
// they may be left empty otherwise.
struct CWaterMarkTextParts {
  std::wstring m_strText;  // watermarkText
  bool m_bShowDate = false;
  bool m_bShowUserName = false;
  bool m_bShowEmployeeId = false;
  int m_nYear = 0;
  int m_nMonth = 0;  // 1-12
  int m_nDay = 0;
  std::wstring m_strUserName;       // first output of GetDefaultUserNameAndPsw
  std::wstring m_strUserNameExtra;  // third output
  std::wstring m_strEmployeeId;
};

// S = text; a line feed when S is not empty and any flag is on; then date, names, id joined
// by "&" with no leading "&".
std::wstring ComposeWaterMarkTextFrom(const CWaterMarkTextParts& parts);

// "%04d-%02d-%02d".
std::wstring FormatWaterMarkDate(int year, int month, int day);

// A show flag is on when its first unit is the character "1".
bool IsShowFlagOn(const ExWChar* flag);

// A UTF-16 field as a string: cut at its first NUL, or at the field's end when it has none.
std::wstring WideFromField(const ExWChar* field, size_t fieldUnits);

// The longest prefix of an ANSI buffer that fits a buffer of bufferBytes bytes with its NUL:
// the text up to its first NUL, cut to bufferBytes - 1 bytes. isLeadByte tells whether a byte
// starts a double-byte character, so a cut never splits one.
size_t AnsiPrefixLength(const char* text, size_t textBytes, size_t bufferBytes,
                        bool (*isLeadByte)(unsigned char));

}  // namespace kal
