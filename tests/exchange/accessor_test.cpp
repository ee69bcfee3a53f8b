// CTavExchg on sections this test creates: the bytes each operation touches, the new-process
// event, the employee id and the ungated lines. (Results without sections: msvc_client's
// absent run, through the same operations.)
#include <windows.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "exchange/tav_exchg.h"
#include "tests/exchange/section_fixture.h"
#include "tests/support/dbwin_capture.h"

using kaltest::AllBytes;
using kaltest::Filled;

namespace {
// Fills a record with `byte`, stores it with `set`, reads it into a zeroed one with `get`.
template <typename T>
bool RoundTrips(CTavExchg& ex, void (CTavExchg::*set)(T), void (CTavExchg::*get)(T&), int byte) {
  auto in = Filled<T>(byte), out = Filled<T>(0);
  (ex.*set)(*in);
  (ex.*get)(*out);
  return AllBytes(out.get(), sizeof(T), byte);
}
using Accessor = kaltest::SectionTest;
}  // namespace

TEST_F(Accessor, KeyedRecordOperationsWorkOnTheSectionBytes) {
  _TAV_EXCHG_INFO rec{};
  rec.infoId = 7;
  rec.processId = 700;
  rec.readOnlyFlag = 1;
  EXPECT_EQ(ex.AddInfo(rec), 0);
  EXPECT_EQ(s.Block().tavInfoCount, 1);
  EXPECT_EQ(s.Block().tavInfo[0].processId, 700u);
  _TAV_EXCHG_INFO got{};
  EXPECT_EQ(ex.GetInfo(7, got), 0);
  EXPECT_EQ(got.readOnlyFlag, 1u);
  EXPECT_EQ(ex.GetInfo(700, got), -1);  // GetInfo keys by infoId
  EXPECT_EQ(ex.GetInfo_doc(700u, got), 0);
  EXPECT_EQ(ex.GetInfo_doc(700u), 0);
  rec.printFlag = 1;
  EXPECT_EQ(ex.SetInfo_doc(700u, rec), 0);
  EXPECT_EQ(s.Block().tavInfo[0].printFlag, 1u);
  EXPECT_EQ(ex.SetInfo_doc(701u, rec), -1);
  EXPECT_EQ(ex.GetCount(), 1);
  EXPECT_EQ(ex.DeleteInfo(12345), 0);  // missing key is still success
  EXPECT_EQ(ex.DeleteInfo(7), 0);
  EXPECT_EQ(ex.GetCount(), 0);
  EXPECT_EQ(ex.GetInfo_doc(700u), -1);

  _SMART_EXCHG_INFO sm{};
  sm.processId = 55;
  EXPECT_EQ(ex.AddInfo(sm), 0);
  EXPECT_EQ(ex.GetInfo_doc(55u, 0), 0);
  EXPECT_EQ(ex.GetCount(0), 1);
  EXPECT_EQ(ex.SetInfo_doc(55u, sm), 0);
  EXPECT_EQ(ex.DeleteInfo(55u, 0), 0);
  EXPECT_EQ(ex.GetInfo_doc(55u, 0), -1);

  _SANDBOX_EXCHG_INFO sb{};
  sb.sandboxId = 9;
  sb.agentData[0] = 0x42;
  EXPECT_EQ(ex.AddInfo_doc(sb), 0);
  _SANDBOX_EXCHG_INFO sbOut{};
  EXPECT_EQ(ex.GetInfo_doc(9u, sbOut), 0);
  EXPECT_EQ(sbOut.agentData[0], 0x42);
  EXPECT_EQ(ex.GetInfo_doc(10u, sbOut), -1);

  EXPECT_EQ(ex.AddInfo_doc('Y'), 0);
  char doc = 0;
  EXPECT_EQ(ex.GetInfo_doc(doc), 0);
  EXPECT_EQ(doc, 'Y');
  EXPECT_EQ(reinterpret_cast<const char*>(s.exchange.Data())[2103860], 'Y');
}

TEST_F(Accessor, StringFieldsLandAtTheirOffsets) {
  const char* base = static_cast<const char*>(s.exchange.Data());
  // The setters take char* as the clients declare them; they only read the text.
  char tav[] = "tav", dy[] = "dy", mm[] = "mm", user[] = "name", pass[] = "pass", extra[] = "extra",
       ipIn[] = "10.1.1.1", portIn[] = "8080", outKey[] = "outkey", mailIn[] = "a@b";
  ex.SetTAVKey(tav);
  ex.SetDyKey(dy);
  EXPECT_STREQ(base + 286544, "tav");
  EXPECT_STREQ(base + 286480, "dy");
  char out[64];
  GetDyKeyname(out);
  EXPECT_STREQ(out, "dy");
  ex.SetMultiMainKey(mm);
  EXPECT_EQ(ex.GetMultiMainKey(out), 1);
  EXPECT_STREQ(out, "mm");
  ex.SetDefaultUserNameAndPsw(user, pass, extra);
  EXPECT_STREQ(base + 284676, "name");
  EXPECT_STREQ(base + 284932, "extra");
  EXPECT_STREQ(base + 285188, "pass");
  char name[256] = "", pw[256] = "";
  GetUserNameAndPsw(name, nullptr);
  EXPECT_STREQ(name, "name");
  GetUserNameAndPsw(nullptr, pw);
  EXPECT_STREQ(pw, "pass");
  ex.SetCurrentIpPort(ipIn, portIn);
  char ip[64] = "unchanged", port[64] = "";
  ex.GetCurrentIpPort(nullptr, port);
  EXPECT_STREQ(port, "8080");
  EXPECT_STREQ(ip, "unchanged");
  ex.GetCurrentIpPort(ip, nullptr);
  EXPECT_STREQ(ip, "10.1.1.1");
  ex.SetTavOutDyKey(outKey);
  EXPECT_STREQ(static_cast<const char*>(s.out.Data()), "outkey");
  ex.GetTavOutDyKey(out);
  EXPECT_STREQ(out, "outkey");
  ex.SetDyMailWhite(mailIn);
  std::vector<char> mail(4096);
  ex.GetDyMailWhite(mail.data());
  EXPECT_STREQ(mail.data(), "a@b");

  std::string screen(40960, 's');
  ex.SetprotectScreen(&screen[0]);
  std::vector<char> screenOut(40960 + 16, '#');
  ex.GetprotectScreen(screenOut.data());
  EXPECT_EQ(strlen(screenOut.data()), 40959u);
  EXPECT_EQ(screenOut[40960], '#');
  std::string hookList(1024, 'h');
  ex.SethookWhietList(&hookList[0]);
  EXPECT_EQ(base[1966632 + 1023], 'h');
  EXPECT_EQ(base[1966632 + 1024], '\0');
  std::vector<char> hooks(1025);
  ex.GethookWhiteList(hooks.data());
  EXPECT_EQ(strlen(hooks.data()), 1024u);
}

TEST_F(Accessor, RecordsAndFlagsRoundTrip) {
  auto policy = Filled<_PRINT_EXCHG_INFO>(0);
  policy->readWatermark = 1;
  std::wcscpy(policy->watermarkText, L"Top secret");
  ex.SetPrintPolicy(*policy);
  EXPECT_EQ(std::memcmp(&s.Block().printPolicy, policy.get(), sizeof(*policy)), 0);
  auto back = Filled<_PRINT_EXCHG_INFO>(0xEE);
  ex.GetPrintPolicy(*back);
  EXPECT_EQ(std::memcmp(back.get(), policy.get(), sizeof(*policy)), 0);

  EXPECT_TRUE(RoundTrips(ex, &CTavExchg::SetTerminalInfo, &CTavExchg::GetTerminalInfo, 0x21));
  EXPECT_TRUE(RoundTrips(ex, &CTavExchg::SetUserOperate, &CTavExchg::GetUserOperate, 0x31));
  EXPECT_TRUE(RoundTrips(ex, &CTavExchg::SetLogRecordType, &CTavExchg::GetLogRecordType, 0x41));

  EXPECT_TRUE(ex.SetWaterMarkFlag(3));
  int flag = 0;
  EXPECT_TRUE(ex.GetWaterMarkFlag(flag));
  EXPECT_EQ(flag, 3);
  HWND wnd = reinterpret_cast<HWND>(static_cast<uintptr_t>(0x123456789AULL));
  ex.SetMainWndEx(wnd);
  EXPECT_EQ(s.Block().mainWnd, 0x123456789AULL);
  HWND wndOut = nullptr;
  ex.GetMainWndEx(wndOut);
  EXPECT_EQ(wndOut, wnd);
  ex.SetConnectSer(-4);
  EXPECT_EQ(ex.GetConnectSer(), -4);

  std::vector<_MultiKey_Policy> keys(3);
  keys[2].data[543] = 0x66;
  ex.SetMultiKeyListInfo(keys.data(), 3);
  std::vector<_MultiKey_Policy> keysOut(2048);
  EXPECT_EQ(ex.GetMultiKeyListInfo(keysOut.data()), 3);
  EXPECT_EQ(keysOut[2].data[543], 0x66);
  std::vector<_Encrypt_Policy> enc(100);
  ex.SetPolicy(enc.data(), 100);  // clamped to 64
  std::vector<_Encrypt_Policy> encOut(64);
  EXPECT_EQ(ex.GetPolicy(encOut.data()), 64);
}

TEST_F(Accessor, NewProcessIsAppendedWithAndWithoutTheEvent) {
  ex.AddNewProcess(100);  // nobody created the event
  EXPECT_EQ(s.Block().newProcessCount, 1);
  EXPECT_EQ(s.Block().newProcessIds[0], 100u);

  kal::CHandleOwner ev(CreateEventW(nullptr, FALSE, FALSE, L"Lumicore_NewProcess_Event"));
  ASSERT_TRUE(ev);
  ex.AddNewProcess(101);
  EXPECT_EQ(WaitForSingleObject(ev.Get(), 0), WAIT_OBJECT_0);
  unsigned pending[64] = {};
  EXPECT_EQ(ex.GetNewProcess(pending), 2);
  EXPECT_EQ(pending[1], 101u);
  EXPECT_EQ(s.Block().newProcessCount, 0);
  for (unsigned pid = 1; pid <= 61; ++pid) ex.AddNewProcess(pid);
  EXPECT_EQ(s.Block().newProcessCount, 0);  // the 61st empties the list
  EXPECT_EQ(s.Block().newProcessIds[60], 61u);
  // A reader without a buffer still empties the list.
  ex.AddNewProcess(7);
  EXPECT_EQ(ex.GetNewProcess(nullptr), 0);
  EXPECT_EQ(s.Block().newProcessCount, 0);
}

TEST(AccessorOwnSections, EmployeeIdGoesToBothSectionsAndIsReadFromTheNumberSection) {
  {
    kaltest::CTestSections s;
    ASSERT_TRUE(s.Ok());
    CTavExchg ex;
    ex.SetUserEmployeeId("E-77");
    EXPECT_STREQ(s.Block().userEmployeeId, "E-77");
    EXPECT_STREQ(static_cast<const char*>(s.userNumber.Data()), "E-77");
    char out[256] = "";
    ex.GetUserEmployeeId(out);
    EXPECT_STREQ(out, "E-77");
  }
  {
    // Only the exchange section: the id is stored there, but the getter reads the number
    // section, which is absent.
    kaltest::CTestSection exchange(kal::kExchangeSectionName, kal::kExchangeBlockSize);
    ASSERT_TRUE(exchange.Ok());
    CTavExchg ex;
    ex.SetUserEmployeeId("E-78");
    EXPECT_STREQ(exchange.As<ExchangeBlock>().userEmployeeId, "E-78");
    char out[256] = "stale";
    ex.GetUserEmployeeId(out);
    EXPECT_STREQ(out, "");
  }
  {
    // Only the number section: it is written although the exchange section is absent.
    kaltest::CTestSection number(kal::kUserNumberSectionName, 256);
    ASSERT_TRUE(number.Ok());
    CTavExchg ex;
    ex.SetUserEmployeeId("E-79");
    EXPECT_STREQ(static_cast<const char*>(number.Data()), "E-79");
  }
}

TEST(AccessorOwnSections, ContentSafeReadsASectionThatGrantsOnlyReadAccess) {
  // Everyone may query and map for reading, nothing more.
  kaltest::CTestSection ro(kal::kExchangeSectionName, kal::kExchangeBlockSize,
                           L"D:(A;;0x0005;;;WD)");
  ASSERT_TRUE(ro.Ok());
  std::memset(&ro.As<ExchangeBlock>().contentSecurity, 0x6B, sizeof(_SHARE_CONTENTSECURITY));
  {
    kal::CHandleOwner full(OpenFileMappingW(FILE_MAP_ALL_ACCESS, FALSE, kal::kExchangeSectionName));
    kal::CViewOwner view(full ? MapViewOfFile(full.Get(), FILE_MAP_ALL_ACCESS, 0, 0, 0) : nullptr);
    ASSERT_FALSE(view) << "precondition: the section must refuse write access";
  }
  CTavExchg ex;
  auto content = Filled<_SHARE_CONTENTSECURITY>(0x5A);
  ex.GetContentSafe(*content, 0);  // full access fails: as absent, untouched
  EXPECT_TRUE(AllBytes(content.get(), sizeof(*content), 0x5A));
  ex.GetContentSafe(*content, 1);  // read-only succeeds
  EXPECT_TRUE(AllBytes(content.get(), sizeof(*content), 0x6B));
}

TEST(AccessorOwnSections, SetupTypeWritesItsUngatedLines) {
  kaltest::CDbwinCapture capture;
  ASSERT_TRUE(capture.Listening());
  CTavExchg ex;
  ex.SetSetupType(9);  // absent: no line
  EXPECT_EQ(ex.GetSetupType(), 0u);
  {
    kaltest::CTestSections s;
    ASSERT_TRUE(s.Ok());
    ex.SetSetupType(42);
    EXPECT_EQ(s.Block().setupType, 42u);
    EXPECT_EQ(ex.GetSetupType(), 42u);
    ASSERT_TRUE(capture.WaitFor("GetSetupType:42", 10000));
  }
  auto lines = capture.LinesOf(GetCurrentProcessId());
  std::vector<std::string> ours;
  for (auto& l : lines)
    if (l.find("SetupType") != std::string::npos) ours.push_back(l);
  EXPECT_EQ(ours, (std::vector<std::string>{"SetSetupType:42", "GetSetupType:42"}));
}
