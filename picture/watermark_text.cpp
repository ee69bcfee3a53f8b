// Watermark text composition over plain values.
#include "picture/watermark_text.h"

#include <cwchar>

namespace kal {

std::wstring FormatWaterMarkDate(int year, int month, int day) {
  wchar_t buffer[64] = {};
  std::swprintf(buffer, sizeof(buffer) / sizeof(buffer[0]), L"%04d-%02d-%02d", year, month, day);
  return buffer;
}

std::wstring ComposeWaterMarkTextFrom(const CWaterMarkTextParts& parts) {
  std::wstring s = parts.m_strText;
  if (!s.empty() && (parts.m_bShowDate || parts.m_bShowUserName || parts.m_bShowEmployeeId)) {
    s += L'\n';
  }
  bool dateAppended = false;
  bool namesAppended = false;
  if (parts.m_bShowDate) {
    s += FormatWaterMarkDate(parts.m_nYear, parts.m_nMonth, parts.m_nDay);
    dateAppended = true;
  }
  if (parts.m_bShowUserName) {
    if (dateAppended) s += L'&';
    s += parts.m_strUserName;
    s += L'&';
    s += parts.m_strUserNameExtra;
    namesAppended = true;
  }
  if (parts.m_bShowEmployeeId) {
    if (dateAppended || namesAppended) s += L'&';
    s += parts.m_strEmployeeId;
  }
  return s;
}

bool IsShowFlagOn(const ExWChar* flag) { return flag != nullptr && flag[0] == u'1'; }

std::wstring WideFromField(const ExWChar* field, size_t fieldUnits) {
  std::wstring out;
  if (field == nullptr) return out;
  for (size_t i = 0; i < fieldUnits && field[i] != 0; ++i) {
    out.push_back(static_cast<wchar_t>(field[i]));
  }
  return out;
}

size_t AnsiPrefixLength(const char* text, size_t textBytes, size_t bufferBytes,
                        bool (*isLeadByte)(unsigned char)) {
  if (text == nullptr || bufferBytes == 0) return 0;
  const size_t limit = bufferBytes - 1;
  size_t i = 0;
  while (i < textBytes && text[i] != '\0') {
    const auto c = static_cast<unsigned char>(text[i]);
    const bool lead = isLeadByte != nullptr && isLeadByte(c);
    // A lead byte without its trail byte (end of text or a NUL next) stands alone.
    const size_t width = (lead && i + 1 < textBytes && text[i + 1] != '\0') ? 2 : 1;
    if (i + width > limit) break;
    i += width;
  }
  return i;
}

}  // namespace kal
