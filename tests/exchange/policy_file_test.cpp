// The agent's policy file and the pure rules that publish it.
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "exchange/list_rules.h"
#include "tests/exchange/section_fixture.h"
#include "tools/agent/policy_file.h"

using kal::agent::CAgentPolicy;
using kal::agent::CRunningProcess;

namespace {
std::unique_ptr<ExchangeBlock> NewBlock() { return kaltest::Filled<ExchangeBlock>(0); }

std::vector<int> Units(const ExWChar* field, size_t n) {
  return std::vector<int>(field, field + n);
}

CAgentPolicy Parsed(const std::string& text) {
  CAgentPolicy p;
  std::string error;
  EXPECT_TRUE(kal::agent::ParsePolicy(text, &p, &error)) << error;
  return p;
}

std::string ParseError(const std::string& text) {
  CAgentPolicy p;
  std::string error;
  EXPECT_FALSE(kal::agent::ParsePolicy(text, &p, &error)) << text;
  return error;
}
}  // namespace

TEST(PolicyFile, ParsesSectionsKeysAndProcessEntries) {
  const CAgentPolicy p = Parsed(
      "\xEF\xBB\xBF# comment\n; also a comment\n[User]\r\n  Name = Ann Lee  \r\n"
      "[watermark]\nfontSize = 0x20\nmodelFlag=1\ntext = a\\nb\\\\c\n"
      "[processes]\nprotect = winword.exe readonly=1\nprotect = pid:77 print=1\nsmart = pid:8\n");
  EXPECT_EQ(p.m_strUserName, "Ann Lee");
  EXPECT_EQ(p.m_print.watermarkFontSize, 32u);
  EXPECT_EQ(p.m_print.watermodelflag, 1u);
  EXPECT_EQ(std::wstring(p.m_print.watermarkText), L"a\nb\\c");
  ASSERT_EQ(p.m_protect.size(), 2u);
  EXPECT_EQ(p.m_protect[0].m_strExeName, "winword.exe");
  EXPECT_EQ(p.m_protect[0].m_nReadOnly, 1u);
  EXPECT_EQ(p.m_protect[0].m_nPrint, 0u);
  EXPECT_EQ(p.m_protect[1].m_nPid, 77u);
  EXPECT_EQ(p.m_protect[1].m_nPrint, 1u);
  ASSERT_EQ(p.m_smart.size(), 1u);
  EXPECT_EQ(p.m_smart[0].m_nPid, 8u);
}

TEST(PolicyFile, RejectsWhatItDoesNotUnderstandAndNamesTheLine) {
  EXPECT_NE(ParseError("[user]\nnaem = x\n").find("line 2"), std::string::npos);
  EXPECT_NE(ParseError("name = x\n").find("outside a known section"), std::string::npos);
  for (const char* text :
       {"[watermark]\nfontSize = big\n", "[watermark]\nfontSize = -3\n",
        "[watermark]\ntransparency = 99999999999\n", "[user\nname = x\n", "[user]\njust text\n",
        "[processes]\nprotect = pid:0\n", "[processes]\nprotect = a.exe readonly\n",
        "[processes]\nprotect = a.exe colour=1\n", "[processes]\nprotect =\n",
        "[nosuch]\nkey = 1\n"})
    ParseError(text);
}

TEST(PolicyFile, Utf8BecomesUtf16WithinTheField) {
  ExWChar field[8];
  std::memset(field, 0x55, sizeof(field));
  // e-acute (2 bytes), euro (3 bytes), G clef (4 bytes: a surrogate pair)
  kal::agent::Utf8ToField("\xC3\xA9\xE2\x82\xAC\xF0\x9D\x84\x9E", field, 8);
  EXPECT_EQ(Units(field, 5), (std::vector<int>{0x00E9, 0x20AC, 0xD834, 0xDD1E, 0}));
  EXPECT_EQ(kal::agent::FieldToUtf8(field, 8), "\xC3\xA9\xE2\x82\xAC\xF0\x9D\x84\x9E");

  // Too long: cut to fieldUnits-1 and terminated; a pair that does not fit is dropped whole.
  ExWChar small[4];
  kal::agent::Utf8ToField("ab\xF0\x9D\x84\x9E", small, 4);
  EXPECT_EQ(Units(small, 3), (std::vector<int>{'a', 'b', 0}));
  kal::agent::Utf8ToField("abcdef", small, 4);
  EXPECT_EQ(small[3], 0);
  EXPECT_EQ(kal::agent::FieldToUtf8(small, 4), "abc");

  // Broken sequences turn into U+FFFD instead of swallowing the next characters.
  ExWChar bad[8];
  kal::agent::Utf8ToField("\xC3x\xFFy", bad, 8);
  EXPECT_EQ(Units(bad, 4), (std::vector<int>{0xFFFD, 'x', 0xFFFD, 'y'}));
  // A field without NUL is read up to its end only.
  ExWChar full[3] = {'x', 'y', 'z'};
  EXPECT_EQ(kal::agent::FieldToUtf8(full, 3), "xyz");
}

TEST(PolicyFile, ApplyRebuildsTheListsAndWritesEveryField) {
  auto b = NewBlock();
  b->tavInfoCount = 3;  // left over from an earlier policy
  b->tavInfo[0].processId = 999;
  kal::agent::ApplyPolicy(
      Parsed("[user]\nname=n\nextra=x\npassword=p\nemployeeId=e\n[watermark]\nreadWatermark=1\n"
             "[processes]\nprotect = pid:5 readonly=1\nprotect = word.exe\nsmart = pid:6\n"
             "[screen]\nprotectScreen=A|B\n[keys]\nip=1.1.1.1\nport=2\ntavKey=t\ndyKey=d\n"),
      *b);
  EXPECT_STREQ(b->userName, "n");
  EXPECT_STREQ(b->userNameExtra, "x");
  EXPECT_STREQ(b->userPassword, "p");
  EXPECT_STREQ(b->userEmployeeId, "e");
  EXPECT_EQ(b->printPolicy.readWatermark, 1u);
  EXPECT_STREQ(b->protectScreen, "A|B");
  EXPECT_STREQ(b->currentIp, "1.1.1.1");
  EXPECT_STREQ(b->tavKey, "t");
  ASSERT_EQ(b->tavInfoCount, 1);  // only the entry given by id; names wait for the scan
  EXPECT_EQ(b->tavInfo[0].processId, 5u);
  EXPECT_EQ(b->tavInfo[0].infoId, 5u);
  EXPECT_EQ(b->tavInfo[0].readOnlyFlag, 1u);
  ASSERT_EQ(b->smartInfoCount, 1);
  EXPECT_EQ(b->smartInfo[0].processId, 6u);
}

TEST(PolicyFile, ScanAddsNamedProcessesOnceAndDropsEndedOnes) {
  auto b = NewBlock();
  const CAgentPolicy p =
      Parsed("[processes]\nprotect = WINWORD.EXE readonly=1 print=1\nsmart = excel.exe\n");
  std::vector<uint32_t> added;
  std::vector<CRunningProcess> running = {
      {10, "winword.exe"}, {11, "Excel.exe"}, {12, "other.exe"}};
  kal::agent::ApplyProcessScan(p, running, added, *b);
  ASSERT_EQ(b->tavInfoCount, 1);
  EXPECT_EQ(b->tavInfo[0].processId, 10u);
  EXPECT_EQ(b->tavInfo[0].printFlag, 1u);
  ASSERT_EQ(b->smartInfoCount, 1);
  EXPECT_EQ(b->smartInfo[0].processId, 11u);

  // A record another client added for a process stays, even when that process is gone.
  _TAV_EXCHG_INFO foreign{};
  foreign.infoId = 500;
  foreign.processId = 50;
  kal::rules::AddTav(*b, foreign);
  kal::agent::ApplyProcessScan(p, running, added, *b);  // second scan: nothing new
  EXPECT_EQ(b->tavInfoCount, 2);

  running = {{11, "excel.exe"}, {13, "WinWord.exe"}};
  kal::agent::ApplyProcessScan(p, running, added, *b);
  EXPECT_EQ(kal::rules::FindTavByProcessId(*b, 10), -1);
  EXPECT_GE(kal::rules::FindTavByProcessId(*b, 13), 0);
  EXPECT_GE(kal::rules::FindTavByProcessId(*b, 50), 0);
  EXPECT_EQ(kal::rules::FindSmart(*b, 11), 0);
  EXPECT_EQ(b->tavInfoCount, 2);
}
