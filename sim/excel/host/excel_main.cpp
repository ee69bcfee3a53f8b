// excel.exe: the simulated Excel host. It loads registered add-ins as Excel does, opens the
// hidden personal macro workbook when asked, opens the workbook named on its command line (or
// a blank one), runs a scenario script of user actions inside a real message loop, and shuts
// the add-ins down as Excel does.
//
//   excel.exe [workbook] [/script <file>] [/version <16.0|...>] [/log <file>] [/dump <file>]
//             [/noaddins] [/personal] [/e]
//   excel.exe /regserver | /unregserver       register as COM's "Excel.Application"
//   excel.exe /automation [-Embedding]        started by COM: serve Application; after Quit
//                                             (or without UserControl) it ends once the last
//                                             client reference is released
// /personal opens a hidden PERSONAL.XLSB first; /e starts without a new blank workbook.
// The exit code is the number of scenario steps that failed with "error:" (0 = all ran).
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "core/office_interfaces.h"
#include "sim/engine/sim_error.h"
#include "sim/excel/excel_json.h"
#include "sim/excel/excel_model.h"
#include "sim/excel/host/excel_scenario.h"
#include "sim/host/addin_host.h"
#include "sim/host/host_log.h"
#include "sim/host/local_server.h"
#include "sim/host/message_pump.h"
#include "sim/word/word_json.h"

using namespace kalsim;
using namespace kalsim::excel;
using kalsim::word::ToUtf8;

namespace {

const CLocalServerClass kExcelClass = {L"Excel.Application", L"{00024500-0000-0000-C000-000000000046}",
                                       L"Microsoft Excel Application"};

struct COptions {
  bool bRegister = false, bUnregister = false, bAutomation = false, bNoAddins = false, bPersonal = false,
       bEmpty = false;
  std::wstring strWorkbook, strScript, strVersion = L"16.0", strLog, strDump;
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
    if (SameSwitch(a, L"regserver")) o.bRegister = true;
    else if (SameSwitch(a, L"unregserver")) o.bUnregister = true;
    else if (SameSwitch(a, L"automation") || SameSwitch(a, L"embedding")) o.bAutomation = true;
    else if (SameSwitch(a, L"noaddins")) o.bNoAddins = true;
    else if (SameSwitch(a, L"personal")) o.bPersonal = true;
    else if (SameSwitch(a, L"e")) o.bEmpty = true;
    else if (SameSwitch(a, L"script")) { if (!next(o.strScript)) return false; }
    else if (SameSwitch(a, L"version")) { if (!next(o.strVersion)) return false; }
    else if (SameSwitch(a, L"log")) { if (!next(o.strLog)) return false; }
    else if (SameSwitch(a, L"dump")) { if (!next(o.strDump)) return false; }
    else if (a[0] == L'/') return false;
    else o.strWorkbook = a;
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

int Run(const COptions& o) {
  auto app = CExcelApplication::Create(o.strVersion);
  // https://learn.microsoft.com/office/vba/api/excel.application.usercontrol: False when
  // Excel was started by automation; it also stays hidden until a client shows it.
  if (o.bAutomation) {
    app->State().visible = false;
    app->State().userControl = false;
  }
  // Under automation Quit only ends the loop once no client holds Excel any more.
  app->SetQuitHandler([&o] {
    if (!o.bAutomation) PostQuitMessage(0);
  });
  HostLog(L"host start version=" + o.strVersion + (o.bAutomation ? L" automation" : L""));
  HostLog(std::wstring(L"host command line ") + GetCommandLineW());

  CAddinHost addins(L"Excel", app->AsDispatch());
  if (!o.bNoAddins) addins.LoadRegistered(ext_cm_Startup);
  addins.CustomizeRibbon(L"Microsoft.Excel.Workbook", [&](const std::wstring& xml) {
    app->Commands().ApplyCustomUi(xml);
    for (const auto& c : app->Commands().Commands())
      if (!c.enabled) HostLog(L"ribbon disabled " + c.idMso);
  });
  if (o.bPersonal) {
    auto personal = MakeWorkbook(L"PERSONAL.XLSB", 1);
    personal->hidden = true;
    app->AddWorkbook(personal);
  }
  if (!o.bAutomation) {
    try {
      if (!o.strWorkbook.empty()) {
        app->OpenWorkbook(o.strWorkbook);
      } else if (!o.bEmpty) {
        app->NewWorkbook();
      }
    } catch (const CSimError& e) {
      HostLog(L"host open failed: " + e.Message());
    }
  }
  addins.StartupComplete();

  CExcelScenario scenario(*app.Get(), PumpFor, PumpTicks, [&](nlohmann::json& state) {
    nlohmann::json list = nlohmann::json::array();
    for (auto& a : addins.Addins())
      list.push_back(nlohmann::json{{"progId", ToUtf8(a.strProgId)},
                                    {"connectHr", static_cast<long>(a.hrConnect)},
                                    {"ribbonXml", ToUtf8(a.strRibbonXml)},
                                    {"unloadHr", static_cast<long>(a.hrUnload)}});
    state["addins"] = list;
  });

  if (o.bAutomation) {
    bool served = false;
    DWORD cookie = 0;
    const ULONG baseline = app->RefCount();
    HRESULT hr = ServeApplication(kal::CLSID_Excel_Application, REGCLS_SINGLEUSE, app->AsDispatch(), &served, &cookie);
    HostLog(L"server registered hr=" + Hex(hr));
    // https://learn.microsoft.com/office/vba/api/excel.application.quit: Excel stays while a
    // client holds references, after Quit too; a user in control keeps it open.
    // KALSIM_IGNORE_QUIT=1 (inherited from the client that starts the server) makes a hung
    // Excel: Quit, WM_QUIT and SC_CLOSE have no effect and only ending the process stops it.
    wchar_t hang[8] = {};
    const bool ignoreQuit = GetEnvironmentVariableW(L"KALSIM_IGNORE_QUIT", hang, 8) && hang[0] == L'1';
    if (ignoreQuit) HostLog(L"host ignores quit");
    IgnoreQuitMessages(ignoreQuit);
    PumpUntil([&] {
      return !ignoreQuit && served && app->RefCount() <= baseline &&
             (app->State().quitRequested || !(app->State().userControl || app->State().visible));
    });
    CoRevokeClassObject(cookie);
    LogAutomationCalls();
  } else if (!o.strScript.empty()) {
    std::wstring text;
    if (!ReadUtf8File(o.strScript, text)) {
      HostLog(L"host cannot read script " + o.strScript);
      return 1;
    }
    for (const auto& step : ParseScenario(text)) {
      scenario.Run(step);
      if (scenario.Quit() || !PumpFor(0)) break;
    }
  } else {
    PumpUntil([&] { return app->State().quitRequested; });
  }

  // Excel's exit: add-ins are told and released, then the workbooks close.
  addins.BeginShutdown();
  addins.Disconnect();
  app->DisconnectSinks();
  addins.CheckUnload();
  if (!o.strDump.empty()) word::WriteWholeFile(o.strDump, scenario.Dump().dump(2));
  for (auto book : std::vector<std::shared_ptr<CWorkbook>>(app->State().workbooks)) {
    try {
      app->CloseWorkbook(book, false);
    } catch (const CSimError&) {
    }
  }
  HostLog(L"host exit errors=" + std::to_wstring(scenario.Errors()));
  return scenario.Errors();
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  COptions o;
  if (!ParseArgs(argc, argv, o)) {
    fputs("usage: excel.exe [workbook] [/script file] [/version v] [/log file] [/dump file] [/noaddins] [/personal] [/e]\n"
          "       excel.exe /regserver | /unregserver | /automation\n",
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
    HRESULT hr = o.bRegister ? RegisterLocalServer(kExcelClass, ExePath()) : UnregisterLocalServer(kExcelClass, ExePath());
    HostLog(std::wstring(o.bRegister ? L"regserver" : L"unregserver") + L" hr=" + Hex(hr));
    rc = FAILED(hr) ? 1 : 0;
  } else {
    rc = Run(o);
  }
  CoFreeUnusedLibraries();
  OleUninitialize();
  return rc;
}
