// Pure rules: colour text, the string set and its hash, the list parser, password text,
// the automation switch and bounded trace formatting.
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "core/color_rule.h"
#include "core/command_line.h"
#include "core/list_parse.h"
#include "core/password.h"
#include "core/readonly.h"
#include "core/string_find.h"
#include "core/trace.h"

namespace {
uint32_t Color(const wchar_t* text, size_t maxUnits = 20) {
  return ColorFromWatermarkText(text, maxUnits);
}
}  // namespace

TEST(ColorRule, TextFormsPackRedLow) {
  const struct {
    const wchar_t* text;
    uint32_t color;
  } cases[] = {{L"255,0,0", 0x0000FFu},
               {L" 0,128,255 ", 0xFF8000u},
               {L"1,2,3", 0x030201u},
               {L"\t0x11,34,51", 0x332200u},  // "0x11" reads as 0, as _wtoi reads it
               {L"", 0xC0C0C0u},
               {L"   \t ", 0xC0C0C0u},
               {L"7", 0u},            // no comma: black
               {L",5,6", 0u},         // comma only at the start: black
               {L"200,", 0x0000C8u},  // one comma: red alone
               {L"200,17", 0x0000C8u},
               {L"200,,9", 0x0000C8u},            // second comma first in the rest: red alone
               {L"0, 255 ,x", 0x00FF00u},         // non-digit reads as 0
               {L"300,0,0", 0x00002Cu},           // 300 & 0xFF
               {L"-1,0,0", 0x0000FFu},            // -1 & 0xFF
               {L"99999999999,0,0", 0x0000FFu}};  // saturates to INT_MAX, low byte FF
  for (const auto& c : cases) EXPECT_EQ(c.color, Color(c.text)) << c.text;
}

TEST(ColorRule, ReadsNoFurtherThanTheField) {
  // 20 units without a NUL: the rest of the buffer must not be looked at.
  wchar_t field[26] = L"1,2,3                ";
  for (int i = 5; i < 20; ++i) field[i] = L' ';
  field[20] = L'9';  // past the field: would turn blue into 39 if read
  field[21] = L'0';
  field[22] = 0;
  EXPECT_EQ(0x030201u, Color(field, 20));
  // Cut inside a component: "12,34,56" limited to 7 units reads blue as 5.
  EXPECT_EQ(0x05220Cu, Color(L"12,34,56", 7));
  EXPECT_EQ(0xC0C0C0u, ColorFromWatermarkText(nullptr, 20));
}

TEST(StringFindHash, MatchesValuesWorkedOutFromTheRule) {
  // Worked by hand: "a" -> 97 mod 64 = 33; then a = 21415*27183 mod 63 = 39 and
  // "ab" -> (39*33 + 98) mod 64 = 41.
  const std::pair<std::wstring, int> cases[] = {{L"", 0},
                                                {L"a", 33},
                                                {L"ab", 41},
                                                {L"winword.exe", 15},
                                                {L"excel.exe", 29},
                                                {L"powerpnt.exe", 29},
                                                {L"notepad.exe", 63}};
  for (const auto& c : cases)
    EXPECT_EQ(c.second, CstringFind::Hash(c.first.c_str(), c.first.size(), 64)) << c.second;
}

TEST(StringFind, BucketPlacementHeadInsertionAndExactMatch) {
  CstringFind set;
  EXPECT_EQ(64u, set.BucketCount());
  EXPECT_EQ(1, set.Insert(L"excel.exe", 7));
  EXPECT_EQ(1, set.Insert(L"powerpnt.exe", 8));
  EXPECT_EQ(1, set.Insert(L"winword.exe", 9));
  EXPECT_EQ(3u, set.Count());
  // excel.exe and powerpnt.exe share bucket 29; the later insertion is the head.
  const CstringFind::Entry* head = set.Bucket(29);
  ASSERT_NE(nullptr, head);
  EXPECT_EQ(std::wstring(L"powerpnt.exe"), std::wstring(head->m_pszText));
  EXPECT_EQ(12u, head->m_uLength);
  EXPECT_EQ(8u, head->m_uValue);
  ASSERT_NE(nullptr, head->m_pNext);
  EXPECT_EQ(std::wstring(L"excel.exe"), std::wstring(head->m_pNext->m_pszText));
  EXPECT_EQ(nullptr, head->m_pNext->m_pNext);
  ASSERT_NE(nullptr, set.Bucket(15));
  EXPECT_EQ(std::wstring(L"winword.exe"), std::wstring(set.Bucket(15)->m_pszText));
  for (uint32_t b = 0; b < 64; ++b)
    EXPECT_TRUE(b == 15 || b == 29 || set.Bucket(b) == nullptr) << b;

  EXPECT_EQ(1, set.Find(L"excel.exe"));
  for (const wchar_t* almost : {L"EXCEL.EXE" /* case-sensitive */, L"excel.ex", L"excel.exe "})
    EXPECT_EQ(0, set.Find(almost));
  EXPECT_EQ(0, set.Insert(L"excel.exe", 1));  // duplicate
  EXPECT_EQ(3u, set.Count());
  EXPECT_EQ(0, set.Insert(nullptr, 0));
  EXPECT_EQ(0, set.Find(nullptr));
}

TEST(StringFind, ClearEmptiesAndAllowsReuse) {
  CstringFind set;
  for (int i = 0; i < 500; ++i) ASSERT_EQ(1, set.Insert(std::to_wstring(i).c_str(), i));
  EXPECT_EQ(500u, set.Count());
  EXPECT_EQ(1, set.Find(L"499"));
  set.Clear();
  EXPECT_EQ(0u, set.Count());
  EXPECT_EQ(0, set.Find(L"499"));
  for (uint32_t b = 0; b < 64; ++b) EXPECT_EQ(nullptr, set.Bucket(b));
  EXPECT_EQ(1, set.Insert(L"", 0));  // the empty string is a member like any other
  EXPECT_EQ(1, set.Find(L""));
}

TEST(ListParse, TokensTrimmedLoweredEmptyRunsSkippedWithinTheBound) {
  char unterminated[12];
  std::memcpy(unterminated, "aa|bb|ccXYZW", 12);  // no NUL anywhere
  const struct {
    const char* list;
    size_t bound;
    std::vector<std::string> tokens;
  } cases[] = {{"  WinWord.EXE |excel.exe||| \t |PowerPnt.exe",
                4096,
                {"winword.exe", "excel.exe", "" /* white space only */, "powerpnt.exe"}},
               {"", 10, {}},
               {"|||", 10, {}},
               {nullptr, 10, {}},
               {"a.exe|", 10, {"a.exe"}},
               {unterminated, 8, {"aa", "bb", "cc"}}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.list ? std::string(c.list, strnlen(c.list, c.bound)) : "null");
    EXPECT_EQ(c.tokens, CMyFileParse::SplitTokens(c.list, c.bound));
  }
}

TEST(ListParse, ParseConvertsNonAsciiTokensAndDropsDuplicates) {
  // Non-ASCII tokens go through the code-page converter; ASCII ones are widened as they are.
  CMyFileParse parser([](const std::string& s) {
    CMyFileParse::Utf16 w;
    for (char c : s) w.push_back(static_cast<ExWChar>(0x4E00 + static_cast<unsigned char>(c)));
    return w;
  });
  CstringFind set;
  EXPECT_EQ(3, parser.Parse(" A.exe|b.EXE|a.exe|\xC4\xE3.exe|\xC4\xE3.EXE", 100, set));
  EXPECT_EQ(3u, set.Count());
  EXPECT_EQ(1, set.Find(L"a.exe"));
  EXPECT_EQ(1, set.Find(L"b.exe"));
  CMyFileParse::Utf16 converted;
  for (unsigned char c : std::string("\xC4\xE3.exe")) converted.push_back(0x4E00 + c);
  EXPECT_EQ(1, set.Find(converted.c_str()));
  // The set looks exactly as inserting each token in turn leaves it: later ones at the head.
  CstringFind reference;
  reference.Insert(L"a.exe", 0);
  reference.Insert(L"b.exe", 0);
  reference.Insert(converted.c_str(), 0);
  for (uint32_t b = 0; b < 64; ++b) {
    const CstringFind::Entry* x = set.Bucket(b);
    const CstringFind::Entry* y = reference.Bucket(b);
    for (; x && y; x = x->m_pNext, y = y->m_pNext)
      EXPECT_EQ(std::wstring(y->m_pszText), std::wstring(x->m_pszText)) << b;
    EXPECT_EQ(x == nullptr, y == nullptr) << b;
  }
}

TEST(ListParse, ManyNamesThatShareBuckets) {
  // Names differing only in their middle crowd into few buckets under this hash; every one
  // must still be found, and none that is absent.
  std::string list;
  for (int i = 0; i < 2000; ++i) list += " Protected_" + std::to_string(1000 + i) + ".EXE |";
  CstringFind set;
  EXPECT_EQ(2000, CMyFileParse(nullptr).Parse(list.c_str(), list.size(), set));
  for (int i = 0; i < 2000; i += 37) {
    std::wstring name = L"protected_" + std::to_wstring(1000 + i) + L".exe";
    EXPECT_EQ(1, set.Find(name.c_str())) << i;
  }
  EXPECT_EQ(0, set.Find(L"protected_3000.exe"));
  EXPECT_EQ(0, set.Insert(L"protected_1999.exe", 0));  // already there
}

TEST(Password, TextFormsOfBytesAndTickCount) {
  const uint8_t bytes[16] = {0x00, 0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD,
                             0xEF, 0xF0, 0x0F, 0x10, 0x9A, 0xBC, 0xDE, 0xFF};
  EXPECT_EQ(L"000123456789ABCDEFF00F109ABCDEFF", PasswordFromBytes(bytes));
  EXPECT_EQ(L"KAL0", FallbackPassword(0));
  EXPECT_EQ(L"KAL123456", FallbackPassword(123456));
  EXPECT_EQ(L"KAL-1", FallbackPassword(0xFFFFFFFFu));  // signed decimal
}

TEST(Password, FreshPasswordsAreDistinctHexOfThirtyTwo) {
  std::set<std::wstring> seen;
  for (int i = 0; i < 50; ++i) {
    std::wstring p = MakeProtectPassword();
    ASSERT_EQ(32u, p.size()) << i;
    for (wchar_t c : p) EXPECT_TRUE((c >= L'0' && c <= L'9') || (c >= L'A' && c <= L'F')) << i;
    seen.insert(p);
  }
  EXPECT_EQ(50u, seen.size());
}

TEST(AutomationSwitch, SubstringInAnyCase) {
  for (const wchar_t* on : {L"\"C:\\Office\\WINWORD.EXE\" /Automation -Embedding",
                            L"excel.exe -AUTOMATION", L"x/automationy"})
    EXPECT_TRUE(HasAutomationSwitch(on));
  for (const wchar_t* off : {L"winword.exe /embedding automation", L"winword.exe /automatio", L""})
    EXPECT_FALSE(HasAutomationSwitch(off));
  EXPECT_FALSE(HasAutomationSwitch(nullptr));
  EXPECT_FALSE(ProcessHasAutomationSwitch());  // the test runner is started without it
}

TEST(TraceFormat, WideArgumentsAndTruncation) {
  EXPECT_EQ(L"user \u5B8B\u4F53 pid 42 err -5",
            FormatTraceW(L"user %s pid %ld err %d", L"\u5B8B\u4F53", 42L, -5));
  std::wstring longText(5000, L'x');
  std::wstring out = FormatTraceW(L"<%s>", longText.c_str());
  ASSERT_EQ(kTraceBufferUnits - 1, out.size());
  EXPECT_EQ(L'<', out[0]);
  EXPECT_EQ(L'x', out.back());
  std::wstring exact(kTraceBufferUnits - 1, L'y');
  EXPECT_EQ(exact, FormatTraceW(L"%s", exact.c_str()));
}
