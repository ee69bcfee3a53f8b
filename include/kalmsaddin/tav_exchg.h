// CTavExchg: the accessor of the agent's shared sections exported by KalMsAddin.dll, and the
// two free functions beside it. This is the header client modules compile against: it
// includes nothing, builds with Microsoft's compiler and with clang in either mode, and links
// against KalMsAddin.lib (Microsoft's decorated names) or the DLL itself (GCC names).
//
// Every operation is self-contained: lock, open the section, map it whole, touch its fields,
// unmap, close, unlock. Nothing is cached; an accessor may live on the stack for one call.
// Results: 0 success / -1 failure or absent section; counts for list operations; 1/0 for
// presence tests. Output buffers must be at least the size of the field they receive.
//
// Foreign data: counts stored in the block are clamped to the array capacity wherever they
// bound a loop or a copy, and strings without a NUL inside their field are cut at the field's
// end, so no operation reads or writes past a field or an output buffer, whatever the block
// holds.
//
// Over-long input (this module's choice where the format leaves it open):
//  - string setters truncate to the field size minus one and always store a NUL
//    (protectScreen keeps 40,959 characters, hookWhiteList 1,024, as the format requires);
//  - replace-all setters (SetPolicy, SetMultiKeyListInfo, SetSignaturePro) clamp the count
//    to the array's capacity (64, 2,048, 2,048) and treat a negative count as 0;
//  - SetSignatureExe replaces the list by the name alone whenever the joined list
//    (L + 1 + N bytes plus the NUL) would not fit in 4,095 bytes, and a name longer than
//    4,094 bytes is cut to 4,094.
//
// Objects built by a Visual C++ client (on its stack, or with its operator new) carry the
// DLL's virtual table of one slot, the scalar deleting destructor; `delete` frees through the
// process heap, as the Universal C runtime's operator new allocates. The table has no run-time
// type information: typeid and dynamic_cast are not available on CTavExchg.
#pragma once

#include "exchange_records.h"

#ifndef KALEXCHG_API
#define KALEXCHG_API __declspec(dllimport)
#endif

// The window handle as windows.h declares it (STRICT), for clients that do not include it.
#if !defined(_WINDEF_) && !defined(_WINDEF_H)
struct HWND__;
typedef HWND__* HWND;
#endif

class KALEXCHG_API CTavExchg {
 public:
  CTavExchg() = default;
  CTavExchg(const CTavExchg&) = default;
  CTavExchg& operator=(const CTavExchg&) = default;
  virtual ~CTavExchg();

  // Keyed record lists.
  int AddInfo(_TAV_EXCHG_INFO& info);               // tavInfo by infoId
  int AddInfo(_SMART_EXCHG_INFO& info);             // smartInfo by processId
  int AddInfo_doc(_SANDBOX_EXCHG_INFO info);        // sandboxInfo by sandboxId
  int GetInfo(unsigned int id, _TAV_EXCHG_INFO& out);
  int GetInfo_doc(unsigned int pid, _TAV_EXCHG_INFO& out);
  int GetInfo_doc(unsigned int id, _SANDBOX_EXCHG_INFO& out);
  int SetInfo_doc(unsigned int pid, _TAV_EXCHG_INFO& info);
  int SetInfo_doc(unsigned int pid, _SMART_EXCHG_INFO& info);
  int SetInfo_doc(unsigned int id, _SANDBOX_EXCHG_INFO& info);
  int GetInfo_doc(unsigned int pid);                // presence in tavInfo
  int GetInfo_doc(unsigned int pid, int ignored);   // presence in smartInfo
  int DeleteInfo(unsigned int id);                  // tavInfo by infoId
  int DeleteInfo(unsigned int pid, int ignored);    // smartInfo by processId
  int GetAllInfo(_TAV_EXCHG_INFO* out);             // out: room for 256 records
  int GetAllInfo(_SMART_EXCHG_INFO* out, int ignored);
  int GetCount();
  int GetCount(int ignored);
  int AddInfo_doc(char flag);                       // docFlag
  int GetInfo_doc(char& flag);

  // Identifier lists.
  int AddDy(unsigned int id);
  int DelDy(unsigned int id);
  int GetDy(unsigned int id);
  int GetDyCount();
  int GetDyAll(unsigned int* out);                  // out: room for 256 ids
  void SignatureAddHookID(unsigned int id);
  void SignatureAddFakeID(unsigned int id);
  void SignatureDelHookID(unsigned int id);
  void SignatureDelFakeID(unsigned int id);
  int SignatureFindHookID(unsigned int id);
  int SignatureFindFakeID(unsigned int id);
  void AddNewProcess(unsigned int pid);
  int GetNewProcess(unsigned int* out);             // out: room for 64 ids (null: only resets)

  // Replace-all arrays and single records.
  void SetPolicy(_Encrypt_Policy* policies, int n);
  int GetPolicy(_Encrypt_Policy* out);              // out: room for 64
  void SetMultiKeyListInfo(_MultiKey_Policy* policies, int n);
  int GetMultiKeyListInfo(_MultiKey_Policy* out);   // out: room for 2,048
  void SetSignaturePro(_Signature_Pro* pros, int n);
  int GetSignaturePro(_Signature_Pro* out);         // out: room for 2,048
  void SetPrintPolicy(_PRINT_EXCHG_INFO& policy);
  void GetPrintPolicy(_PRINT_EXCHG_INFO& out);
  void SetContentSafe(_SHARE_CONTENTSECURITY content);
  void GetContentSafe(_SHARE_CONTENTSECURITY& out, int readOnly);
  void SetTerminalInfo(CLIENTTERMINAL info);
  void GetTerminalInfo(CLIENTTERMINAL& out);
  void SetUserOperate(UserOperate op);
  void GetUserOperate(UserOperate& out);
  void SetLogRecordType(LogRecordType type);
  void GetLogRecordType(LogRecordType& out);
  bool SetWaterMarkFlag(int flag);
  bool GetWaterMarkFlag(int& out);
  void SetMainWndEx(HWND wnd);
  void GetMainWndEx(HWND& out);
  void SetConnectSer(int value);                    // no lock
  int GetConnectSer();                              // no lock
  void SetSetupType(unsigned int value);            // no lock; ungated trace line
  unsigned int GetSetupType();                      // no lock; ungated trace line

  // Strings (8-bit ANSI). The setters only read their arguments.
  void SetTAVKey(char* key);
  void GetTAVKey(char* out);                        // 64 bytes
  void SetDyKey(char* key);
  void GetDyKey(char* out);                         // 64 bytes
  void SetMultiMainKey(char* key);
  int GetMultiMainKey(char* out);                   // 64 bytes; 1 when non-empty
  void SetDyMailWhite(char* text);
  void GetDyMailWhite(char* out);                   // 4,096 bytes
  void SetprotectScreen(char* list);
  void GetprotectScreen(char* out);                 // 40,960 bytes
  void SethookWhietList(char* list);
  void GethookWhiteList(char* out);                 // 1,025 bytes
  void SetCurrentIpPort(char* ip, char* port);
  void GetCurrentIpPort(char* ip, char* port);      // 64 bytes each; null pointers skipped
  void SetDefaultUserNameAndPsw(char* name, char* password, char* extra);
  void GetDefaultUserNameAndPsw(char* name, char* password, char* extra);  // 256 each; nulls skipped
  void SetTavOutDyKey(char* key);
  void GetTavOutDyKey(char* out);                   // 64 bytes
  void SetUserEmployeeId(const char* id);
  void GetUserEmployeeId(char* out);                // the whole number, up to its NUL
  void SetSignatureExe(char* name);
  int GetSignatureExe(char* out);                   // 4,096 bytes; clears the stored list
};

// Free functions with the same discipline.
KALEXCHG_API void GetUserNameAndPsw(char* name, char* password);  // 256 each
KALEXCHG_API void GetDyKeyname(char* out);                        // 64 bytes
