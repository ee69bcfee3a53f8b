// Composition of the watermark text and the pure rules of the picture job, on plain values.
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <string>
#include <vector>

#include "picture/picture_rules.h"
#include "picture/watermark_text.h"

namespace {

kal::CWaterMarkTextParts Parts(const std::wstring& text, bool date, bool names, bool id) {
  kal::CWaterMarkTextParts p;
  p.m_strText = text;
  p.m_bShowDate = date;
  p.m_bShowUserName = names;
  p.m_bShowEmployeeId = id;
  p.m_nYear = 2026;
  p.m_nMonth = 12;
  p.m_nDay = 4;
  p.m_strUserName = L"alice";
  p.m_strUserNameExtra = L"Alice A";
  p.m_strEmployeeId = L"E042";
  return p;
}

TEST(WaterMarkTextCompose, SecondLineJoinedByAmpersandWithoutStrayLineFeedOrAmpersand) {
  struct Case {
    const wchar_t* text;
    bool date, names, id;
    const wchar_t* expected;
  };
  const Case cases[] = {
      {L"CONFIDENTIAL", false, false, false, L"CONFIDENTIAL"},
      {L"CONFIDENTIAL", true, false, false, L"CONFIDENTIAL\n2026-12-04"},
      {L"CONFIDENTIAL", true, true, true, L"CONFIDENTIAL\n2026-12-04&alice&Alice A&E042"},
      {L"CONFIDENTIAL", false, true, false, L"CONFIDENTIAL\nalice&Alice A"},
      {L"CONFIDENTIAL", false, false, true, L"CONFIDENTIAL\nE042"},
      {L"CONFIDENTIAL", true, false, true, L"CONFIDENTIAL\n2026-12-04&E042"},
      {L"", true, true, false, L"2026-12-04&alice&Alice A"},
      {L"", false, true, true, L"alice&Alice A&E042"},
      {L"", false, false, true, L"E042"},
      {L"", false, false, false, L""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.date << c.names << c.id);
    EXPECT_EQ(kal::ComposeWaterMarkTextFrom(Parts(c.text, c.date, c.names, c.id)), c.expected);
  }
}

TEST(WaterMarkTextCompose, MissingNamesLeaveTheirSeparators) {
  kal::CWaterMarkTextParts p = Parts(L"", false, true, false);
  p.m_strUserName.clear();
  p.m_strUserNameExtra.clear();
  EXPECT_EQ(kal::ComposeWaterMarkTextFrom(p), L"&");
  p = Parts(L"X", true, true, true);
  p.m_strUserName.clear();
  p.m_strUserNameExtra.clear();
  p.m_strEmployeeId.clear();
  EXPECT_EQ(kal::ComposeWaterMarkTextFrom(p), L"X\n2026-12-04&&&");
  // The date is zero-padded.
  EXPECT_EQ(kal::FormatWaterMarkDate(2027, 1, 5), L"2027-01-05");
  EXPECT_EQ(kal::FormatWaterMarkDate(999, 10, 31), L"0999-10-31");
}

TEST(WaterMarkTextFields, ShowFlagIsTheCharacterOneAndFieldsWithoutNulAreCut) {
  const ExWChar flags[5][2] = {{u'1', 0}, {u'1', u'x'}, {u'0', 0}, {u'2', 0}, {0, u'1'}};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(kal::IsShowFlagOn(flags[i]), i < 2) << i;

  const ExWChar field[6] = {u'a', u'b', u'c', u'd', u'e', u'f'};
  EXPECT_EQ(kal::WideFromField(field, 4), L"abcd");
  const ExWChar withNul[6] = {u'a', u'b', 0, u'd', u'e', u'f'};
  EXPECT_EQ(kal::WideFromField(withNul, 6), L"ab");
}

bool NoLeadBytes(unsigned char) { return false; }
bool HighBitLeads(unsigned char c) { return c >= 0x80; }

TEST(WaterMarkTextFields, AnsiPrefixFitsTheBufferWithItsNul) {
  const std::string longName(100, 'a');
  EXPECT_EQ(kal::AnsiPrefixLength(longName.c_str(), longName.size(), 64, NoLeadBytes), 63u);
  EXPECT_EQ(kal::AnsiPrefixLength("alice", 6, 64, NoLeadBytes), 5u);
  const char noNul[4] = {'a', 'b', 'c', 'd'};
  EXPECT_EQ(kal::AnsiPrefixLength(noNul, 4, 64, NoLeadBytes), 4u);
  EXPECT_EQ(kal::AnsiPrefixLength("abc", 3, 0, NoLeadBytes), 0u);
  // A double-byte character that would straddle the limit is left out whole.
  std::string dbcs(62, 'a');
  dbcs += "\x82\xA0";
  EXPECT_EQ(kal::AnsiPrefixLength(dbcs.c_str(), dbcs.size(), 64, HighBitLeads), 62u);
  EXPECT_EQ(kal::AnsiPrefixLength(dbcs.c_str(), dbcs.size(), 65, HighBitLeads), 64u);
  // A lead byte right before the NUL counts alone.
  EXPECT_EQ(kal::AnsiPrefixLength("a\x82", 3, 64, HighBitLeads), 2u);
}

TEST(AgentDirRule, TrimsCharactersOfTheExeNameNotTheSuffix) {
  EXPECT_EQ(kal::TrimRightCharSet(L"C:\\Agent\\TavRegedit.exe", kal::kAgentExeName),
            L"C:\\Agent\\");
  EXPECT_EQ(kal::TrimRightCharSet(L"C:\\Agent\\exe.Tav", kal::kAgentExeName), L"C:\\Agent\\");
  // "Agent" ends in characters of the set too: without a backslash the trim eats into it.
  EXPECT_EQ(kal::TrimRightCharSet(L"C:\\Agent", kal::kAgentExeName), L"C:\\Agen");
  EXPECT_EQ(kal::TrimRightCharSet(L"taxi", kal::kAgentExeName), L"");
  EXPECT_EQ(kal::TrimRightCharSet(L"", kal::kAgentExeName), L"");
}

std::basic_string<unsigned char> Utf16Bytes(const std::wstring& s, bool withNul) {
  std::basic_string<unsigned char> b;
  for (wchar_t c : s) {
    b.push_back(static_cast<unsigned char>(c & 0xFF));
    b.push_back(static_cast<unsigned char>((c >> 8) & 0xFF));
  }
  if (withNul) b.append(2, 0);
  return b;
}

TEST(AgentDirRule, RunValueBytesAreBoundedByTheirLength) {
  auto v = Utf16Bytes(L"D:\\Tools\\TavRegedit.exe", true);
  EXPECT_EQ(kal::AgentDirFromRunValue(v.data(), v.size()), L"D:\\Tools\\");
  // Not NUL-terminated: only the bytes given count.
  v = Utf16Bytes(L"D:\\Tools\\TavRegedit.exeGARBAGE", false);
  EXPECT_EQ(kal::AgentDirFromRunValue(v.data(), Utf16Bytes(L"D:\\Tools\\Tav", false).size()),
            L"D:\\Tools\\");
  // An odd trailing byte is not half a character.
  v = Utf16Bytes(L"C:\\A\\T", false);
  v.push_back('Z');
  EXPECT_EQ(kal::AgentDirFromRunValue(v.data(), v.size()), L"C:\\A\\");
  EXPECT_EQ(kal::AgentDirFromRunValue(nullptr, 10), L"");
}

TEST(DirectoryChain, DrivePathsCreateEveryDirectoryAfterTheRootUncAfterServerAndShare) {
  using V = std::vector<std::wstring>;
  EXPECT_EQ(kal::DirectoryChainPrefixes(L"C:\\a\\b\\"), (V{L"C:\\a", L"C:\\a\\b"}));
  EXPECT_EQ(kal::DirectoryChainPrefixes(L"C:\\a\\b"), (V{L"C:\\a"}));
  EXPECT_EQ(kal::DirectoryChainPrefixes(L"C:\\Users\\u\\AppData\\Roaming\\KalTemp\\"),
            (V{L"C:\\Users", L"C:\\Users\\u", L"C:\\Users\\u\\AppData",
               L"C:\\Users\\u\\AppData\\Roaming", L"C:\\Users\\u\\AppData\\Roaming\\KalTemp"}));
  for (const wchar_t* none : {L"C:\\", L"relative", L""})
    EXPECT_EQ(kal::DirectoryChainPrefixes(none), V{}) << none;
  EXPECT_EQ(kal::DirectoryChainPrefixes(L"\\\\srv\\share\\a\\b\\"),
            (V{L"\\\\srv\\share\\a", L"\\\\srv\\share\\a\\b"}));
  for (const wchar_t* none : {L"\\\\srv\\share\\", L"\\\\srv\\share", L"\\\\srv"})
    EXPECT_EQ(kal::DirectoryChainPrefixes(none), V{}) << none;
}

TEST(PictureNames, FileNameCarriesTheProcessIdAndMemberTakesWholePathsOnly) {
  EXPECT_EQ(kal::PictureFileName(4711), L"watermarkxlsx4711.jpg");
  EXPECT_EQ(kal::PictureFileName(0), L"watermarkxlsx0.jpg");
  wchar_t member[8];
  std::fill(std::begin(member), std::end(member), L'#');
  EXPECT_TRUE(kal::CopyPathToMember(L"C:\\abcd", member, 8));
  EXPECT_EQ(std::wstring(member), L"C:\\abcd");
  std::fill(std::begin(member), std::end(member), L'#');
  // Eight units and a NUL do not fit in eight: the member stays as it was.
  EXPECT_FALSE(kal::CopyPathToMember(L"C:\\abcde", member, 8));
  for (wchar_t c : member) EXPECT_EQ(c, L'#');
}

TEST(DrawingGeometry, LayoutIsCentredOnThreeQuartersByAThird) {
  const kal::CLayoutRectF r = kal::WaterMarkLayoutRect(1000.0f, 600.0f);
  EXPECT_FLOAT_EQ(r.x, -375.0f);
  EXPECT_FLOAT_EQ(r.y, -100.0f);
  EXPECT_FLOAT_EQ(r.width, 750.0f);
  EXPECT_FLOAT_EQ(r.height, 200.0f);
  const kal::CLayoutRectF odd = kal::WaterMarkLayoutRect(1921.0f, 1081.0f);
  EXPECT_FLOAT_EQ(odd.x + odd.width / 2, 0.0f);
  EXPECT_FLOAT_EQ(odd.y + odd.height / 2, 0.0f);
  EXPECT_FLOAT_EQ(odd.width, 1921.0f * 0.75f);
  EXPECT_FLOAT_EQ(odd.height, 1081.0f / 3);
}

TEST(DrawingGeometry, AlphaIsLowByteOfTheComplementAndEmAddsTen) {
  const int alpha[][2] = {{0, 255}, {128, 127}, {255, 0}, {256, 255}, {300, 211}};
  for (const auto& a : alpha) EXPECT_EQ(kal::WaterMarkBrushAlpha(a[0]), a[1]) << a[0];
  EXPECT_FLOAT_EQ(kal::WaterMarkEmSize(0), 10.0f);
  EXPECT_FLOAT_EQ(kal::WaterMarkEmSize(30), 40.0f);
  // Taken as signed: a huge size wraps to a negative em size rather than a huge positive one.
  EXPECT_FLOAT_EQ(kal::WaterMarkEmSize(0xFFFFFFF0u), -6.0f);
}

}  // namespace
