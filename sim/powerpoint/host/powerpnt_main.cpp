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
#include "sim/host/host_main.h"
#include "sim/host/local_server.h"
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

struct CPptOptions : CHostOptions {
  std::wstring strReadOnlyId, strPasswordWait;  // numbers; unset keeps the defaults below
  int nReadOnlyId = 7;
  DWORD dwPasswordWaitMs = 3000;
};

int Run(const CPptOptions& o) {
  auto app = CPptApplication::Create(o.strVersion);
  if (o.bAutomation) app->State().visible = false;  // shown only when a client asks
  app->SetQuitHandler([] { PostQuitMessage(0); });
  CPptWindows windows(*app.Get());
  app->SetPasswordPrompt([&](const CPresentation& p, std::wstring* typed) {
    return windows.AskPassword(p, typed, o.nReadOnlyId, o.dwPasswordWaitMs);
  });
  LogHostStart(o, false);

  CAddinHost addins(L"PowerPoint", app->AsDispatch());
  LoadAddins(addins, o, L"Microsoft.PowerPoint.Presentation", [&](const std::wstring& xml) {
    app->ApplyCustomUi(xml);
    LogDisabledCommands(app->State().commands);
  });
  if (!o.bAutomation) {
    try {
      if (!o.strDocument.empty()) app->OpenPresentation(o.strDocument);
      else app->NewPresentation();
    } catch (const CSimError& e) {
      HostLog(L"host open failed: " + e.Message());
    }
    windows.UpdateTitle();
  }
  addins.StartupComplete();

  CPptScenario scenario(*app.Get(), windows, [&](nlohmann::json& state) { DumpAddins(addins, state); });

  if (o.bAutomation) {
    const ULONG baseline = app->RefCount();
    CLSID clsid;
    CLSIDFromString(kPowerPointClass.clsid, &clsid);
    ServeUntil(
        [&](bool* served, DWORD* cookie) {
          return ServeApplication(clsid, REGCLS_MULTIPLEUSE, app->AsDispatch(), served, cookie);
        },
        [&](bool served) {
          return app->State().quitRequested || (served && app->RefCount() <= baseline && !app->State().visible);
        });
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
    HostLog(L"server registered hr=" + HexHr(hr));
    bool ran = true;
    if (o.strScript.empty()) {
      PumpUntil([&] { return app->State().quitRequested; });
    } else {
      ran = RunScript(o.strScript, scenario);
    }
    if (cookie) CoRevokeClassObject(cookie);
    if (!ran) return 1;
    LogAutomationCalls();
  }

  // PowerPoint's exit: presentations close, add-ins are told and released.
  for (auto p : std::vector<PresentationPtr>(app->State().presentations)) app->ClosePresentation(p);
  app->Quit();
  ReleaseAddins(addins, [&] { app->DisconnectSinks(); });
  if (!o.strDump.empty()) word::WriteWholeFile(o.strDump, scenario.Dump().dump(2));
  HostLog(L"host exit errors=" + std::to_wstring(scenario.Errors()));
  return scenario.Errors();
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  CPptOptions o;
  return HostMain(
      argc, argv, o, {{L"readonlyid", nullptr, &o.strReadOnlyId}, {L"passwordwait", nullptr, &o.strPasswordWait}},
      "usage: powerpnt.exe [presentation] [/script file] [/version v] [/log file] [/dump file] [/noaddins]\n"
      "                    [/readonlyid n] [/passwordwait ms]\n"
      "       powerpnt.exe /regserver | /unregserver | /automation\n",
      [](bool bRegister, const std::wstring& exe) {
        return bRegister ? RegisterLocalServer(kPowerPointClass, exe) : UnregisterLocalServer(kPowerPointClass, exe);
      },
      [&] {
        if (!o.strReadOnlyId.empty()) o.nReadOnlyId = _wtoi(o.strReadOnlyId.c_str());
        if (!o.strPasswordWait.empty()) o.dwPasswordWaitMs = static_cast<DWORD>(_wtoi(o.strPasswordWait.c_str()));
        return Run(o);
      });
}
