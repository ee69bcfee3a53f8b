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
// /personal opens a hidden PERSONAL.XLSB first; /e starts without a new blank workbook;
// /protectedview opens the workbook in a Protected View window (as a file from the internet).
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
#include "sim/host/host_main.h"
#include "sim/host/local_server.h"
#include "sim/word/word_json.h"

using namespace kalsim;
using namespace kalsim::excel;

namespace {

const CLocalServerClass kExcelClass = {L"Excel.Application", L"{00024500-0000-0000-C000-000000000046}",
                                       L"Microsoft Excel Application"};

struct CExcelOptions : CHostOptions {
  bool bPersonal = false, bEmpty = false, bProtectedView = false;
};

int Run(const CExcelOptions& o) {
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
  LogHostStart(o, true);

  CAddinHost addins(L"Excel", app->AsDispatch());
  LoadAddins(addins, o, L"Microsoft.Excel.Workbook", [&](const std::wstring& xml) {
    app->Commands().ApplyCustomUi(xml);
    LogDisabledCommands(app->Commands().Commands());
  });
  if (o.bPersonal) {
    auto personal = MakeWorkbook(L"PERSONAL.XLSB", 1);
    personal->hidden = true;
    app->AddWorkbook(personal);
  }
  if (!o.bAutomation) {
    try {
      if (!o.strDocument.empty()) {
        if (o.bProtectedView)
          app->OpenInProtectedView(o.strDocument);
        else
          app->OpenWorkbook(o.strDocument);
      } else if (!o.bEmpty) {
        app->NewWorkbook();
      }
    } catch (const CSimError& e) {
      HostLog(L"host open failed: " + e.Message());
    }
  }
  addins.StartupComplete();

  CExcelScenario scenario(*app.Get(), PumpFor, PumpTicks, [&](nlohmann::json& state) { DumpAddins(addins, state); });

  if (o.bAutomation) {
    const ULONG baseline = app->RefCount();
    // https://learn.microsoft.com/office/vba/api/excel.application.quit: Excel stays while a
    // client holds references, after Quit too; a user in control keeps it open.
    // KALSIM_IGNORE_QUIT=1 (inherited from the client that starts the server) makes a hung
    // Excel: Quit, WM_QUIT and SC_CLOSE have no effect and only ending the process stops it.
    wchar_t hang[8] = {};
    const bool ignoreQuit = GetEnvironmentVariableW(L"KALSIM_IGNORE_QUIT", hang, 8) && hang[0] == L'1';
    ServeUntil(
        [&](bool* served, DWORD* cookie) {
          return ServeApplication(kal::CLSID_Excel_Application, REGCLS_SINGLEUSE, app->AsDispatch(), served, cookie);
        },
        [&](bool served) {
          return !ignoreQuit && served && app->RefCount() <= baseline &&
                 (app->State().quitRequested || !(app->State().userControl || app->State().visible));
        },
        [&] {
          if (ignoreQuit) HostLog(L"host ignores quit");
          IgnoreQuitMessages(ignoreQuit);
        });
    LogAutomationCalls();
  } else if (!o.strScript.empty()) {
    if (!RunScript(o.strScript, scenario)) return 1;
  } else {
    PumpUntil([&] { return app->State().quitRequested; });
  }

  // Excel's exit: add-ins are told and released, then the workbooks close.
  ReleaseAddins(addins, [&] { app->DisconnectSinks(); });
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
  CExcelOptions o;
  return HostMain(
      argc, argv, o, {{L"personal", &o.bPersonal, nullptr}, {L"e", &o.bEmpty, nullptr}, {L"protectedview", &o.bProtectedView, nullptr}},
      "usage: excel.exe [workbook] [/script file] [/version v] [/log file] [/dump file] [/noaddins] [/personal] [/e] [/protectedview]\n"
      "       excel.exe /regserver | /unregserver | /automation\n",
      [](bool bRegister, const std::wstring& exe) {
        return bRegister ? RegisterLocalServer(kExcelClass, exe) : UnregisterLocalServer(kExcelClass, exe);
      },
      [&] { return Run(o); });
}
