// msvc_client.exe: a client module of KalMsAddin.dll as Visual C++ builds one. clang compiles
// it for x86_64-pc-windows-msvc and lld-link links it against KalMsAddin.lib and kernel32
// only: no C runtime, no GCC tool. It constructs the accessor on the stack and on the heap,
// copies it, and calls every operation through the Microsoft names.
//   msvc_client.exe present   the reference agent runs (what it publishes is asserted by the
//                             exchange suite; here each operation's round trip)
//   msvc_client.exe absent    no section exists: every operation gives its default
// The exit code is the number of failed checks; each failure prints its line.
#include "kalmsaddin/tav_exchg.h"

typedef decltype(sizeof 0) size_t;

extern "C" {
__declspec(dllimport) void* __stdcall GetStdHandle(unsigned long which);
__declspec(dllimport) int __stdcall WriteFile(void* file, const void* data, unsigned long size,
                                              unsigned long* written, void* overlapped);
__declspec(dllimport) __declspec(noreturn) void __stdcall ExitProcess(unsigned int code);
__declspec(dllimport) void* __stdcall GetProcessHeap();
__declspec(dllimport) void* __stdcall HeapAlloc(void* heap, unsigned long flags, size_t bytes);
__declspec(dllimport) int __stdcall HeapFree(void* heap, unsigned long flags, void* p);
__declspec(dllimport) char* __stdcall GetCommandLineA();

// The compiler copies records through these.
void* memcpy(void* dst, const void* src, size_t n) {
  auto* d = static_cast<unsigned char*>(dst);
  auto* s = static_cast<const unsigned char*>(src);
  for (size_t i = 0; i < n; ++i) d[i] = s[i];
  return dst;
}
void* memset(void* dst, int value, size_t n) {
  auto* d = static_cast<unsigned char*>(dst);
  for (size_t i = 0; i < n; ++i) d[i] = static_cast<unsigned char>(value);
  return dst;
}
}

// The DLL's virtual table, as an inline-constructing client would import it.
extern "C" __declspec(dllimport) const
    void* const KalImportedVftable[] __asm__("??_7CTavExchg@@6B@");

// Visual C++'s operator new: the Universal C runtime allocates from the process heap.
void* operator new(size_t bytes) { return HeapAlloc(GetProcessHeap(), 0, bytes); }
void operator delete(void* p) noexcept { HeapFree(GetProcessHeap(), 0, p); }
void operator delete(void* p, size_t) noexcept { HeapFree(GetProcessHeap(), 0, p); }

namespace {

unsigned g_failures = 0;

size_t Length(const char* s) {
  size_t n = 0;
  while (s[n]) ++n;
  return n;
}

void Print(const char* text) {
  unsigned long written = 0;
  WriteFile(GetStdHandle(static_cast<unsigned long>(-11)), text,
            static_cast<unsigned long>(Length(text)), &written, nullptr);
}

void PrintNumber(unsigned value) {
  char digits[12];
  int i = 11;
  digits[i] = '\0';
  do {
    digits[--i] = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value && i > 0);
  Print(digits + i);
}

void Check(bool ok, int line, const char* what) {
  if (ok) return;
  ++g_failures;
  Print("msvc_client.cpp:");
  PrintNumber(static_cast<unsigned>(line));
  Print(": failed: ");
  Print(what);
  Print("\n");
}
#define CHECK(cond) Check((cond), __LINE__, #cond)

bool Same(const char* a, const char* b) {
  while (*a && *a == *b) ++a, ++b;
  return *a == *b;
}

bool SameBytes(const void* a, const void* b, size_t n) {
  auto* x = static_cast<const unsigned char*>(a);
  auto* y = static_cast<const unsigned char*>(b);
  for (size_t i = 0; i < n; ++i)
    if (x[i] != y[i]) return false;
  return true;
}

template <typename T>
void Fill(T& record, unsigned char seed) {
  auto* p = reinterpret_cast<unsigned char*>(&record);
  for (size_t i = 0; i < sizeof(T); ++i) p[i] = static_cast<unsigned char>(seed + i * 7);
}

const void* VptrOf(const CTavExchg& object) {
  const void* vptr;
  memcpy(&vptr, static_cast<const void*>(&object), sizeof(vptr));
  return vptr;
}

// Large records and lists live here rather than on the stack.
_PRINT_EXCHG_INFO g_print, g_printOut;
_SHARE_CONTENTSECURITY g_content, g_contentOut;
_Encrypt_Policy g_policies[64], g_policiesOut[64];
_MultiKey_Policy g_multi[2048], g_multiOut[2048];
_Signature_Pro g_pros[2048], g_prosOut[2048];
_TAV_EXCHG_INFO g_tavAll[256];
_SMART_EXCHG_INFO g_smartAll[256];
char g_screen[40960], g_screenOut[40960];
char g_mail[4096], g_mailOut[4096];
char g_hooks[1025], g_hooksOut[1025];
char g_sig[4096];

// Objects: stack, heap, copies; the DLL's constructors install its virtual table, and delete
// goes through that table's one slot.
void Objects() {
  CTavExchg onStack;
  CHECK(VptrOf(onStack) == KalImportedVftable);
  CTavExchg* onHeap = new CTavExchg;
  CHECK(VptrOf(*onHeap) == KalImportedVftable);
  CTavExchg copy(*onHeap);
  CHECK(VptrOf(copy) == KalImportedVftable);
  copy = onStack;
  CHECK(VptrOf(copy) == KalImportedVftable);
  CHECK(copy.GetCount(0) >= 0);
  delete onHeap;
  CTavExchg* second = new CTavExchg(onStack);
  CHECK(second->GetCount() >= 0);
  delete second;
}

void Strings(CTavExchg& ex) {
  char out[256];
  char tav[] = "tav-key", dy[] = "dy-key", mm[] = "main-key", outKey[] = "out-key";
  ex.SetTAVKey(tav);
  ex.GetTAVKey(out);
  CHECK(Same(out, "tav-key"));
  ex.SetDyKey(dy);
  ex.GetDyKey(out);
  CHECK(Same(out, "dy-key"));
  GetDyKeyname(out);
  CHECK(Same(out, "dy-key"));
  ex.SetMultiMainKey(mm);
  CHECK(ex.GetMultiMainKey(out) == 1 && Same(out, "main-key"));
  ex.SetTavOutDyKey(outKey);
  ex.GetTavOutDyKey(out);
  CHECK(Same(out, "out-key"));

  memset(g_mail, 'm', sizeof(g_mail) - 1);
  g_mail[sizeof(g_mail) - 1] = '\0';
  ex.SetDyMailWhite(g_mail);
  ex.GetDyMailWhite(g_mailOut);
  CHECK(Length(g_mailOut) == 4095 && g_mailOut[4094] == 'm');
  memset(g_screen, 's', sizeof(g_screen) - 1);
  ex.SetprotectScreen(g_screen);
  ex.GetprotectScreen(g_screenOut);
  CHECK(Length(g_screenOut) == 40959);
  memset(g_hooks, 'h', 1024);
  ex.SethookWhietList(g_hooks);
  ex.GethookWhiteList(g_hooksOut);
  CHECK(Length(g_hooksOut) == 1024);

  char ip[] = "10.0.0.9", port[] = "8443", ipOut[64] = "x", portOut[64] = "x";
  ex.SetCurrentIpPort(ip, port);
  ex.GetCurrentIpPort(nullptr, portOut);
  CHECK(Same(portOut, "8443"));
  ex.GetCurrentIpPort(ipOut, nullptr);
  CHECK(Same(ipOut, "10.0.0.9"));

  char name[] = "carol", pw[] = "secret", extra[] = "Ops";
  char nameOut[256] = "", pwOut[256] = "", extraOut[256] = "";
  ex.SetDefaultUserNameAndPsw(name, pw, extra);
  ex.GetDefaultUserNameAndPsw(nameOut, pwOut, extraOut);
  CHECK(Same(nameOut, "carol") && Same(pwOut, "secret") && Same(extraOut, "Ops"));
  nameOut[0] = pwOut[0] = '\0';
  GetUserNameAndPsw(nameOut, pwOut);
  CHECK(Same(nameOut, "carol") && Same(pwOut, "secret"));

  ex.SetUserEmployeeId("E-2024");
  ex.GetUserEmployeeId(out);
  CHECK(Same(out, "E-2024"));

  char one[] = "one.exe", two[] = "two.exe";
  ex.SetSignatureExe(one);
  ex.SetSignatureExe(two);
  ex.SetSignatureExe(one);
  CHECK(ex.GetSignatureExe(g_sig) == 1 && Same(g_sig, "one.exe|two.exe"));
  CHECK(ex.GetSignatureExe(g_sig) == 0 && Same(g_sig, ""));
}

void KeyedRecords(CTavExchg& ex) {
  const int tavBefore = ex.GetCount();
  _TAV_EXCHG_INFO tav;
  Fill(tav, 3);
  tav.infoId = 9001;
  tav.processId = 777;
  _TAV_EXCHG_INFO tavOut = {};
  CHECK(ex.AddInfo(tav) == 0);
  CHECK(ex.GetCount() == tavBefore + 1);
  CHECK(ex.GetInfo(9001u, tavOut) == 0 && SameBytes(&tav, &tavOut, sizeof(tav)));
  CHECK(ex.GetInfo_doc(777u) == 0);
  tav.readOnlyFlag = 5;
  CHECK(ex.SetInfo_doc(777u, tav) == 0);
  CHECK(ex.GetInfo_doc(777u, tavOut) == 0 && tavOut.readOnlyFlag == 5);
  CHECK(ex.GetAllInfo(g_tavAll) == tavBefore + 1);
  CHECK(ex.DeleteInfo(9001u) == 0 && ex.GetInfo_doc(777u) == -1);
  CHECK(ex.GetInfo(9001u, tavOut) == -1);

  const int smartBefore = ex.GetCount(0);
  _SMART_EXCHG_INFO smart;
  Fill(smart, 5);
  smart.processId = 888;
  CHECK(ex.AddInfo(smart) == 0);
  CHECK(ex.GetCount(0) == smartBefore + 1 && ex.GetInfo_doc(888u, 0) == 0);
  smart.agentData[0] = 0x5A;
  CHECK(ex.SetInfo_doc(888u, smart) == 0);
  CHECK(ex.GetAllInfo(g_smartAll, 0) == smartBefore + 1);
  bool found = false;
  for (int i = 0; i < smartBefore + 1; ++i)
    if (g_smartAll[i].processId == 888) found = SameBytes(&g_smartAll[i], &smart, sizeof(smart));
  CHECK(found);
  CHECK(ex.DeleteInfo(888u, 0) == 0 && ex.GetInfo_doc(888u, 0) == -1);

  _SANDBOX_EXCHG_INFO box, boxOut = {};
  Fill(box, 11);
  box.sandboxId = 31;
  CHECK(ex.AddInfo_doc(box) == 0);  // by value
  CHECK(ex.GetInfo_doc(31u, boxOut) == 0 && SameBytes(&box, &boxOut, sizeof(box)));
  box.agentData[9] = 0x42;
  CHECK(ex.SetInfo_doc(31u, box) == 0);
  CHECK(ex.GetInfo_doc(31u, boxOut) == 0 && boxOut.agentData[9] == 0x42);
  CHECK(ex.SetInfo_doc(32u, box) == -1);

  char flag = 0;
  CHECK(ex.AddInfo_doc('Q') == 0);
  CHECK(ex.GetInfo_doc(flag) == 0 && flag == 'Q');
}

void IdentifierLists(CTavExchg& ex) {
  const int dyBefore = ex.GetDyCount();
  CHECK(ex.AddDy(4001u) == dyBefore + 1);
  CHECK(ex.AddDy(4001u) == dyBefore + 1);  // present: not added again
  CHECK(ex.GetDy(4001u) == 1 && ex.GetDy(4002u) == 0);
  unsigned int ids[256] = {};
  CHECK(ex.GetDyAll(ids) == dyBefore + 1 && ids[dyBefore] == 4001u);
  CHECK(ex.DelDy(4001u) == dyBefore && ex.GetDy(4001u) == 0);

  ex.SignatureAddHookID(51u);
  ex.SignatureAddFakeID(52u);
  CHECK(ex.SignatureFindHookID(51u) == 1 && ex.SignatureFindFakeID(52u) == 1);
  CHECK(ex.SignatureFindHookID(52u) == 0);
  ex.SignatureDelHookID(51u);
  ex.SignatureDelFakeID(52u);
  CHECK(ex.SignatureFindHookID(51u) == 0 && ex.SignatureFindFakeID(52u) == 0);

  unsigned int pending[64] = {};
  ex.GetNewProcess(pending);  // whatever was pending before
  ex.AddNewProcess(61u);
  ex.AddNewProcess(62u);
  // The agent takes announced ids whenever the event wakes it: what is still pending is the
  // tail of what was announced, in order.
  const int n = ex.GetNewProcess(pending);
  CHECK((n == 2 && pending[0] == 61u && pending[1] == 62u) || (n == 1 && pending[0] == 62u) ||
        n == 0);
  CHECK(ex.GetNewProcess(pending) == 0);
}

// A record handed over by value and read back through a reference.
template <typename T>
bool ByValueRoundTrip(CTavExchg& ex, void (CTavExchg::*set)(T), void (CTavExchg::*get)(T&),
                      unsigned char seed) {
  T in, out;
  Fill(in, seed);
  memset(&out, 0, sizeof(out));
  (ex.*set)(in);
  (ex.*get)(out);
  return SameBytes(&in, &out, sizeof(in));
}

void ArraysAndSingleRecords(CTavExchg& ex) {
  for (int i = 0; i < 3; ++i) Fill(g_policies[i], static_cast<unsigned char>(i));
  ex.SetPolicy(g_policies, 3);
  CHECK(ex.GetPolicy(g_policiesOut) == 3 &&
        SameBytes(g_policies, g_policiesOut, 3 * sizeof(g_policies[0])));
  for (int i = 0; i < 5; ++i) Fill(g_multi[i], static_cast<unsigned char>(i + 40));
  ex.SetMultiKeyListInfo(g_multi, 5);
  CHECK(ex.GetMultiKeyListInfo(g_multiOut) == 5 &&
        SameBytes(g_multi, g_multiOut, 5 * sizeof(g_multi[0])));
  for (int i = 0; i < 2; ++i) Fill(g_pros[i], static_cast<unsigned char>(i + 90));
  ex.SetSignaturePro(g_pros, 2);
  CHECK(ex.GetSignaturePro(g_prosOut) == 2 && SameBytes(g_pros, g_prosOut, 2 * sizeof(g_pros[0])));

  Fill(g_print, 17);
  ex.SetPrintPolicy(g_print);
  ex.GetPrintPolicy(g_printOut);
  CHECK(SameBytes(&g_print, &g_printOut, sizeof(g_print)));
  Fill(g_content, 23);
  ex.SetContentSafe(g_content);  // by value
  memset(&g_contentOut, 0, sizeof(g_contentOut));
  ex.GetContentSafe(g_contentOut, 1);
  CHECK(SameBytes(&g_content, &g_contentOut, sizeof(g_content)));
  memset(&g_contentOut, 0, sizeof(g_contentOut));
  ex.GetContentSafe(g_contentOut, 0);
  CHECK(SameBytes(&g_content, &g_contentOut, sizeof(g_content)));

  CHECK(ByValueRoundTrip(ex, &CTavExchg::SetTerminalInfo, &CTavExchg::GetTerminalInfo, 29));
  CHECK(ByValueRoundTrip(ex, &CTavExchg::SetUserOperate, &CTavExchg::GetUserOperate, 31));
  CHECK(ByValueRoundTrip(ex, &CTavExchg::SetLogRecordType, &CTavExchg::GetLogRecordType, 37));

  int flag = 0;
  CHECK(ex.SetWaterMarkFlag(7));
  CHECK(ex.GetWaterMarkFlag(flag) && flag == 7);
  HWND wnd = reinterpret_cast<HWND>(static_cast<unsigned long long>(0x123456789ABCull));
  HWND wndOut = nullptr;
  ex.SetMainWndEx(wnd);
  ex.GetMainWndEx(wndOut);
  CHECK(wndOut == wnd);
  ex.SetConnectSer(-3);
  CHECK(ex.GetConnectSer() == -3);
  ex.SetSetupType(0xFFFFFFF0u);
  CHECK(ex.GetSetupType() == 0xFFFFFFF0u);
}

// A getter handed a record of known bytes: true when it left them as they were.
template <typename T, typename Get>
bool Untouched(T& out, T& reference, Get get) {
  Fill(out, 3);
  Fill(reference, 3);
  get(out);
  return SameBytes(&out, &reference, sizeof(T));
}

// A text getter handed a stale buffer: true when it leaves the empty text.
template <typename Get>
bool Clears(Get get) {
  char out[256] = "stale";
  get(out);
  return Same(out, "");
}

// No agent: the results and defaults for an absent section.
void Absent(CTavExchg& ex) {
  _TAV_EXCHG_INFO tav = {};
  _SMART_EXCHG_INFO smart = {};
  _SANDBOX_EXCHG_INFO box = {};
  CHECK(ex.GetCount() == 0 && ex.GetCount(0) == 0);
  CHECK(ex.AddInfo(tav) == -1 && ex.AddInfo(smart) == -1 && ex.AddInfo_doc(box) == -1);
  CHECK(ex.GetInfo(1u, tav) == -1 && ex.GetInfo_doc(1u, tav) == -1 &&
        ex.GetInfo_doc(1u, box) == -1);
  CHECK(ex.SetInfo_doc(1u, tav) == -1 && ex.SetInfo_doc(1u, smart) == -1 &&
        ex.SetInfo_doc(1u, box) == -1);
  CHECK(ex.GetInfo_doc(1u) == -1 && ex.GetInfo_doc(1u, 0) == -1);
  CHECK(ex.DeleteInfo(1u) == -1 && ex.DeleteInfo(1u, 0) == -1);
  CHECK(ex.GetAllInfo(g_tavAll) == -1 && ex.GetAllInfo(g_smartAll, 0) == -1);
  char flag = 'z';
  CHECK(ex.AddInfo_doc('Q') == -1 && ex.GetInfo_doc(flag) == -1 && flag == 'z');

  unsigned int ids[256];
  CHECK(ex.AddDy(1u) == -1 && ex.DelDy(1u) == -1 && ex.GetDy(1u) == 0);
  CHECK(ex.GetDyCount() == -1 && ex.GetDyAll(ids) == -1);
  ex.SignatureAddHookID(1u);
  ex.SignatureAddFakeID(1u);
  CHECK(ex.SignatureFindHookID(1u) == 0 && ex.SignatureFindFakeID(1u) == 0);
  ex.AddNewProcess(1u);
  CHECK(ex.GetNewProcess(ids) == 0);

  CHECK(ex.GetPolicy(g_policiesOut) == 0 && ex.GetMultiKeyListInfo(g_multiOut) == 0);
  CHECK(ex.GetSignaturePro(g_prosOut) == 0);
  // Record getters leave the caller's bytes untouched.
  CHECK(Untouched(g_printOut, g_print, [&](auto& r) { ex.GetPrintPolicy(r); }));
  CHECK(Untouched(g_contentOut, g_content, [&](auto& r) { ex.GetContentSafe(r, 1); }));
  CHECK(Untouched(g_contentOut, g_content, [&](auto& r) { ex.GetContentSafe(r, 0); }));
  CLIENTTERMINAL terminal, expected;
  CHECK(Untouched(terminal, expected, [&](auto& r) { ex.GetTerminalInfo(r); }));
  int wm = 5;
  CHECK(!ex.SetWaterMarkFlag(1) && !ex.GetWaterMarkFlag(wm) && wm == 5);
  CHECK(ex.GetConnectSer() == 0 && ex.GetSetupType() == 0u);

  CHECK(Clears([&](char* o) { ex.GetTAVKey(o); }));
  CHECK(Clears([&](char* o) { GetDyKeyname(o); }));
  CHECK(Clears([&](char* o) { CHECK(ex.GetMultiMainKey(o) == 0); }));
  CHECK(Clears([&](char* o) { ex.GetUserEmployeeId(o); }));
  CHECK(Clears([&](char* o) { ex.GetTavOutDyKey(o); }));
  char ip[64] = "x", port[64] = "x";
  ex.GetCurrentIpPort(ip, port);
  CHECK(Same(ip, "127.0.0.1") && Same(port, "0"));
  char name[256] = "n", pw[256] = "p", extra[256] = "e";
  ex.GetDefaultUserNameAndPsw(name, pw, extra);
  CHECK(Same(name, "") && Same(pw, "") && Same(extra, ""));
  name[0] = pw[0] = 'x';
  GetUserNameAndPsw(name, pw);
  CHECK(Same(name, "") && Same(pw, ""));
  g_sig[0] = 'k';
  g_sig[1] = '\0';
  CHECK(ex.GetSignatureExe(g_sig) == 0 && Same(g_sig, "k"));  // out untouched
}

bool EndsWith(const char* text, const char* tail) {
  const size_t n = Length(text), m = Length(tail);
  return n >= m && Same(text + n - m, tail);
}

}  // namespace

extern "C" void ClientMain() {
  // The command line's last word picks the mode.
  char* line = GetCommandLineA();
  size_t n = Length(line);
  while (n > 0 && line[n - 1] == ' ') line[--n] = '\0';
  Objects();
  CTavExchg ex;
  if (EndsWith(line, "present")) {
    Strings(ex);
    KeyedRecords(ex);
    IdentifierLists(ex);
    ArraysAndSingleRecords(ex);
  } else if (EndsWith(line, "absent")) {
    Absent(ex);
  } else {
    Print("usage: msvc_client.exe present|absent\n");
    ExitProcess(255);
  }
  ExitProcess(g_failures);
}
