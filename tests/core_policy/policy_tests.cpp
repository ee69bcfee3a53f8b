// The watermark decision over the agent's section, run inside this test process with the
// identity (executable path, process id) passed in, plus the process-wide cache.
// This executable's name contains "winword.exe", so IsHasWatermark decides for it as well.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "core/policy.h"
#include "tests/exchange/section_fixture.h"
#include "tests/support/dbwin_capture.h"

using kaltest::CTestExchangeSection;

namespace {
// Debugger lines arrive through another thread; on a busy machine that can take a while.
constexpr DWORD kWaitMs = 10000;

const std::wstring kWord = L"C:\\Program Files\\Microsoft Office\\WINWORD.EXE";
constexpr DWORD kPid = 4242;

class WatermarkDecision : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(m_section.Ok());
    m_section.SetUser("alice");
    m_section.SetWatermarkPolicy(1, 1);
    m_record = kaltest::Filled<_PRINT_EXCHG_INFO>(0xAB);
  }
  int Decide(const std::wstring& path = kWord, DWORD pid = kPid) {
    return kal::GetWatermarkFor(path, pid, m_record.get(), sizeof(*m_record));
  }
  bool RecordUntouched() const {
    return kaltest::AllBytes(m_record.get(), sizeof(*m_record), 0xAB);
  }

  CTestExchangeSection m_section;
  std::unique_ptr<_PRINT_EXCHG_INFO> m_record;
};
}  // namespace

TEST_F(WatermarkDecision, ProcessNameRules) {
  m_section.AddTav(kPid);
  for (const wchar_t* name :
       {L"WINWORD.EXE", L"winword.exe", L"my_winword.exe_copy.exe", L"Excel.exe", L"POWERPNT.EXE"})
    EXPECT_EQ(1, Decide(std::wstring(L"C:\\x\\") + name)) << name;
  std::memset(m_record.get(), 0xAB, sizeof(*m_record));
  // Only the name after the last backslash counts; without a backslash there is none.
  for (const wchar_t* path :
       {L"C:\\x\\notepad2.exe", L"C:\\winword.exe\\notepad.exe", L"WINWORD.EXE", L""})
    EXPECT_EQ(0, Decide(path)) << path;
  EXPECT_TRUE(RecordUntouched());
}

TEST_F(WatermarkDecision, PolicySwitchesGateEverything) {
  kaltest::CDbwinCapture capture;
  m_section.AddTav(kPid);
  m_section.Block().printPolicy.readWatermark = 0;
  EXPECT_EQ(0, Decide());
  EXPECT_TRUE(capture.WaitFor("GetWatermark4 pOutuser->readWatermark=0 pOutuser->watermodelflag=0",
                              kWaitMs));
  m_section.Block().printPolicy.readWatermark = 1;
  m_section.Block().printPolicy.watermodelflag = 3;
  EXPECT_EQ(0, Decide());
  EXPECT_TRUE(capture.WaitFor("GetWatermark4 pOutuser->readWatermark=1 pOutuser->watermodelflag=3",
                              kWaitMs));
  EXPECT_TRUE(RecordUntouched());
  m_section.Block().printPolicy.watermodelflag = 0;
  EXPECT_EQ(1, Decide());
}

TEST_F(WatermarkDecision, TavListDecidesByTavSwitchAlone) {
  kaltest::CDbwinCapture capture;
  m_section.AddTav(kPid);
  m_section.AddSmart(kPid);
  m_section.SetProtectScreen("winword.exe");
  m_section.SetWatermarkPolicy(0, 1);
  EXPECT_EQ(0, Decide());
  EXPECT_TRUE(capture.WaitFor("GetWatermark5 Not support TAV file", kWaitMs));
  EXPECT_TRUE(RecordUntouched());
  m_section.SetWatermarkPolicy(1, 0);
  EXPECT_EQ(1, Decide());
  EXPECT_EQ(0, std::memcmp(m_record.get(), &m_section.Block().printPolicy, sizeof(*m_record)));
}

TEST_F(WatermarkDecision, SmartListDecidesBySmartSwitch) {
  m_section.AddSmart(kPid);
  m_section.AddTav(kPid + 1);  // another process's record does not count
  m_section.SetWatermarkPolicy(1, 0);
  EXPECT_EQ(0, Decide());
  m_section.SetWatermarkPolicy(0, 1);
  EXPECT_EQ(1, Decide());
  EXPECT_EQ(0, std::memcmp(m_record.get(), &m_section.Block().printPolicy, sizeof(*m_record)));
}

TEST_F(WatermarkDecision, ScreenProtectionListTrimmedAndLowerCased) {
  m_section.SetProtectScreen("notepad.exe|  WinWord.EXE \t|excel.exe");
  EXPECT_EQ(1, Decide());
  EXPECT_EQ(1, Decide(L"C:\\o\\EXCEL.EXE"));
  EXPECT_EQ(0, Decide(L"C:\\o\\POWERPNT.EXE"));  // not listed
  m_section.SetWatermarkPolicy(1, 0);
  m_section.SetProtectScreen("winword.exe");
  EXPECT_EQ(0, Decide());  // listed, but the smart switch is off
  m_section.SetWatermarkPolicy(1, 1);
  m_section.SetProtectScreen("");
  EXPECT_EQ(0, Decide());
  // A list filling the whole field without a terminator is read up to the field's end (the
  // accessor may keep one byte less, which here is only the closing bar).
  std::memset(m_section.Block().protectScreen, 'a', sizeof(m_section.Block().protectScreen));
  const char tail[] = "|winword.exe|";
  std::memcpy(m_section.Block().protectScreen + sizeof(m_section.Block().protectScreen) -
                  (sizeof(tail) - 1),
              tail, sizeof(tail) - 1);
  EXPECT_EQ(1, Decide());
}

TEST_F(WatermarkDecision, CopiesNoMoreThanAskedForNorThanTheRecord) {
  m_section.AddTav(kPid);
  m_section.Block().printPolicy.watermarkFontSize = 0x11223344;
  std::vector<uint8_t> small(64, 0xCD);
  EXPECT_EQ(1, kal::GetWatermarkFor(kWord, kPid, small.data(), 20));
  EXPECT_EQ(0, std::memcmp(small.data(), &m_section.Block().printPolicy, 20));
  EXPECT_TRUE(kaltest::AllBytes(&small[20], small.size() - 20, 0xCD));
  std::vector<uint8_t> big(sizeof(_PRINT_EXCHG_INFO) + 32, 0xCD);
  EXPECT_EQ(1, kal::GetWatermarkFor(kWord, kPid, big.data(), big.size()));
  EXPECT_EQ(0, std::memcmp(big.data(), &m_section.Block().printPolicy, sizeof(_PRINT_EXCHG_INFO)));
  EXPECT_TRUE(kaltest::AllBytes(&big[sizeof(_PRINT_EXCHG_INFO)], 32, 0xCD));
}

TEST(WatermarkDecisionNoAgent, AbsentSectionMeansNoWatermark) {
  std::unique_ptr<_PRINT_EXCHG_INFO> record(new _PRINT_EXCHG_INFO());
  EXPECT_EQ(0, kal::GetWatermarkFor(kWord, kPid, record.get(), sizeof(*record)));
}

TEST(ExemptionMutex, NamesAndExistenceTest) {
  EXPECT_EQ(L"Global\\LumicODS_WINWORD.EXE_1234", kal::ExemptionMutexName(L"WINWORD.EXE", 1234));
  EXPECT_TRUE(kal::IsExemptableProcessName(L"WinWord.exe"));
  EXPECT_TRUE(kal::IsExemptableProcessName(L"POWERPNT.EXE"));
  EXPECT_FALSE(kal::IsExemptableProcessName(L"my_winword.exe_copy.exe"));

  kaltest::CDbwinCapture capture;
  const std::wstring path = L"C:\\Office\\winword.exe";
  EXPECT_EQ(0, kal::CreateWaterMutexFor(path, 777));
  // The call's own mutex did not outlive it: creating it again finds nothing.
  {
    kal::CHandleOwner probe(CreateMutexW(nullptr, FALSE, L"Global\\LumicODS_WINWORD.EXE_777"));
    ASSERT_TRUE(probe);
    EXPECT_NE(static_cast<DWORD>(ERROR_ALREADY_EXISTS), GetLastError());
  }
  kal::CHandleOwner held(CreateMutexW(nullptr, FALSE, L"Global\\LumicODS_WINWORD.EXE_777"));
  ASSERT_TRUE(held);
  EXPECT_EQ(1, kal::CreateWaterMutexFor(path, 777));
  EXPECT_TRUE(capture.WaitFor(
      "LumicODS KalMsAddin CreateWaterMutex is already exist WINWORD.EXE PID 777 Last Error 183",
      kWaitMs));
  EXPECT_EQ(0, kal::CreateWaterMutexFor(path, 778));  // other pid
  EXPECT_EQ(0, kal::CreateWaterMutexFor(L"C:\\o\\notepad.exe", 777));
  held.Reset();
  EXPECT_EQ(0, kal::CreateWaterMutexFor(path, 777));
}

// IsHasWatermark with this process's real identity. The cache is process-wide, so each case
// starts from an undecided cache.
class ProcessDecision : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(m_section.Ok());
    std::memset(&WatermarkPolicyCache, 0, sizeof(WatermarkPolicyCache));
  }
  void TearDown() override { std::memset(&WatermarkPolicyCache, 0, sizeof(WatermarkPolicyCache)); }
  CTestExchangeSection m_section;
};

TEST_F(ProcessDecision, EmptyUserDecidesAgainstForGood) {
  kaltest::CDbwinCapture capture;
  m_section.SetWatermarkPolicy(1, 1);
  m_section.AddTav(GetCurrentProcessId());
  EXPECT_EQ(0, IsHasWatermark());
  EXPECT_TRUE(capture.WaitFor("IsHasWatermark User Name Is Empty.", kWaitMs));
  EXPECT_EQ(1, WatermarkPolicyCache.bInit);
  EXPECT_EQ(0, WatermarkPolicyCache.bResult);
  m_section.SetUser("bob");  // logging on later changes nothing for this process
  EXPECT_EQ(0, IsHasWatermark());
}

TEST_F(ProcessDecision, FirstDecisionIsCachedWithTheRecord) {
  kaltest::CDbwinCapture capture;
  m_section.SetUser("alice");
  m_section.SetWatermarkPolicy(1, 1);
  const ExWChar color[] = L" 0,128,255 ";
  std::memcpy(m_section.Block().printPolicy.watermarkColor, color, sizeof(color));
  m_section.Block().printPolicy.watermarkHorizontal = 1;
  m_section.AddTav(GetCurrentProcessId());
  EXPECT_EQ(1, IsHasWatermark());
  EXPECT_TRUE(capture.WaitFor("GetWatermarkRoutine bSucceed=1", kWaitMs));
  EXPECT_TRUE(capture.WaitFor("IsHasWatermark bInit = false bResult=1", kWaitMs));
  EXPECT_EQ(1, WatermarkPolicyCache.bResult);
  EXPECT_EQ(0xFF8000u, GetWatermarkColor());
  EXPECT_EQ(48u, GetWatermarkFontSize());
  EXPECT_EQ(40u, GetWatermarkTransparency());
  EXPECT_EQ(L"Arial", GetWatermarkFont());
  EXPECT_EQ(0, IsWatermarkSlanted());
  std::unique_ptr<_PRINT_EXCHG_INFO> copy(new _PRINT_EXCHG_INFO());
  EXPECT_EQ(copy.get(), CopyWatermarkPolicy(copy.get()));
  EXPECT_EQ(0, std::memcmp(copy.get(), &m_section.Block().printPolicy, sizeof(*copy)));

  // The agent switches the watermark off: this process keeps its decision and record.
  capture.Clear();
  m_section.Block().printPolicy.readWatermark = 0;
  m_section.Block().printPolicy.watermarkFontSize = 10;
  EXPECT_EQ(1, IsHasWatermark());
  EXPECT_EQ(48u, GetWatermarkFontSize());
  ASSERT_TRUE(capture.Drain());
  EXPECT_FALSE(capture.Contains("GetWatermark4"));  // no second look at the block
}

TEST_F(ProcessDecision, NegativeDecisionCachesAZeroRecord) {
  m_section.SetUser("alice");
  m_section.SetWatermarkPolicy(0, 1);  // in tavInfo but TAV files carry no watermark
  m_section.AddTav(GetCurrentProcessId());
  std::memset(&WatermarkPolicyCache.record, 0x5A, sizeof(WatermarkPolicyCache.record));
  EXPECT_EQ(0, IsHasWatermark());
  EXPECT_EQ(1, WatermarkPolicyCache.bInit);
  EXPECT_TRUE(
      kaltest::AllBytes(&WatermarkPolicyCache.record, sizeof(WatermarkPolicyCache.record), 0));
  // The accessors then give the defaults of an empty record.
  EXPECT_EQ(0xC0C0C0u, GetWatermarkColor());
  EXPECT_EQ(L"\u5B8B\u4F53", GetWatermarkFont());
  EXPECT_EQ(1, IsWatermarkSlanted());
  m_section.SetWatermarkPolicy(1, 1);
  EXPECT_EQ(0, IsHasWatermark());
}

TEST(PolicyAccessors, FontFieldWithoutTerminatorIsCutAtThirtyUnits) {
  std::memset(&WatermarkPolicyCache, 0, sizeof(WatermarkPolicyCache));
  for (auto& c : WatermarkPolicyCache.record.watermarkFont) c = L'F';
  WatermarkPolicyCache.record.watermarkFontSize = 0x7777;  // the next field's first bytes
  EXPECT_EQ(std::wstring(30, L'F'), GetWatermarkFont());
  for (auto& c : WatermarkPolicyCache.record.watermarkColor) c = L'1';
  EXPECT_EQ(0u, GetWatermarkColor());  // 20 digits, no comma: black, and no overrun
  std::memset(&WatermarkPolicyCache, 0, sizeof(WatermarkPolicyCache));
}
