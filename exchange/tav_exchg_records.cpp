// CTavExchg: replace-all arrays, single records, strings and the free functions.
#include <cstdio>
#include <cstring>
#include <initializer_list>

#include "exchange/event_ex.h"
#include "exchange/exchange_frame.h"
#include "exchange/list_rules.h"
#include "exchange/tav_exchg.h"

namespace rules = kal::rules;

namespace {

using kal::LockMode;
using kal::WithExchange;
using kal::WithSection;

void LoadOrDefault(bool present, const char* field, size_t size, char* out, const char* def) {
  if (!out) return;
  if (present) {
    rules::LoadText(field, size, out);
  } else {
    rules::StoreText(out, size, def);
  }
}

// Reads a text field; the absent-section default goes to out.
template <size_t N>
void GetText(char (ExchangeBlock::*field)[N], char* out, const char* def = "") {
  if (!out) return;
  bool present = WithExchange([&](ExchangeBlock& b) { rules::LoadText(b.*field, N, out); });
  if (!present) rules::StoreText(out, N, def);
}

template <size_t N>
void SetText(char (ExchangeBlock::*field)[N], const char* text) {
  WithExchange([&](ExchangeBlock& b) { rules::StoreText(b.*field, N, text); });
}

// Ungated trace line of the exchange accessor.
void DebugLine(const wchar_t* format, unsigned int value) {
  wchar_t line[64] = {};
  swprintf(line, 64, format, static_cast<int>(value));
  OutputDebugStringW(line);
}

}  // namespace

// ---- replace-all arrays and single records ----

void CTavExchg::SetPolicy(_Encrypt_Policy* policies, int n) {
  WithExchange([&](ExchangeBlock& b) { rules::SetEncryptPolicies(b, policies, n); });
}

int CTavExchg::GetPolicy(_Encrypt_Policy* out) {
  int n = 0;
  WithExchange([&](ExchangeBlock& b) { n = out ? rules::GetEncryptPolicies(b, out) : 0; });
  return n;
}

void CTavExchg::SetMultiKeyListInfo(_MultiKey_Policy* policies, int n) {
  WithExchange([&](ExchangeBlock& b) { rules::SetMultiKeyPolicies(b, policies, n); });
}

int CTavExchg::GetMultiKeyListInfo(_MultiKey_Policy* out) {
  int n = 0;
  WithExchange([&](ExchangeBlock& b) { n = out ? rules::GetMultiKeyPolicies(b, out) : 0; });
  return n;
}

void CTavExchg::SetSignaturePro(_Signature_Pro* pros, int n) {
  WithExchange([&](ExchangeBlock& b) { rules::SetSignaturePros(b, pros, n); });
}

int CTavExchg::GetSignaturePro(_Signature_Pro* out) {
  int n = 0;
  WithExchange([&](ExchangeBlock& b) { n = out ? rules::GetSignaturePros(b, out) : 0; });
  return n;
}

void CTavExchg::SetPrintPolicy(_PRINT_EXCHG_INFO& policy) {
  WithExchange([&](ExchangeBlock& b) { std::memmove(&b.printPolicy, &policy, sizeof(policy)); });
}

void CTavExchg::GetPrintPolicy(_PRINT_EXCHG_INFO& out) {
  WithExchange([&](ExchangeBlock& b) { std::memmove(&out, &b.printPolicy, sizeof(out)); });
}

void CTavExchg::SetContentSafe(_SHARE_CONTENTSECURITY content) {
  WithExchange(
      [&](ExchangeBlock& b) { std::memcpy(&b.contentSecurity, &content, sizeof(content)); });
}

void CTavExchg::GetContentSafe(_SHARE_CONTENTSECURITY& out, int readOnly) {
  WithExchange([&](ExchangeBlock& b) { std::memmove(&out, &b.contentSecurity, sizeof(out)); },
               LockMode::kLocked, readOnly != 0);
}

void CTavExchg::SetTerminalInfo(CLIENTTERMINAL info) {
  WithExchange([&](ExchangeBlock& b) {
    std::memset(&b.terminalInfo, 0, sizeof(b.terminalInfo));
    std::memcpy(&b.terminalInfo, &info, sizeof(info));
  });
}

void CTavExchg::GetTerminalInfo(CLIENTTERMINAL& out) {
  WithExchange([&](ExchangeBlock& b) {
    std::memset(&out, 0, sizeof(out));
    std::memcpy(&out, &b.terminalInfo, sizeof(out));
  });
}

void CTavExchg::SetUserOperate(UserOperate op) {
  WithExchange([&](ExchangeBlock& b) { std::memcpy(&b.userOperate, &op, sizeof(op)); });
}

void CTavExchg::GetUserOperate(UserOperate& out) {
  WithExchange([&](ExchangeBlock& b) { std::memmove(&out, &b.userOperate, sizeof(out)); });
}

void CTavExchg::SetLogRecordType(LogRecordType type) {
  WithExchange([&](ExchangeBlock& b) { std::memcpy(&b.logRecordType, &type, sizeof(type)); });
}

void CTavExchg::GetLogRecordType(LogRecordType& out) {
  WithExchange([&](ExchangeBlock& b) { std::memmove(&out, &b.logRecordType, sizeof(out)); });
}

bool CTavExchg::SetWaterMarkFlag(int flag) {
  return WithExchange([&](ExchangeBlock& b) { b.watermarkFlag = flag; });
}

bool CTavExchg::GetWaterMarkFlag(int& out) {
  return WithExchange([&](ExchangeBlock& b) { out = b.watermarkFlag; });
}

void CTavExchg::SetMainWndEx(HWND wnd) {
  WithExchange([&](ExchangeBlock& b) {
    b.mainWnd = 0;
    b.mainWnd = static_cast<uint64_t>(reinterpret_cast<uintptr_t>(wnd));
  });
}

void CTavExchg::GetMainWndEx(HWND& out) {
  WithExchange(
      [&](ExchangeBlock& b) { out = reinterpret_cast<HWND>(static_cast<uintptr_t>(b.mainWnd)); });
}

// One aligned 32-bit store or load each: these four go without the lock.
void CTavExchg::SetConnectSer(int value) {
  WithExchange([&](ExchangeBlock& b) { b.connectSer = value; }, LockMode::kUnlocked);
}

int CTavExchg::GetConnectSer() {
  int value = 0;
  WithExchange([&](ExchangeBlock& b) { value = b.connectSer; }, LockMode::kUnlocked);
  return value;
}

void CTavExchg::SetSetupType(unsigned int value) {
  WithExchange(
      [&](ExchangeBlock& b) {
        b.setupType = value;
        DebugLine(L"SetSetupType:%d", value);
      },
      LockMode::kUnlocked);
}

unsigned int CTavExchg::GetSetupType() {
  unsigned int value = 0;
  WithExchange(
      [&](ExchangeBlock& b) {
        value = b.setupType;
        DebugLine(L"GetSetupType:%d", value);
      },
      LockMode::kUnlocked);
  return value;
}

// ---- strings ----

void CTavExchg::SetTAVKey(char* key) { SetText(&ExchangeBlock::tavKey, key); }
void CTavExchg::GetTAVKey(char* out) { GetText(&ExchangeBlock::tavKey, out); }
void CTavExchg::SetDyKey(char* key) { SetText(&ExchangeBlock::dyKey, key); }
void CTavExchg::GetDyKey(char* out) { GetText(&ExchangeBlock::dyKey, out); }
void CTavExchg::SetMultiMainKey(char* key) { SetText(&ExchangeBlock::multiMainKey, key); }

int CTavExchg::GetMultiMainKey(char* out) {
  GetText(&ExchangeBlock::multiMainKey, out);
  return (out && out[0] != '\0') ? 1 : 0;
}

void CTavExchg::SetDyMailWhite(char* text) { SetText(&ExchangeBlock::dyMailWhite, text); }
void CTavExchg::GetDyMailWhite(char* out) { GetText(&ExchangeBlock::dyMailWhite, out); }
void CTavExchg::SetprotectScreen(char* list) { SetText(&ExchangeBlock::protectScreen, list); }
void CTavExchg::GetprotectScreen(char* out) { GetText(&ExchangeBlock::protectScreen, out); }
void CTavExchg::SethookWhietList(char* list) { SetText(&ExchangeBlock::hookWhiteList, list); }
void CTavExchg::GethookWhiteList(char* out) { GetText(&ExchangeBlock::hookWhiteList, out); }

void CTavExchg::SetCurrentIpPort(char* ip, char* port) {
  WithExchange([&](ExchangeBlock& b) {
    rules::StoreText(b.currentIp, sizeof(b.currentIp), ip);
    rules::StoreText(b.currentPort, sizeof(b.currentPort), port);
  });
}

void CTavExchg::GetCurrentIpPort(char* ip, char* port) {
  bool present = WithExchange([&](ExchangeBlock& b) {
    LoadOrDefault(true, b.currentIp, sizeof(b.currentIp), ip, "");
    LoadOrDefault(true, b.currentPort, sizeof(b.currentPort), port, "");
  });
  if (!present) {
    LoadOrDefault(false, nullptr, kal::kIpPortSize, ip, "127.0.0.1");
    LoadOrDefault(false, nullptr, kal::kIpPortSize, port, "0");
  }
}

void CTavExchg::SetDefaultUserNameAndPsw(char* name, char* password, char* extra) {
  WithExchange([&](ExchangeBlock& b) {
    rules::StoreText(b.userName, sizeof(b.userName), name);
    rules::StoreText(b.userPassword, sizeof(b.userPassword), password);
    rules::StoreText(b.userNameExtra, sizeof(b.userNameExtra), extra);
  });
}

void CTavExchg::GetDefaultUserNameAndPsw(char* name, char* password, char* extra) {
  bool present = WithExchange([&](ExchangeBlock& b) {
    LoadOrDefault(true, b.userName, sizeof(b.userName), name, "");
    LoadOrDefault(true, b.userPassword, sizeof(b.userPassword), password, "");
    LoadOrDefault(true, b.userNameExtra, sizeof(b.userNameExtra), extra, "");
  });
  if (!present) {
    for (char* out : {name, password, extra})
      LoadOrDefault(false, nullptr, kal::kUserNameSize, out, "");
  }
}

void CTavExchg::SetTavOutDyKey(char* key) {
  WithSection(kal::kOutSectionName, sizeof(OutBlock), [&](void* data, size_t) {
    auto* out = static_cast<OutBlock*>(data);
    rules::StoreText(out->outDyKey, sizeof(out->outDyKey), key);
  });
}

void CTavExchg::GetTavOutDyKey(char* out) {
  if (!out) return;
  bool present = WithSection(kal::kOutSectionName, sizeof(OutBlock), [&](void* data, size_t) {
    auto* block = static_cast<OutBlock*>(data);
    rules::LoadText(block->outDyKey, sizeof(block->outDyKey), out);
  });
  if (!present) out[0] = '\0';
}

void CTavExchg::SetUserEmployeeId(const char* id) {
  CEventExGuard lock(ExchangeLock);  // one hold for both sections
  WithExchange(
      [&](ExchangeBlock& b) { rules::StoreText(b.userEmployeeId, sizeof(b.userEmployeeId), id); },
      LockMode::kUnlocked);
  // The number section has no length of its own: its mapped size bounds the write.
  WithSection(
      kal::kUserNumberSectionName, 1,
      [&](void* data, size_t bytes) { rules::StoreText(static_cast<char*>(data), bytes, id); },
      LockMode::kUnlocked);
}

void CTavExchg::GetUserEmployeeId(char* out) {
  if (!out) return;
  // The number has no length of its own: it ends at its NUL, or at the end of the section.
  bool present = WithSection(kal::kUserNumberSectionName, 1, [&](void* data, size_t bytes) {
    rules::LoadText(static_cast<const char*>(data), bytes, out);
  });
  if (!present) out[0] = '\0';
}

void CTavExchg::SetSignatureExe(char* name) {
  WithExchange([&](ExchangeBlock& b) { rules::AddSignatureExe(b, name); });
}

int CTavExchg::GetSignatureExe(char* out) {
  bool nonEmpty = false;
  WithExchange([&](ExchangeBlock& b) {
    if (out) nonEmpty = rules::TakeSignatureExe(b, out);
  });
  return nonEmpty ? 1 : 0;
}

// ---- free functions ----

void GetUserNameAndPsw(char* name, char* password) {
  bool present = WithExchange([&](ExchangeBlock& b) {
    LoadOrDefault(true, b.userName, sizeof(b.userName), name, "");
    LoadOrDefault(true, b.userPassword, sizeof(b.userPassword), password, "");
  });
  if (!present) {
    LoadOrDefault(false, nullptr, kal::kUserNameSize, name, "");
    LoadOrDefault(false, nullptr, kal::kUserNameSize, password, "");
  }
}

void GetDyKeyname(char* out) { GetText(&ExchangeBlock::dyKey, out); }
