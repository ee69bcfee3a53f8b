// CMyFileParse: tokenising the screen-protection list.
#include "core/list_parse.h"

namespace {
bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}
char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

std::string Clean(const char* begin, const char* end) {
  while (begin < end && IsSpace(*begin)) ++begin;
  while (end > begin && IsSpace(end[-1])) --end;
  std::string token(begin, end);
  for (char& c : token) c = LowerAscii(c);
  return token;
}
}  // namespace

std::vector<std::string> CMyFileParse::SplitTokens(const char* list, size_t maxBytes) {
  std::vector<std::string> tokens;
  if (!list) return tokens;
  size_t len = 0;
  while (len < maxBytes && list[len] != '\0') ++len;
  // A list without a closing bar is read as if it had one: the last run ends at len.
  size_t start = 0;
  for (size_t i = 0; i <= len; ++i) {
    if (i == len || list[i] == '|') {
      if (i > start) tokens.push_back(Clean(list + start, list + i));
      start = i + 1;
    }
  }
  return tokens;
}

int CMyFileParse::Parse(const char* list, size_t maxBytes, CstringFind& set) const {
  int inserted = 0;
  for (const std::string& token : SplitTokens(list, maxBytes)) {
    Utf16 wide = m_pfnConvert ? m_pfnConvert(token) : Utf16();
    if (!m_pfnConvert) {
      for (char c : token) wide.push_back(static_cast<unsigned char>(c));
    }
    inserted += set.Insert(wide.c_str(), 0);
  }
  return inserted;
}
