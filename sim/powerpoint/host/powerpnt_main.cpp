// powerpnt.exe: the simulated PowerPoint host. It loads registered add-ins as PowerPoint does
// (ribbon id "Microsoft.PowerPoint.Presentation"), shows its real windows, opens the
// presentation named on its command line (or a new one), runs a scenario script of user
// actions inside a real message loop, and shuts the add-ins down as PowerPoint does.
//
//   powerpnt.exe [presentation] [/script <file>] [/version <16.0|11.0|...>] [/log <file>]
//                [/dump <file>] [/noaddins] [/readonlyid <n>] [/passwordwait <ms>]
//   powerpnt.exe /regserver | /unregserver   register as COM's "PowerPoint.Application"
//   powerpnt.exe /automation [-Embedding]    started by COM: serve Application (multi-use, as
//                                            PowerPoint serves every client from one process)
// The exit code is the number of scenario steps that failed with "error:" (0 = all ran).
#include <windows.h>

#include <string>
#include <vector>

#include "sim/engine/sim_error.h"
#include "sim/host/addin_host.h"
#include "sim/host/host_log.h"
#include "sim/host/local_server.h"
#include "sim/host/message_pump.h"
#include "sim/powerpoint/host/ppt_scenario.h"
#include "sim/powerpoint/host/ppt_windows.h"
#include "sim/powerpoint/ppt_json.h"
#include "sim/word/word_json.h"

using namespace kalsim;
using namespace kalsim::ppt;

namespace {

const CLocalServerClass kPowerPointClass = {L"PowerPoint.Application",
                                            L"{91493441-5A91-11CF-8700-00AA0060263B}",
                                            L"Microsoft PowerPoint Application"};

struct COptions {
  bool bRegister = false, bUnregister = false, bAutomation = false, bNoAddins = false;
  std::wstring strPresentation, strScript, strVersion = L"16.0", strLog, strDump;
  int nReadOnlyId = 7;
  DWORD dwPasswordWaitMs = 3000;
};

bool SameSwitch(const std::wstring& arg, const wchar_t* name) {
  return (arg[0] == L'/' || arg[0] == L'-') && CompareStringOrdinal(arg.c_str() + 1, -1, name, -1, TRUE) == CSTR_EQUAL;
}

bool ParseArgs(int argc, wchar_t** argv, COptions& o) {
  for (int i = 1; i < argc; ++i) {
    std::wstring a = argv[i];
    if (a.empty()) continue;
    auto next = [&](std::wstring& out) {
      if (i + 1 >= argc) return false;
      out = argv[++i];
      return true;
    };
    std::wstring number;
    if (SameSwitch(a, L"regserver")) o.bRegister = true;
    else if (SameSwitch(a, L"unregserver")) o.bUnregister = true;
    else if (SameSwitch(a, L"automation") || SameSwitch(a, L"embedding")) o.bAutomation = true;
    else if (SameSwitch(a, L"noaddins")) o.bNoAddins = true;
    else if (SameSwitch(a, L"script")) { if (!next(o.strScript)) return false; }
    else if (SameSwitch(a, L"version")) { if (!next(o.strVersion)) return false; }
    else if (SameSwitch(a, L"log")) { if (!next(o.strLog)) return false; }
    else if (SameSwitch(a, L"dump")) { if (!next(o.strDump)) return false; }
    else if (SameSwitch(a, L"readonlyid")) { if (!next(number)) return false; o.nReadOnlyId = _wtoi(number.c_str()); }
    else if (SameSwitch(a, L"passwordwait")) { if (!next(number)) return false; o.dwPasswordWaitMs = static_cast<DWORD>(_wtoi(number.c_str())); }
    else if (a[0] == L'/') return false;
    else o.strPresentation = a;
  }
  return true;
}

std::wstring ExePath() {
  wchar_t path[MAX_PATH];
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  return path;
}

std::wstring Hex(HRESULT hr) {
  wchar_t buf[16];
  swprintf(buf, 16, L"0x%08lX", static_cast<unsigned long>(hr));
  return buf;
}

// The user's session: the scenario's steps, or the user's own time until PowerPoint quits;
// false when the scenario cannot be read.
bool RunUser(const COptions& o, CPptApplication& app, CPptScenario& scenario) {
  if (o.strScript.empty()) {
    PumpUntil([&] { return app.State().quitRequested; });
    return true;
  }
  std::wstring text;
  if (!ReadUtf8File(o.strScript, text)) {
    HostLog(L"host cannot read script " + o.strScript);
    return false;
  }
  for (const auto& step : ParseScenario(text)) {
    scenario.Run(step);
    if (scenario.Quit() || !PumpFor(0)) break;
  }
  return true;
}

int Run(const COptions& o) {
  auto app = CPptApplication::Create(o.strVersion);
  if (o.bAutomation) app->State().visible = false;  // shown only when a client asks
  app->SetQuitHandler([] { PostQuitMessage(0); });
  CPptWindows windows(*app.Get());
  app->SetPasswordPrompt([&](const CPresentation& p, std::wstring* typed) {
    return windows.AskPassword(p, typed, o.nReadOnlyId, o.dwPasswordWaitMs);
  });
  HostLog(L"host start version=" + o.strVersion + (o.bAutomation ? L" automation" : L""));

  CAddinHost addins(L"PowerPoint", app->AsDispatch());
  if (!o.bNoAddins) addins.LoadRegistered(ext_cm_Startup);
  addins.CustomizeRibbon(L"Microsoft.PowerPoint.Presentation", [&](const std::wstring& xml) {
    app->ApplyCustomUi(xml);
    for (const auto& c : app->State().commands)
      if (!c.enabled) HostLog(L"ribbon disabled " + c.idMso);
  });
  if (!o.bAutomation) {
    try {
      if (!o.strPresentation.empty()) app->OpenPresentation(o.strPresentation);
      else app->NewPresentation();
    } catch (const CSimError& e) {
      HostLog(L"host open failed: " + e.Message());
    }
    windows.UpdateTitle();
  }
  addins.StartupComplete();

  CPptScenario scenario(*app.Get(), windows, [&](nlohmann::json& state) {
    nlohmann::json list = nlohmann::json::array();
    for (auto& a : addins.Addins())
      list.push_back(nlohmann::json{{"progId", word::ToUtf8(a.strProgId)}, {"connectHr", static_cast<long>(a.hrConnect)},
                                    {"ribbonXml", word::ToUtf8(a.strRibbonXml)}, {"unloadHr", static_cast<long>(a.hrUnload)}});
    state["addins"] = list;
  });

  if (o.bAutomation) {
    bool served = false;
    DWORD cookie = 0;
    const ULONG baseline = app->RefCount();
    CLSID clsid;
    CLSIDFromString(kPowerPointClass.clsid, &clsid);
    HRESULT hr = ServeApplication(clsid, REGCLS_MULTIPLEUSE, app->AsDispatch(), &served, &cookie);
    HostLog(L"server registered hr=" + Hex(hr));
    PumpUntil([&] { return app->State().quitRequested || (served && app->RefCount() <= baseline && !app->State().visible); });
    CoRevokeClassObject(cookie);
    LogAutomationCalls();
  } else {
    // https://learn.microsoft.com/en-us/previous-versions/office/developer/office-xp/aa141357(v=office.10):
    // "there can be only one instance of PowerPoint running at a time ... CreateObject ...
    // will point to the currently running instance": the PowerPoint a user started serves
    // automation clients too, from this process.
    bool served = false;
    DWORD cookie = 0;
    CLSID clsid;
    CLSIDFromString(kPowerPointClass.clsid, &clsid);
    const HRESULT hr = ServeApplication(clsid, REGCLS_MULTIPLEUSE, app->AsDispatch(), &served, &cookie);
    if (FAILED(hr)) cookie = 0;
    HostLog(L"server registered hr=" + Hex(hr));
    const bool ran = RunUser(o, *app.Get(), scenario);
    if (cookie) CoRevokeClassObject(cookie);
    if (!ran) return 1;
    LogAutomationCalls();
  }

  // PowerPoint's exit: presentations close, add-ins are told and released.
  for (auto p : std::vector<PresentationPtr>(app->State().presentations)) app->ClosePresentation(p);
  app->Quit();
  addins.BeginShutdown();
  addins.Disconnect();
  app->DisconnectSinks();
  addins.CheckUnload();
  if (!o.strDump.empty()) word::WriteWholeFile(o.strDump, scenario.Dump().dump(2));
  HostLog(L"host exit errors=" + std::to_wstring(scenario.Errors()));
  return scenario.Errors();
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  COptions o;
  if (!ParseArgs(argc, argv, o)) {
    fputs("usage: powerpnt.exe [presentation] [/script file] [/version v] [/log file] [/dump file] [/noaddins]\n"
          "                    [/readonlyid n] [/passwordwait ms]\n"
          "       powerpnt.exe /regserver | /unregserver | /automation\n",
          stderr);
    return 2;
  }
  CHostLog::Instance().Open(o.strLog);
  if (o.strLog.empty()) {
    wchar_t env[MAX_PATH];
    if (GetEnvironmentVariableW(L"KALSIM_LOG", env, MAX_PATH)) CHostLog::Instance().Open(env);
  }
  if (FAILED(OleInitialize(nullptr))) return 3;
  int rc = 0;
  if (o.bRegister || o.bUnregister) {
    HRESULT hr = o.bRegister ? RegisterLocalServer(kPowerPointClass, ExePath())
                             : UnregisterLocalServer(kPowerPointClass, ExePath());
    HostLog(std::wstring(o.bRegister ? L"regserver" : L"unregserver") + L" hr=" + Hex(hr));
    rc = FAILED(hr) ? 1 : 0;
  } else {
    rc = Run(o);
  }
  CoFreeUnusedLibraries();
  OleUninitialize();
  return rc;
}
