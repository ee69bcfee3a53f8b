// The watermark text as the add-ins get it: policy record from the painter or the cache, names
// and employee id from the agent's sections, date from the clock.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "core/policy.h"
#include "picture/watermark_painter.h"
#include "picture/watermark_pic.h"
#include "tests/picture/system_fixtures.h"

namespace {

using pictest::PutField;

void Flags(_PRINT_EXCHG_INFO& p, bool date, bool names, bool id) {
  PutField(p.showDate, date ? L"1" : L"0");
  PutField(p.showUserName, names ? L"1" : L"0");
  PutField(p.showEmployeeId, id ? L"1" : L"0");
}

// 4 December 2026 (year, month, day of the week, day).
constexpr SYSTEMTIME kDec4 = {2026, 12, 0, 4};

// Sections holding the names and employee id the agent publishes.
struct CAgentUser : pictest::CScopedSections {
  CAgentUser(const char* name, const char* extra, const char* number) {
    if (!Ok()) return;
    pictest::PutAnsi(Block()->userName, 256, name);
    pictest::PutAnsi(Block()->userNameExtra, 256, extra);
    SetUserNumber(number);
  }
};

TEST(ComposeFromAgent, AgentAbsentLeavesALoneAmpersandForTheNames) {
  CWaterMarkPainter painter;
  Flags(painter.m_policy, false, true, false);
  EXPECT_EQ(ComposeWaterMarkText(painter, kDec4), L"&");
  PutField(painter.m_policy.watermarkText, L"CONFIDENTIAL");
  Flags(painter.m_policy, true, true, true);
  EXPECT_EQ(ComposeWaterMarkText(painter, kDec4), L"CONFIDENTIAL\n2026-12-04&&&");
}

TEST(ComposeFromAgent, NamesAndIdComeFromTheSections) {
  CAgentUser sections("alice", "Alice A", "E042");
  ASSERT_TRUE(sections.Ok());
  pictest::PutAnsi(sections.Block()->userPassword, 256, "secret");
  struct Case {
    const wchar_t* text;
    bool date, names, id;
    const wchar_t* expected;
  };
  const Case cases[] = {{L"", true, true, false, L"2026-12-04&alice&Alice A"},
                        {L"", false, true, true, L"alice&Alice A&E042"},
                        {L"", false, false, true, L"E042"},
                        {L"CONFIDENTIAL", false, false, false, L"CONFIDENTIAL"},
                        {L"CONFIDENTIAL", true, false, false, L"CONFIDENTIAL\n2026-12-04"}};
  CWaterMarkPainter painter;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.expected);
    PutField(painter.m_policy.watermarkText, c.text);
    Flags(painter.m_policy, c.date, c.names, c.id);
    EXPECT_EQ(ComposeWaterMarkText(painter, kDec4), c.expected);
  }
  // Without an injected date the text carries the local date of the call.
  EXPECT_EQ(ComposeWaterMarkText(painter), L"CONFIDENTIAL\n" + pictest::Today());
}

TEST(ComposeFromAgent, LongNamesAndIdsAreCutToTheirBuffers) {
  pictest::CScopedSections sections;
  ASSERT_TRUE(sections.Ok());
  // Fields full to the last byte, with no NUL inside them.
  std::memset(sections.Block()->userName, 'n', 256);
  std::memset(sections.Block()->userNameExtra, 'x', 256);
  sections.SetUserNumber(std::string(300, '7'));

  CWaterMarkPainter painter;
  Flags(painter.m_policy, false, true, true);
  const std::wstring text = ComposeWaterMarkText(painter, kDec4);
  EXPECT_EQ(text, std::wstring(63, L'n') + L"&" + std::wstring(63, L'x') + L"&" +
                      std::wstring(255, L'7'));
}

TEST(ComposeFromAgent, AnsiNamesAreConvertedFromTheSystemCodePage) {
  const char name[] = "Ren\xE9";
  CAgentUser sections(name, "B", "");
  ASSERT_TRUE(sections.Ok());
  wchar_t expected[8] = {};
  ASSERT_EQ(MultiByteToWideChar(CP_ACP, 0, name, -1, expected, 8), 5);
  CWaterMarkPainter painter;
  Flags(painter.m_policy, false, true, false);
  const std::wstring text = ComposeWaterMarkText(painter, kDec4);
  EXPECT_EQ(text, std::wstring(expected) + L"&B");
  if (GetACP() == 1252) {
    EXPECT_EQ(text, L"Ren\u00E9&B");
  }
}

TEST(ComposeFromAgent, GetWaterMarkTextUsesTheCachedRecord) {
  const CWatermarkPolicyCache saved = WatermarkPolicyCache;
  CAgentUser sections("bob", "Bob B", "7");
  ASSERT_TRUE(sections.Ok());
  std::memset(&WatermarkPolicyCache.record, 0, sizeof(WatermarkPolicyCache.record));
  PutField(WatermarkPolicyCache.record.watermarkText, L"INTERNAL USE");
  Flags(WatermarkPolicyCache.record, true, true, true);
  EXPECT_EQ(GetWaterMarkText(), L"INTERNAL USE\n" + pictest::Today() + L"&bob&Bob B&7");
  std::memset(&WatermarkPolicyCache.record, 0, sizeof(WatermarkPolicyCache.record));
  EXPECT_EQ(GetWaterMarkText(), L"");
  WatermarkPolicyCache = saved;
}

TEST(ComposeFromAgent, TextFieldWithoutNulIsCutAtTheFieldEnd) {
  CWaterMarkPainter painter;
  const size_t units = sizeof(painter.m_policy.watermarkText) / sizeof(ExWChar);
  for (size_t i = 0; i < units; ++i) painter.m_policy.watermarkText[i] = u'w';
  // The field after the text must not leak into it.
  painter.m_policy.watermodelflag = 0x00410041;
  EXPECT_EQ(ComposeWaterMarkText(painter, kDec4), std::wstring(units, L'w'));
}

}  // namespace
