// Several processes on one block: serialisation through the lock event, and its 200 ms bound.
#include <windows.h>

#include <algorithm>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "exchange/event_ex.h"
#include "exchange/tav_exchg.h"
#include "tests/exchange/section_fixture.h"
#include "tests/support/test_paths.h"

namespace {
bool StartChild(const std::wstring& args, kal::CHandleOwner* process) {
  return kaltest::Spawn(L"\"" + kaltest::BinPath(L"exchange_child.exe") + L"\" " + args, process);
}
using CrossProcess = kaltest::SectionTest;
}  // namespace

TEST_F(CrossProcess, ConcurrentAddAndDeleteLeaveConsistentLists) {
  constexpr unsigned kChildren = 3, kIds = 40, kRounds = 15;
  std::vector<kal::CHandleOwner> children(kChildren);
  for (unsigned c = 0; c < kChildren; ++c)
    ASSERT_TRUE(StartChild(L"hammer " + std::to_wstring(1000 * (c + 1)) + L" " +
                               std::to_wstring(kIds) + L" " + std::to_wstring(kRounds),
                           &children[c]));
  for (auto& child : children) EXPECT_EQ(kaltest::ExitCodeAfter(child, 120000), 0u);

  // What must remain: the odd ids of every child, each exactly once.
  std::set<uint32_t> expected;
  for (unsigned c = 0; c < kChildren; ++c)
    for (unsigned id = 1000 * (c + 1) + 1; id < 1000 * (c + 1) + kIds; id += 2) expected.insert(id);

  std::vector<unsigned> dy(256);
  const int n = ex.GetDyAll(dy.data());
  ASSERT_EQ(n, static_cast<int>(expected.size()));
  std::multiset<uint32_t> got(dy.begin(), dy.begin() + n);
  EXPECT_EQ(std::set<uint32_t>(got.begin(), got.end()), expected);
  EXPECT_EQ(got.size(), expected.size()) << "duplicates in dyList";

  auto tav = std::make_unique<_TAV_EXCHG_INFO[]>(256);
  const int m = ex.GetAllInfo(tav.get());
  ASSERT_EQ(m, static_cast<int>(expected.size()));
  std::set<uint32_t> ids;
  for (int i = 0; i < m; ++i) {
    ids.insert(tav[i].infoId);
    EXPECT_EQ(tav[i].processId, tav[i].infoId + 1);
  }
  EXPECT_EQ(ids, expected);
}

TEST_F(CrossProcess, AHolderThatNeverReleasesDelaysOthersByAboutTheBound) {
  char lockFree[] = "k";
  ex.SetTAVKey(lockFree);  // the lock is free: the event is signalled again afterwards

  std::wstring readyName = L"kaltest_lock_holder_ready";
  kal::CHandleOwner ready(CreateEventW(nullptr, TRUE, FALSE, readyName.c_str()));
  kal::CHandleOwner holder;
  ASSERT_TRUE(StartChild(L"hold " + readyName + L" 30000", &holder));
  ASSERT_EQ(WaitForSingleObject(ready.Get(), 20000), WAIT_OBJECT_0);

  DWORD start = GetTickCount();
  char key[64] = {};
  ex.GetTAVKey(key);
  DWORD waited = GetTickCount() - start;
  EXPECT_STREQ(key, "k");  // proceeds after the timeout as if it held the lock
  EXPECT_GE(waited, 150u);
  EXPECT_LE(waited, 3000u);  // far below the holder's 30 s: the wait is bounded

  // Unlock signalled the event although the wait timed out: the next caller finds it free.
  EXPECT_EQ(WaitForSingleObject(ExchangeLock.Handle(), 0), WAIT_OBJECT_0);
  SetEvent(ExchangeLock.Handle());

  // Take it away again without releasing: operations without the lock neither wait for it
  // nor release it, so the event stays taken.
  ASSERT_EQ(WaitForSingleObject(ExchangeLock.Handle(), 0), WAIT_OBJECT_0);
  ex.SetConnectSer(5);
  EXPECT_EQ(ex.GetConnectSer(), 5);
  EXPECT_EQ(WaitForSingleObject(ExchangeLock.Handle(), 0), static_cast<DWORD>(WAIT_TIMEOUT));
  SetEvent(ExchangeLock.Handle());

  TerminateProcess(holder.Get(), 0);
  WaitForSingleObject(holder.Get(), 5000);
}
