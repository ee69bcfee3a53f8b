// Byte layout of the named sections shared with the security agent.
// This is a cross-process format: every offset and size is fixed and checked at compile time.
// Nothing here needs windows.h, so the byte-level rules can also be built natively. The records
// themselves are declared in the header client modules use.
#pragma once
#include <cstddef>
#include <cstdint>

#include "../include/kalmsaddin/exchange_records.h"

namespace kal {
constexpr const wchar_t* kExchangeSectionName = L"KALTAVEXCHGSHARINFO2010-05-07";
constexpr const wchar_t* kOutSectionName = L"KALTAVOUTEXCHGSHAREINF2014";
constexpr const wchar_t* kUserNumberSectionName = L"KALTAAVUSERNUMINFOR2016-08-26";
constexpr const wchar_t* kExchangeLockName = L"lumicore_eventex_2008-05-03";
constexpr const wchar_t* kNewProcessEventName = L"Lumicore_NewProcess_Event";

// Capacities of the lists and fixed fields.
constexpr int kTavInfoCapacity = 256;
constexpr int kSmartInfoCapacity = 256;
constexpr int kSandboxInfoCapacity = 256;
constexpr int kDyCapacity = 256;
constexpr int kEncryptPolicyCapacity = 64;
constexpr int kMultiKeyPolicyCapacity = 2048;
constexpr int kSignatureProCapacity = 2048;
constexpr int kNewProcessCapacity = 64;
constexpr int kHookIdCapacity = 2048;
constexpr int kFakeIdCapacity = 2048;
constexpr size_t kUserNameSize = 256;
constexpr size_t kKeySize = 64;
constexpr size_t kMailWhiteSize = 4096;
constexpr size_t kProtectScreenSize = 40960;
constexpr size_t kSignatureExeSize = 4096;
constexpr size_t kHookWhiteListSize = 1025;
constexpr size_t kIpPortSize = 64;
constexpr size_t kEmployeeIdSize = 256;
constexpr size_t kExchangeBlockSize = 2104128;  // the part of the section this module uses
}  // namespace kal

#pragma pack(push, 1)

struct ExchangeBlock {
  _TAV_EXCHG_INFO tavInfo[256];
  int32_t tavInfoCount;
  char userName[256];
  char userNameExtra[256];
  char userPassword[256];
  int32_t connectSer;
  uint32_t setupType;
  uint32_t dyList[256];
  int32_t dyCount;
  char dyKey[64];
  char tavKey[64];
  char dyMailWhite[4096];
  _Encrypt_Policy encryptPolicies[64];
  int32_t encryptPolicyCount;
  _MultiKey_Policy multiKeyPolicies[2048];
  int32_t multiKeyPolicyCount;
  char multiMainKey[64];
  char protectScreen[40960];
  uint32_t newProcessIds[64];
  int32_t newProcessCount;
  _SHARE_CONTENTSECURITY contentSecurity;
  _PRINT_EXCHG_INFO printPolicy;
  _Signature_Pro signaturePros[2048];
  int32_t signatureProCount;
  char signatureExe[4096];
  uint32_t fakeIds[2048];
  int32_t fakeIdCount;
  uint32_t hookIds[2048];
  int32_t hookIdCount;
  char currentIp[64];
  char currentPort[64];
  CLIENTTERMINAL terminalInfo;
  UserOperate userOperate;
  LogRecordType logRecordType;
  int32_t watermarkFlag;
  char hookWhiteList[1025];
  uint8_t gap1[3];
  int32_t smartInfoCount;
  _SMART_EXCHG_INFO smartInfo[256];
  int32_t sandboxInfoCount;
  _SANDBOX_EXCHG_INFO sandboxInfo[256];
  char docFlag;
  uint8_t gap2[3];
  uint64_t mainWnd;
  char userEmployeeId[256];
};

struct OutBlock {
  char outDyKey[64];
};

#pragma pack(pop)

// ---- compile-time proof of the layout ----
#define KAL_AT(T, f, off, sz) \
  static_assert(offsetof(T, f) == (off), #T "." #f " offset"); \
  static_assert(sizeof(((T*)nullptr)->f) == (sz), #T "." #f " size")

KAL_AT(_TAV_EXCHG_INFO, infoId, 0, 4);
KAL_AT(_TAV_EXCHG_INFO, processId, 4, 4);
KAL_AT(_TAV_EXCHG_INFO, readOnlyFlag, 1040, 4);
KAL_AT(_TAV_EXCHG_INFO, printFlag, 1044, 4);
KAL_AT(_SMART_EXCHG_INFO, processId, 0, 4);
KAL_AT(_SANDBOX_EXCHG_INFO, sandboxId, 0, 4);

KAL_AT(_PRINT_EXCHG_INFO, tavFileWatermark, 0, 4);
KAL_AT(_PRINT_EXCHG_INFO, smartFileWatermark, 4, 4);
KAL_AT(_PRINT_EXCHG_INFO, readWatermark, 20, 4);
KAL_AT(_PRINT_EXCHG_INFO, watermarkHorizontal, 568, 4);
static_assert(offsetof(_PRINT_EXCHG_INFO, watermarkText) == 572, "watermarkText offset");
KAL_AT(_PRINT_EXCHG_INFO, watermodelflag, 29352, 4);
KAL_AT(_PRINT_EXCHG_INFO, watermarkTransparency, 29356, 4);
KAL_AT(_PRINT_EXCHG_INFO, watermarkFont, 29360, 60);
KAL_AT(_PRINT_EXCHG_INFO, watermarkFontSize, 29420, 4);
KAL_AT(_PRINT_EXCHG_INFO, watermarkColor, 29424, 40);
KAL_AT(_PRINT_EXCHG_INFO, showDate, 29464, 4);
KAL_AT(_PRINT_EXCHG_INFO, showUserName, 29468, 4);
KAL_AT(_PRINT_EXCHG_INFO, showEmployeeId, 29472, 4);

KAL_AT(ExchangeBlock, tavInfo, 0, 284672);
KAL_AT(ExchangeBlock, tavInfoCount, 284672, 4);
KAL_AT(ExchangeBlock, userName, 284676, 256);
KAL_AT(ExchangeBlock, userNameExtra, 284932, 256);
KAL_AT(ExchangeBlock, userPassword, 285188, 256);
KAL_AT(ExchangeBlock, connectSer, 285444, 4);
KAL_AT(ExchangeBlock, setupType, 285448, 4);
KAL_AT(ExchangeBlock, dyList, 285452, 1024);
KAL_AT(ExchangeBlock, dyCount, 286476, 4);
KAL_AT(ExchangeBlock, dyKey, 286480, 64);
KAL_AT(ExchangeBlock, tavKey, 286544, 64);
KAL_AT(ExchangeBlock, dyMailWhite, 286608, 4096);
KAL_AT(ExchangeBlock, encryptPolicies, 290704, 133632);
KAL_AT(ExchangeBlock, encryptPolicyCount, 424336, 4);
KAL_AT(ExchangeBlock, multiKeyPolicies, 424340, 1114112);
KAL_AT(ExchangeBlock, multiKeyPolicyCount, 1538452, 4);
KAL_AT(ExchangeBlock, multiMainKey, 1538456, 64);
KAL_AT(ExchangeBlock, protectScreen, 1538520, 40960);
KAL_AT(ExchangeBlock, newProcessIds, 1579480, 256);
KAL_AT(ExchangeBlock, newProcessCount, 1579736, 4);
KAL_AT(ExchangeBlock, contentSecurity, 1579740, 73752);
KAL_AT(ExchangeBlock, printPolicy, 1653492, 29616);
KAL_AT(ExchangeBlock, signaturePros, 1683108, 262144);
KAL_AT(ExchangeBlock, signatureProCount, 1945252, 4);
KAL_AT(ExchangeBlock, signatureExe, 1945256, 4096);
KAL_AT(ExchangeBlock, fakeIds, 1949352, 8192);
KAL_AT(ExchangeBlock, fakeIdCount, 1957544, 4);
KAL_AT(ExchangeBlock, hookIds, 1957548, 8192);
KAL_AT(ExchangeBlock, hookIdCount, 1965740, 4);
KAL_AT(ExchangeBlock, currentIp, 1965744, 64);
KAL_AT(ExchangeBlock, currentPort, 1965808, 64);
KAL_AT(ExchangeBlock, terminalInfo, 1965872, 592);
KAL_AT(ExchangeBlock, userOperate, 1966464, 96);
KAL_AT(ExchangeBlock, logRecordType, 1966560, 68);
KAL_AT(ExchangeBlock, watermarkFlag, 1966628, 4);
KAL_AT(ExchangeBlock, hookWhiteList, 1966632, 1025);
KAL_AT(ExchangeBlock, gap1, 1967657, 3);
KAL_AT(ExchangeBlock, smartInfoCount, 1967660, 4);
KAL_AT(ExchangeBlock, smartInfo, 1967664, 69632);
KAL_AT(ExchangeBlock, sandboxInfoCount, 2037296, 4);
KAL_AT(ExchangeBlock, sandboxInfo, 2037300, 66560);
KAL_AT(ExchangeBlock, docFlag, 2103860, 1);
KAL_AT(ExchangeBlock, gap2, 2103861, 3);
KAL_AT(ExchangeBlock, mainWnd, 2103864, 8);
KAL_AT(ExchangeBlock, userEmployeeId, 2103872, 256);
static_assert(sizeof(ExchangeBlock) == kal::kExchangeBlockSize, "ExchangeBlock size");
KAL_AT(OutBlock, outDyKey, 0, 64);
#undef KAL_AT
