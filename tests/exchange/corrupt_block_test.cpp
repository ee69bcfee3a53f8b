// Foreign bytes in the sections: absurd counts and text fields without a NUL. Every operation
// must stay inside its fields and inside the caller's buffers (checked with guard bytes).
#include <windows.h>

#include <climits>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "exchange/tav_exchg.h"
#include "tests/exchange/section_fixture.h"

namespace {

constexpr unsigned char kGuard = 0xC7;
constexpr size_t kGuardBytes = 64;

// An output buffer of n elements followed by guard bytes.
template <typename T>
class CGuarded {
 public:
  explicit CGuarded(size_t n) : m_n(n), m_bytes(n * sizeof(T) + kGuardBytes, 0) {
    std::memset(m_bytes.data() + n * sizeof(T), kGuard, kGuardBytes);
  }
  T* Get() { return reinterpret_cast<T*>(m_bytes.data()); }
  bool GuardIntact() const {
    return kaltest::AllBytes(m_bytes.data() + m_n * sizeof(T), kGuardBytes, kGuard);
  }

 private:
  size_t m_n;
  std::vector<unsigned char> m_bytes;
};

// A list reader into a buffer of `capacity` elements: its result, and nothing written beyond.
template <typename T, typename Read>
void ExpectReads(const char* what, int expected, size_t capacity, Read read) {
  CGuarded<T> out(capacity);
  EXPECT_EQ(read(out.Get()), expected) << what;
  EXPECT_TRUE(out.GuardIntact()) << what;
}

void SetAllCounts(ExchangeBlock& b, int32_t count) {
  for (int32_t ExchangeBlock::*field :
       {&ExchangeBlock::tavInfoCount, &ExchangeBlock::dyCount, &ExchangeBlock::encryptPolicyCount,
        &ExchangeBlock::multiKeyPolicyCount, &ExchangeBlock::newProcessCount,
        &ExchangeBlock::signatureProCount, &ExchangeBlock::fakeIdCount, &ExchangeBlock::hookIdCount,
        &ExchangeBlock::smartInfoCount, &ExchangeBlock::sandboxInfoCount})
    b.*field = count;
}

void FillTextFields(ExchangeBlock& b) {
  for (auto* f : {b.userName, b.userNameExtra, b.userPassword, b.userEmployeeId})
    std::memset(f, 'u', 256);
  for (auto* f : {b.dyKey, b.tavKey, b.multiMainKey, b.currentIp, b.currentPort})
    std::memset(f, 'k', 64);
  std::memset(b.dyMailWhite, 'm', sizeof(b.dyMailWhite));
  std::memset(b.protectScreen, 'p', sizeof(b.protectScreen));
  std::memset(b.signatureExe, 's', sizeof(b.signatureExe));
  std::memset(b.hookWhiteList, 'h', sizeof(b.hookWhiteList));
}

class CorruptBlock : public kaltest::SectionTest, public ::testing::WithParamInterface<int32_t> {};

}  // namespace

TEST_P(CorruptBlock, ReadersStayWithinCapacityAndBuffers) {
  SetAllCounts(s.Block(), GetParam());
  // Entries a reader may touch: the stored count, clamped to the array's capacity.
  auto upTo = [](int capacity) {
    return GetParam() < 0 ? 0 : (GetParam() > capacity ? capacity : GetParam());
  };

  ExpectReads<_TAV_EXCHG_INFO>("tav", upTo(256), 256, [&](auto* o) { return ex.GetAllInfo(o); });
  ExpectReads<_SMART_EXCHG_INFO>("smart", upTo(256), 256,
                                 [&](auto* o) { return ex.GetAllInfo(o, 0); });
  ExpectReads<unsigned>("dy", upTo(256), 256, [&](auto* o) { return ex.GetDyAll(o); });
  ExpectReads<_Encrypt_Policy>("enc", upTo(64), 64, [&](auto* o) { return ex.GetPolicy(o); });
  ExpectReads<_MultiKey_Policy>("multi", upTo(2048), 2048,
                                [&](auto* o) { return ex.GetMultiKeyListInfo(o); });
  ExpectReads<_Signature_Pro>("pros", upTo(2048), 2048,
                              [&](auto* o) { return ex.GetSignaturePro(o); });
  ExpectReads<unsigned>("pending", upTo(64), 64, [&](auto* o) { return ex.GetNewProcess(o); });
  EXPECT_EQ(s.Block().newProcessCount, 0);
  EXPECT_EQ(ex.GetCount(), upTo(256));
  EXPECT_EQ(ex.GetCount(0), upTo(256));
  EXPECT_EQ(ex.GetDyCount(), upTo(256));
  // Lookups of a missing key scan no further than the array.
  _TAV_EXCHG_INFO rec{};
  EXPECT_EQ(ex.GetInfo(0xFFFFFFF0u, rec), -1);
  EXPECT_EQ(ex.GetInfo_doc(0xFFFFFFF0u), -1);
  EXPECT_EQ(ex.SignatureFindHookID(0xFFFFFFF0u), 0);
  _SANDBOX_EXCHG_INFO sb{};
  EXPECT_EQ(ex.GetInfo_doc(0xFFFFFFF0u, sb), -1);
}

TEST_P(CorruptBlock, WritersNeverWritePastTheirArrays) {
  ExchangeBlock& b = s.Block();
  SetAllCounts(b, GetParam());
  std::strcpy(b.userName, "after-tav");
  std::strcpy(b.dyKey, "after-dy");
  b.contentSecurity.data[0] = 0x99;  // follows newProcessCount
  b.currentIp[0] = 'i';              // follows hookIdCount
  b.sandboxInfoCount = GetParam();   // follows smartInfo
  b.docFlag = 'D';                   // follows sandboxInfo
  auto rec = kaltest::Filled<_TAV_EXCHG_INFO>(0xEE);
  rec->infoId = 1;
  EXPECT_EQ(ex.AddInfo(*rec), 0);
  auto sm = kaltest::Filled<_SMART_EXCHG_INFO>(0xEE);
  sm->processId = 2;
  EXPECT_EQ(ex.AddInfo(*sm), 0);
  auto sb = kaltest::Filled<_SANDBOX_EXCHG_INFO>(0xEE);
  sb->sandboxId = 3;
  EXPECT_EQ(ex.AddInfo_doc(*sb), 0);
  EXPECT_GE(ex.AddDy(4), 0);
  EXPECT_GE(ex.DelDy(12345), 0);
  ex.SignatureAddHookID(5);
  ex.SignatureAddFakeID(6);
  ex.SignatureDelHookID(777);
  ex.AddNewProcess(7);
  EXPECT_EQ(ex.DeleteInfo(99), 0);

  EXPECT_STREQ(b.userName, "after-tav");
  EXPECT_STREQ(b.dyKey, "after-dy");
  EXPECT_EQ(b.contentSecurity.data[0], 0x99);
  EXPECT_EQ(b.currentIp[0], 'i');
  EXPECT_EQ(b.docFlag, 'D');
  // Whatever the stored counts were, they are within the array now.
  for (int32_t c : {b.tavInfoCount, b.smartInfoCount, b.sandboxInfoCount, b.dyCount})
    EXPECT_TRUE(c >= 0 && c <= 256) << c;
  EXPECT_TRUE(b.hookIdCount >= 0 && b.hookIdCount <= 2047);
  EXPECT_TRUE(b.newProcessCount >= 0 && b.newProcessCount <= 60);
  EXPECT_TRUE(ex.SignatureFindHookID(5) == 1);  // the id was kept
  EXPECT_TRUE(ex.SignatureFindFakeID(6) == 1);
}

INSTANTIATE_TEST_SUITE_P(Counts, CorruptBlock,
                         ::testing::Values(300, 256, 255, -1, INT_MIN, INT_MAX));

TEST(CorruptText, FieldsWithoutNulAreCutAtTheFieldEnd) {
  kaltest::CTestSections s;
  ASSERT_TRUE(s.Ok());
  FillTextFields(s.Block());
  std::memset(s.userNumber.Data(), 'n', 256);
  std::memset(s.out.Data(), 'o', 64);
  CTavExchg ex;

  // Each reader into a buffer of its field's size: one byte short, nothing written beyond.
  auto cut = [](const char* what, size_t n, auto&& get) {
    CGuarded<char> out(n);
    get(out.Get());
    EXPECT_EQ(strnlen(out.Get(), n), n - 1) << what;
    EXPECT_TRUE(out.GuardIntact()) << what;
  };
  cut("tavKey", 64, [&](char* o) { ex.GetTAVKey(o); });
  cut("dyKey", 64, [&](char* o) { ex.GetDyKey(o); });
  cut("dyKeyname", 64, [&](char* o) { GetDyKeyname(o); });
  cut("multiMainKey", 64, [&](char* o) { EXPECT_EQ(ex.GetMultiMainKey(o), 1); });
  cut("outDyKey", 64, [&](char* o) { ex.GetTavOutDyKey(o); });
  cut("ip", 64, [&](char* o) { ex.GetCurrentIpPort(o, nullptr); });
  cut("port", 64, [&](char* o) { ex.GetCurrentIpPort(nullptr, o); });
  char a[256], b[256];
  cut("name", 256, [&](char* o) { ex.GetDefaultUserNameAndPsw(o, a, b); });
  cut("password", 256, [&](char* o) { ex.GetDefaultUserNameAndPsw(a, o, b); });
  cut("extra", 256, [&](char* o) { ex.GetDefaultUserNameAndPsw(a, b, o); });
  cut("employeeId", 256, [&](char* o) { kal::GetUserEmployeeIdBounded(o, 256); });
  cut("GetUserNameAndPsw", 256, [&](char* o) { GetUserNameAndPsw(o, nullptr); });
  cut("mail", 4096, [&](char* o) { ex.GetDyMailWhite(o); });
  cut("screen", 40960, [&](char* o) { ex.GetprotectScreen(o); });
  cut("hooks", 1025, [&](char* o) { ex.GethookWhiteList(o); });
  cut("signatureExe", 4096, [&](char* o) { EXPECT_EQ(ex.GetSignatureExe(o), 1); });

  // A full signature list without a NUL still takes a new name without overrunning.
  FillTextFields(s.Block());
  s.Block().fakeIds[0] = 0xABCDEF;
  char newName[] = "new.exe";
  ex.SetSignatureExe(newName);
  EXPECT_STREQ(s.Block().signatureExe, "new.exe");
  EXPECT_EQ(s.Block().fakeIds[0], 0xABCDEFu);
}

TEST(CorruptText, NumberIsReadToItsNulOrToTheEndOfItsSection) {
  kaltest::CTestSection number(kal::kUserNumberSectionName, 8192);
  ASSERT_TRUE(number.Ok());
  auto* data = static_cast<char*>(number.Data());
  std::memset(data, 'n', 8192);
  CTavExchg ex;
  CGuarded<char> whole(8192);
  ex.GetUserEmployeeId(whole.Get());
  EXPECT_EQ(std::string(whole.Get()), std::string(8191, 'n'));  // no NUL: the section ends it
  EXPECT_TRUE(whole.GuardIntact());
  data[300] = '\0';
  CGuarded<char> out(301);
  ex.GetUserEmployeeId(out.Get());
  EXPECT_EQ(std::string(out.Get()), std::string(300, 'n'));  // no cut at 255
  EXPECT_TRUE(out.GuardIntact());
  // The setter is bounded by the section, not by the 256-byte convention.
  std::string longId(6000, 'e');
  ex.SetUserEmployeeId(longId.c_str());
  EXPECT_EQ(std::string(static_cast<const char*>(number.Data())), longId);
}

TEST(CorruptText, ASectionTooSmallForTheBlockCountsAsAbsent) {
  kaltest::CTestSection tiny(kal::kExchangeSectionName, 4096);
  ASSERT_TRUE(tiny.Ok());
  std::memset(tiny.Data(), 0x01, 4096);
  CTavExchg ex;
  auto tav = std::make_unique<_TAV_EXCHG_INFO[]>(256);
  EXPECT_EQ(ex.GetAllInfo(tav.get()), -1);
  EXPECT_EQ(ex.AddDy(1), -1);
  char ip[64], port[64];
  ex.GetCurrentIpPort(ip, port);
  EXPECT_STREQ(ip, "127.0.0.1");
}
