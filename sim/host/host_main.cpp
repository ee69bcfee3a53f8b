// The steps every simulated Office host shares: switches, registration, add-in hosting and
// the script loop (see host_main.h).
#include "sim/host/host_main.h"

#include <cstdio>

#include "sim/engine/call_counter.h"
#include "sim/engine/sim_arg_recorder.h"
#include "sim/word/word_json.h"

namespace kalsim {

namespace {

bool SameSwitch(const std::wstring& arg, const wchar_t* name) {
  return (arg[0] == L'/' || arg[0] == L'-') && CompareStringOrdinal(arg.c_str() + 1, -1, name, -1, TRUE) == CSTR_EQUAL;
}

bool ParseArgs(int argc, wchar_t** argv, CHostOptions& o, std::initializer_list<CHostSwitch> extra) {
  for (int i = 1; i < argc; ++i) {
    std::wstring a = argv[i];
    if (a.empty()) continue;
    auto next = [&](std::wstring& out) {
      if (i + 1 >= argc) return false;
      out = argv[++i];
      return true;
    };
    const CHostSwitch* own = nullptr;
    for (const auto& s : extra)
      if (SameSwitch(a, s.name)) own = &s;
    if (own) {
      if (own->flag) *own->flag = true;
      else if (!next(*own->value)) return false;
    }
    else if (SameSwitch(a, L"regserver")) o.bRegister = true;
    else if (SameSwitch(a, L"unregserver")) o.bUnregister = true;
    else if (SameSwitch(a, L"automation") || SameSwitch(a, L"embedding")) o.bAutomation = true;
    else if (SameSwitch(a, L"noaddins")) o.bNoAddins = true;
    else if (SameSwitch(a, L"script")) { if (!next(o.strScript)) return false; }
    else if (SameSwitch(a, L"version")) { if (!next(o.strVersion)) return false; }
    else if (SameSwitch(a, L"log")) { if (!next(o.strLog)) return false; }
    else if (SameSwitch(a, L"dump")) { if (!next(o.strDump)) return false; }
    else if (SameSwitch(a, L"testonlyrecordpasswords")) { if (!next(o.strTestOnlyPasswordFile)) return false; }
    else if (a[0] == L'/') return false;
    else o.strDocument = a;
  }
  return true;
}

std::wstring ExePath() {
  wchar_t path[MAX_PATH];
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  return path;
}

}  // namespace

std::wstring HexHr(HRESULT hr) {
  wchar_t buf[16];
  swprintf(buf, 16, L"0x%08lX", static_cast<unsigned long>(hr));
  return buf;
}

int HostMain(int argc, wchar_t** argv, CHostOptions& o, std::initializer_list<CHostSwitch> extra, const char* usage,
             const std::function<HRESULT(bool bRegister, const std::wstring& exePath)>& registration,
             const std::function<int()>& run) {
  if (!ParseArgs(argc, argv, o, extra)) {
    fputs(usage, stderr);
    return 2;
  }
  CHostLog::Instance().Open(o.strLog);
  if (o.strLog.empty()) {
    wchar_t env[MAX_PATH];
    if (GetEnvironmentVariableW(L"KALSIM_LOG", env, MAX_PATH)) CHostLog::Instance().Open(env);
  }
  if (FAILED(OleInitialize(nullptr))) return 3;
  if (!o.strTestOnlyPasswordFile.empty()) {
    CSimArgRecorder::Instance().Watch(L"Protect", L"Password");
    CSimArgRecorder::Instance().Watch(L"Unprotect", L"Password");
  }
  int rc = 0;
  if (o.bRegister || o.bUnregister) {
    HRESULT hr = registration(o.bRegister, ExePath());
    HostLog(std::wstring(o.bRegister ? L"regserver" : L"unregserver") + L" hr=" + HexHr(hr));
    rc = FAILED(hr) ? 1 : 0;
  } else {
    rc = run();
  }
  if (!o.strTestOnlyPasswordFile.empty() && !CSimArgRecorder::Instance().WriteTo(o.strTestOnlyPasswordFile))
    HostLog(L"host cannot write the recorded passwords");
  CoFreeUnusedLibraries();
  OleUninitialize();
  return rc;
}

void LogHostStart(const CHostOptions& o, bool commandLine) {
  HostLog(L"host start version=" + o.strVersion + (o.bAutomation ? L" automation" : L""));
  if (commandLine) HostLog(std::wstring(L"host command line ") + GetCommandLineW());
}

void LoadAddins(CAddinHost& addins, const CHostOptions& o, const wchar_t* ribbonId,
                const std::function<void(const std::wstring&)>& apply) {
  if (!o.bNoAddins) addins.LoadRegistered(ext_cm_Startup);
  addins.CustomizeRibbon(ribbonId, apply);
}

void DumpAddins(CAddinHost& addins, nlohmann::json& state) {
  nlohmann::json list = nlohmann::json::array();
  for (auto& a : addins.Addins())
    list.push_back(nlohmann::json{{"progId", word::ToUtf8(a.strProgId)},
                                  {"connectHr", static_cast<long>(a.hrConnect)},
                                  {"ribbonXml", word::ToUtf8(a.strRibbonXml)},
                                  {"unloadHr", static_cast<long>(a.hrUnload)}});
  state["addins"] = list;
}

void ReleaseAddins(CAddinHost& addins, const std::function<void()>& disconnectSinks) {
  addins.BeginShutdown();
  addins.Disconnect();
  disconnectSinks();
  addins.CheckUnload();
}

void ServeUntil(const std::function<HRESULT(bool*, DWORD*)>& serve, const std::function<bool(bool served)>& done,
                const std::function<void()>& beforePump) {
  bool served = false;
  DWORD cookie = 0;
  HRESULT hr = serve(&served, &cookie);
  HostLog(L"server registered hr=" + HexHr(hr));
  if (beforePump) beforePump();
  // Unverified, our choice: a server that COM started but no client ever called ends after a
  // minute. Wine's COM has been seen to start a server and then hand its client another
  // instance's object; that server would otherwise run, unseen, forever.
  // Likewise a served server that no call has reached for two minutes ends: Wine's COM does
  // not release the references of a client that ended without releasing them, and such a
  // server would keep running, and keep the output of the test that started it open, forever.
  constexpr DWORD kUnservedExitMs = 60000, kIdleExitMs = 120000;
  const DWORD start = GetTickCount();
  long calls = CSimCallCounter::Instance().Total();
  DWORD lastCall = start;
  bool unserved = false, idle = false;
  PumpUntil([&] {
    const DWORD now = GetTickCount();
    const long total = CSimCallCounter::Instance().Total();
    if (total != calls) {
      calls = total;
      lastCall = now;
    }
    unserved = !served && now - start > kUnservedExitMs;
    idle = served && now - lastCall > kIdleExitMs;
    return unserved || idle || done(served);
  });
  if (unserved) HostLog(L"server unserved for " + std::to_wstring(kUnservedExitMs / 1000) + L" s");
  if (idle) HostLog(L"server idle for " + std::to_wstring(kIdleExitMs / 1000) + L" s");
  CoRevokeClassObject(cookie);
}

}  // namespace kalsim
