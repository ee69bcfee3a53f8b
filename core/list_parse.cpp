// CMyFileParse: tokenising the screen-protection list.
#include "core/list_parse.h"

#include <algorithm>
#include <cstdint>
#include <utility>

namespace {
bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}
char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// Calls fn(token) for every non-empty run between bars, trimmed and lower-cased into a buffer
// reused across tokens. A list without a closing bar reads as if it had one.
template <typename Fn>
void ForEachToken(const char* list, size_t maxBytes, Fn&& fn) {
  if (!list) return;
  size_t len = 0;
  while (len < maxBytes && list[len] != '\0') ++len;
  std::string token;
  size_t start = 0;
  for (size_t i = 0; i <= len; ++i) {
    if (i != len && list[i] != '|') continue;
    if (i > start) {
      const char* begin = list + start;
      const char* end = list + i;
      while (begin < end && IsSpace(*begin)) ++begin;
      while (end > begin && IsSpace(end[-1])) --end;
      token.assign(begin, end);
      for (char& c : token) c = LowerAscii(c);
      fn(token);
    }
    start = i + 1;
  }
}
}  // namespace

std::vector<std::string> CMyFileParse::SplitTokens(const char* list, size_t maxBytes) {
  std::vector<std::string> tokens;
  ForEachToken(list, maxBytes, [&](const std::string& token) { tokens.push_back(token); });
  return tokens;
}

int CMyFileParse::Parse(const char* list, size_t maxBytes, CstringFind& set) const {
  // All tokens, converted, end to end in one buffer; views are taken once it stops growing.
  Utf16 storage;
  std::vector<std::pair<size_t, size_t>> spans;
  ForEachToken(list, maxBytes, [&](const std::string& token) {
    size_t offset = storage.size();
    bool ascii = true;
    for (char c : token) ascii = ascii && static_cast<unsigned char>(c) < 0x80;
    if (m_pfnConvert && !ascii) {
      storage += m_pfnConvert(token);
    } else {
      // Every ANSI code page maps the ASCII range onto itself: no conversion call needed.
      for (char c : token) storage.push_back(static_cast<ExWChar>(static_cast<unsigned char>(c)));
    }
    spans.emplace_back(offset, storage.size() - offset);
  });

  // Duplicates are dropped here, in one pass over an open-addressing index of the spans (no
  // allocation per token), so each insertion is a plain head insertion; the set ends up
  // exactly as inserting every token in order would leave it.
  size_t tableSize = 16;
  while (tableSize < spans.size() * 2) tableSize *= 2;
  std::vector<size_t> table(tableSize, 0);  // span index + 1; 0 is empty
  Utf16 text;
  int inserted = 0;
  for (size_t i = 0; i < spans.size(); ++i) {
    const ExWChar* units = storage.data() + spans[i].first;
    const size_t length = spans[i].second;
    uint32_t hash = 2166136261u;  // FNV-1a over the units
    for (size_t k = 0; k < length; ++k) hash = (hash ^ static_cast<uint16_t>(units[k])) * 16777619u;
    size_t slot = hash & (tableSize - 1);
    bool duplicate = false;
    for (; table[slot] != 0; slot = (slot + 1) & (tableSize - 1)) {
      const auto& other = spans[table[slot] - 1];
      if (other.second == length &&
          std::equal(units, units + length, storage.data() + other.first)) {
        duplicate = true;
        break;
      }
    }
    if (duplicate) continue;
    table[slot] = i + 1;
    text.assign(units, units + length);  // the set copies from a terminated string
    inserted += set.InsertKnownAbsent(text.c_str(), text.size(), 0);
  }
  return inserted;
}
