// The byte-level list rules, straight on a block in memory.
#include <climits>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "exchange/list_rules.h"
#include "tests/exchange/section_fixture.h"

namespace rules = kal::rules;

namespace {

std::unique_ptr<ExchangeBlock> NewBlock() { return kaltest::Filled<ExchangeBlock>(0); }

_TAV_EXCHG_INFO Tav(uint32_t id, uint32_t pid, uint8_t fill = 0) {
  _TAV_EXCHG_INFO r{};
  r.infoId = id;
  r.processId = pid;
  std::memset(r.agentData1, fill, sizeof(r.agentData1));
  return r;
}

}  // namespace

TEST(KeyedList, AddAppendsAndReplacesSameKeyInPlace) {
  auto b = NewBlock();
  rules::AddTav(*b, Tav(10, 100, 1));
  rules::AddTav(*b, Tav(11, 101, 2));
  EXPECT_EQ(b->tavInfoCount, 2);
  rules::AddTav(*b, Tav(10, 555, 9));  // same infoId: overwrite, no append
  EXPECT_EQ(b->tavInfoCount, 2);
  EXPECT_EQ(b->tavInfo[0].processId, 555u);
  EXPECT_EQ(b->tavInfo[0].agentData1[500], 9);
  EXPECT_EQ(b->tavInfo[1].infoId, 11u);
}

TEST(KeyedList, The255thDistinctRecordEmptiesTheList) {
  auto b = NewBlock();
  for (uint32_t i = 1; i <= 254; ++i) rules::AddTav(*b, Tav(i, i + 1000));
  EXPECT_EQ(b->tavInfoCount, 254);
  EXPECT_EQ(rules::FindTavByProcessId(*b, 1254), 253);
  rules::AddTav(*b, Tav(255, 1255));
  EXPECT_EQ(b->tavInfoCount, 0);
  EXPECT_EQ(rules::FindTavByInfoId(*b, 1), -1);
  // Re-adding a known key at 254 entries replaces, it does not empty the list.
  for (uint32_t i = 1; i <= 254; ++i) rules::AddTav(*b, Tav(i, i));
  rules::AddTav(*b, Tav(7, 77));
  EXPECT_EQ(b->tavInfoCount, 254);
  EXPECT_EQ(b->tavInfo[6].processId, 77u);
}

TEST(KeyedList, DeleteMovesLastEntryIntoTheHole) {
  auto b = NewBlock();
  for (uint32_t i = 1; i <= 3; ++i) rules::AddTav(*b, Tav(i, 10 + i, i == 3 ? 7 : 0));
  rules::DeleteTavByInfoId(*b, 1);
  ASSERT_EQ(b->tavInfoCount, 2);
  EXPECT_EQ(b->tavInfo[0].infoId, 3u);
  EXPECT_EQ(b->tavInfo[0].agentData1[0], 7);
  EXPECT_EQ(b->tavInfo[1].infoId, 2u);
  rules::DeleteTavByInfoId(*b, 2);  // the last one: only the count moves
  EXPECT_EQ(b->tavInfoCount, 1);
  rules::DeleteTavByInfoId(*b, 99);  // missing key: nothing changes
  EXPECT_EQ(b->tavInfoCount, 1);
  EXPECT_EQ(b->tavInfo[0].infoId, 3u);
}

TEST(KeyedList, LookupsTakeTheFirstMatchWithinTheCountOnly) {
  auto b = NewBlock();
  b->tavInfo[0] = Tav(1, 50);
  b->tavInfo[1] = Tav(2, 50);
  b->tavInfo[2] = Tav(3, 60);  // stale slot beyond the count
  b->tavInfoCount = 2;
  EXPECT_EQ(rules::FindTavByProcessId(*b, 50), 0);
  EXPECT_EQ(rules::FindTavByProcessId(*b, 60), -1);
  EXPECT_TRUE(rules::SetTavByProcessId(*b, 50, Tav(9, 50)));
  EXPECT_EQ(b->tavInfo[0].infoId, 9u);
  EXPECT_EQ(b->tavInfo[1].infoId, 2u);
  EXPECT_FALSE(rules::SetTavByProcessId(*b, 60, Tav(9, 60)));  // set never appends
  EXPECT_EQ(b->tavInfoCount, 2);
}

TEST(KeyedList, SmartAndSandboxFollowTheSameRules) {
  auto b = NewBlock();
  _SMART_EXCHG_INFO s{};
  for (uint32_t pid = 1; pid <= 3; ++pid) {
    s.processId = pid;
    rules::AddSmart(*b, s);
  }
  rules::DeleteSmart(*b, 1);
  ASSERT_EQ(b->smartInfoCount, 2);
  EXPECT_EQ(b->smartInfo[0].processId, 3u);
  _SANDBOX_EXCHG_INFO x{};
  for (uint32_t id = 1; id <= 255; ++id) {
    x.sandboxId = id;
    rules::AddSandbox(*b, x);
  }
  EXPECT_EQ(b->sandboxInfoCount, 0);
}

TEST(IdList, DyAppendsOnceAndDeleteMovesLast) {
  auto b = NewBlock();
  // Each add returns the count after it; a known id is not added again.
  const std::pair<uint32_t, int> adds[] = {{5, 1}, {6, 2}, {5, 2}, {7, 3}};
  for (const auto& a : adds) EXPECT_EQ(rules::AddDy(*b, a.first), a.second) << a.first;
  EXPECT_EQ(rules::DelDy(*b, 5), 2);
  EXPECT_EQ(b->dyList[0], 7u);
  EXPECT_TRUE(rules::HasDy(*b, 6));
  EXPECT_FALSE(rules::HasDy(*b, 5));
  EXPECT_EQ(rules::DelDy(*b, 12345), 2);
  for (uint32_t i = 100; b->dyCount < 254; ++i) rules::AddDy(*b, i);
  EXPECT_EQ(rules::AddDy(*b, 99999), 0);  // the 255th empties the list
}

TEST(IdList, HookIdsResetAt2047AndKeepDuplicates) {
  auto b = NewBlock();
  rules::AddHookId(*b, 4);
  rules::AddHookId(*b, 4);
  EXPECT_EQ(b->hookIdCount, 2);
  rules::DelHookId(*b, 4);  // removes the first match only
  EXPECT_EQ(b->hookIdCount, 1);
  EXPECT_TRUE(rules::HasHookId(*b, 4));
  b->hookIdCount = 2047;
  rules::AddHookId(*b, 42);
  EXPECT_EQ(b->hookIdCount, 1);
  EXPECT_EQ(b->hookIds[0], 42u);
  b->fakeIdCount = 2046;
  rules::AddFakeId(*b, 8);
  EXPECT_EQ(b->fakeIdCount, 2047);
  EXPECT_EQ(b->fakeIds[2046], 8u);
  EXPECT_TRUE(rules::HasFakeId(*b, 8));
}

TEST(IdList, NewProcessesAboveSixtyAreDropped) {
  auto b = NewBlock();
  for (uint32_t pid = 1; pid <= 60; ++pid) {
    rules::StoreNewProcess(*b, pid);
    rules::SettleNewProcess(*b);
  }
  EXPECT_EQ(b->newProcessCount, 60);
  rules::StoreNewProcess(*b, 61);
  EXPECT_EQ(b->newProcessIds[60], 61u);  // stored before the reset
  rules::SettleNewProcess(*b);
  EXPECT_EQ(b->newProcessCount, 0);
  rules::StoreNewProcess(*b, 7);
  rules::StoreNewProcess(*b, 8);
  uint32_t out[64] = {};
  EXPECT_EQ(rules::TakeNewProcesses(*b, out), 2);
  EXPECT_EQ(std::vector<uint32_t>(out, out + 2), (std::vector<uint32_t>{7, 8}));
  EXPECT_EQ(b->newProcessCount, 0);
  EXPECT_EQ(rules::TakeNewProcesses(*b, out), 0);
}

TEST(ReplaceAll, CountIsClampedToCapacityAndNegativeIsEmpty) {
  auto b = NewBlock();
  std::vector<_Encrypt_Policy> src(70);
  for (size_t i = 0; i < src.size(); ++i) std::memset(src[i].data, int(i + 1), sizeof(src[i].data));
  rules::SetEncryptPolicies(*b, src.data(), 3);
  EXPECT_EQ(b->encryptPolicyCount, 3);
  std::vector<_Encrypt_Policy> out(64);
  EXPECT_EQ(rules::GetEncryptPolicies(*b, out.data()), 3);
  EXPECT_EQ(out[2].data[2087], 3);
  rules::SetEncryptPolicies(*b, src.data(), 70);
  EXPECT_EQ(b->encryptPolicyCount, 64);
  EXPECT_EQ(b->encryptPolicies[63].data[0], 64);
  rules::SetEncryptPolicies(*b, src.data(), -5);
  EXPECT_EQ(b->encryptPolicyCount, 0);
  std::vector<_Signature_Pro> pros(2);
  pros[1].data[127] = 0x5A;
  rules::SetSignaturePros(*b, pros.data(), 2);
  std::vector<_Signature_Pro> proOut(2048);
  EXPECT_EQ(rules::GetSignaturePros(*b, proOut.data()), 2);
  EXPECT_EQ(proOut[1].data[127], 0x5A);
}

TEST(TextField, StoresAtMostFieldMinusOneAndAlwaysANul) {
  auto b = NewBlock();
  std::string screen(40960, 'p');
  rules::StoreText(b->protectScreen, sizeof(b->protectScreen), screen.c_str());
  EXPECT_EQ(strnlen(b->protectScreen, sizeof(b->protectScreen)), 40959u);
  std::string hooks(1024, 'h');
  rules::StoreText(b->hookWhiteList, sizeof(b->hookWhiteList), hooks.c_str());
  EXPECT_EQ(b->hookWhiteList[1023], 'h');
  EXPECT_EQ(b->hookWhiteList[1024], '\0');
  std::memset(b->gap1, 0x77, sizeof(b->gap1));
  rules::StoreText(b->hookWhiteList, sizeof(b->hookWhiteList), std::string(5000, 'x').c_str());
  EXPECT_EQ(b->hookWhiteList[1024], '\0');
  EXPECT_EQ(b->gap1[0], 0x77);  // nothing beyond the field
  rules::StoreText(b->tavKey, sizeof(b->tavKey), std::string(100, 'k').c_str());
  EXPECT_EQ(strnlen(b->tavKey, 64), 63u);
  EXPECT_EQ(b->multiMainKey[0], '\0');  // the next field but one is untouched
}

TEST(TextField, LoadCutsAFieldWithoutNulAtItsEnd) {
  auto b = NewBlock();
  std::memset(b->dyKey, 'd', sizeof(b->dyKey));
  std::memset(b->tavKey, 't', sizeof(b->tavKey));
  char out[64 + 8];
  std::memset(out, 0x7E, sizeof(out));
  EXPECT_EQ(rules::LoadText(b->dyKey, 64, out), 63u);
  EXPECT_EQ(out[63], '\0');
  EXPECT_EQ(out[64], 0x7E);
  EXPECT_EQ(std::string(out), std::string(63, 'd'));
}

TEST(SignatureExe, AppendsWithBarAndSkipsAnyContainedName) {
  auto b = NewBlock();
  rules::AddSignatureExe(*b, "a.exe");
  EXPECT_STREQ(b->signatureExe, "a.exe");
  rules::AddSignatureExe(*b, "b.exe");
  EXPECT_STREQ(b->signatureExe, "a.exe|b.exe");
  for (const char* contained : {"a.exe", "exe|b" /* across the bar */, ".ex"})
    rules::AddSignatureExe(*b, contained);
  EXPECT_STREQ(b->signatureExe, "a.exe|b.exe");
  rules::AddSignatureExe(*b, "A.EXE");  // case matters
  EXPECT_STREQ(b->signatureExe, "a.exe|b.exe|A.EXE");
  char out[4096];
  EXPECT_TRUE(rules::TakeSignatureExe(*b, out));
  EXPECT_STREQ(out, "a.exe|b.exe|A.EXE");
  for (char c : b->signatureExe) ASSERT_EQ(c, '\0');
  EXPECT_FALSE(rules::TakeSignatureExe(*b, out));
  EXPECT_STREQ(out, "");
}

TEST(SignatureExe, ListThatWouldNotFitIsReplacedByTheName) {
  auto b = NewBlock();
  // L + 1 + N + NUL = 4,095 bytes exactly: still fits.
  std::string list(4000, 'L'), name(93, 'n');
  rules::AddSignatureExe(*b, list.c_str());
  rules::AddSignatureExe(*b, name.c_str());
  EXPECT_EQ(strlen(b->signatureExe), 4094u);
  EXPECT_EQ(b->signatureExe[4000], '|');
  // One more byte would not: the list becomes the name alone.
  std::memset(b->signatureExe, 0, sizeof(b->signatureExe));
  rules::AddSignatureExe(*b, list.c_str());
  std::string longer(94, 'm');
  rules::AddSignatureExe(*b, longer.c_str());
  EXPECT_EQ(std::string(b->signatureExe), longer);
  // A name beyond 4,094 bytes is cut there.
  std::memset(b->signatureExe, 0, sizeof(b->signatureExe));
  rules::AddSignatureExe(*b, std::string(6000, 'z').c_str());
  EXPECT_EQ(strnlen(b->signatureExe, 4096), 4094u);
  EXPECT_EQ(b->signatureExe[4095], '\0');
}

// Random operations on a block whose counts are repeatedly scrambled: nothing is written
// outside the block, and every count a writer touched ends within its list's limits.
TEST(ListRulesFuzz, ScrambledCountsNeverLeadOutsideTheBlock) {
  constexpr size_t kGuard = 4096;
  std::vector<unsigned char> arena(kGuard + sizeof(ExchangeBlock) + kGuard, 0xA9);
  auto* b = reinterpret_cast<ExchangeBlock*>(arena.data() + kGuard);
  std::memset(b, 0, sizeof(ExchangeBlock));
  uint32_t seed = 12345;
  auto next = [&seed] {
    seed = seed * 1664525u + 1013904223u;
    return seed;
  };
  const int32_t extremes[] = {0,   1,    60,   61,   64,   254, 255,       256,
                              257, 2046, 2047, 2048, 4096, -1,  INT32_MIN, INT32_MAX};
  int32_t scrambled = 0;
  auto scramble = [&](int32_t& count) {
    count = (next() & 1) ? extremes[next() % (sizeof(extremes) / sizeof(extremes[0]))]
                         : static_cast<int32_t>(next());
    scrambled = count;
  };
  // An add that finds its key replaces the record and leaves the stored count alone;
  // any other add leaves a count the list can hold.
  auto settled = [&](int32_t count, int32_t most) {
    return count == scrambled || (count >= 0 && count <= most);
  };
  std::vector<uint32_t> ids(2048);
  auto outTav = std::make_unique<_TAV_EXCHG_INFO[]>(256);
  _SMART_EXCHG_INFO smart{};
  _SANDBOX_EXCHG_INFO sandbox{};
  for (int i = 0; i < 5000; ++i) {
    const uint32_t key = next() % 300;
    switch (next() % 10) {
      case 0:
        scramble(b->tavInfoCount);
        rules::AddTav(*b, Tav(key, key));
        EXPECT_TRUE(settled(b->tavInfoCount, 254)) << b->tavInfoCount;
        break;
      case 1:
        scramble(b->tavInfoCount);
        rules::DeleteTavByInfoId(*b, key);
        EXPECT_GE(rules::CopyAllTav(*b, outTav.get()), 0);
        break;
      case 2:
        scramble(b->dyCount);
        EXPECT_GE(rules::AddDy(*b, key), 0);
        EXPECT_TRUE(settled(b->dyCount, 254)) << b->dyCount;
        break;
      case 3:
        scramble(b->dyCount);
        rules::DelDy(*b, key);
        EXPECT_LE(rules::CopyDy(*b, ids.data()), 256);
        break;
      case 4:
        scramble(b->hookIdCount);
        rules::AddHookId(*b, key);
        EXPECT_TRUE(b->hookIdCount >= 1 && b->hookIdCount <= 2047);
        break;
      case 5:
        scramble(b->newProcessCount);
        rules::StoreNewProcess(*b, key);
        rules::SettleNewProcess(*b);
        EXPECT_TRUE(b->newProcessCount >= 0 && b->newProcessCount <= 60);
        EXPECT_LE(rules::TakeNewProcesses(*b, ids.data()), 60);
        break;
      case 6:
        scramble(b->smartInfoCount);
        smart.processId = key;
        rules::AddSmart(*b, smart);
        EXPECT_TRUE(settled(b->smartInfoCount, 254)) << b->smartInfoCount;
        rules::DeleteSmart(*b, key / 2);
        break;
      case 7:
        scramble(b->sandboxInfoCount);
        sandbox.sandboxId = key;
        rules::AddSandbox(*b, sandbox);
        EXPECT_TRUE(settled(b->sandboxInfoCount, 254)) << b->sandboxInfoCount;
        break;
      case 8:
        scramble(b->fakeIdCount);
        rules::DelFakeId(*b, key);
        EXPECT_TRUE(settled(b->fakeIdCount, 2047)) << b->fakeIdCount;
        break;
      default:  // random bytes over the signature list, then an append
        for (int j = 0; j < 64; ++j) b->signatureExe[next() % 4096] = static_cast<char>(next() | 1);
        rules::AddSignatureExe(*b, std::string(next() % 5000, 'n').c_str());
        EXPECT_EQ(b->signatureExe[4095], '\0');
        break;
    }
  }
  for (size_t i = 0; i < kGuard; ++i) {
    ASSERT_EQ(arena[i], 0xA9) << "before the block at " << i;
    ASSERT_EQ(arena[kGuard + sizeof(ExchangeBlock) + i], 0xA9) << "after the block at " << i;
  }
}
