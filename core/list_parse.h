// CMyFileParse: turns the agent's "|"-separated ANSI list of process names into a CstringFind.
// Pure code, free of windows.h: the ANSI-to-UTF-16 conversion is passed in.
#pragma once
#include <cstddef>
#include <string>
#include <vector>

#include "core/string_find.h"

class CMyFileParse {
 public:
  using Utf16 = std::basic_string<ExWChar>;
  // Converts one ANSI token to UTF-16 (the caller's code page).
  using Converter = Utf16 (*)(const std::string& ansi);

  explicit CMyFileParse(Converter convert) : m_pfnConvert(convert) {}

  // Tokens of the list (read up to a NUL or maxBytes): runs between bars, empty runs skipped,
  // each stripped of white space at both ends and lower-cased (a blank run gives "").
  static std::vector<std::string> SplitTokens(const char* list, size_t maxBytes);

  // Inserts every token, converted, with value 0; returns how many were inserted.
  int Parse(const char* list, size_t maxBytes, CstringFind& set) const;

 private:
  Converter m_pfnConvert;
};
