// winword.exe: the simulated Word host. It loads registered add-ins as Word does, opens the
// document named on its command line (or a blank one, or none with /nodocument), runs a
// scenario script of user actions inside a real message loop, and shuts the add-ins down as
// Word does. The script line "unload" shuts them down early and lets COM free their modules.
//
//   winword.exe [document] [/script <file>] [/version <16.0|11.0|...>] [/log <file>]
//               [/dump <file>] [/noaddins] [/nodocument]
//   winword.exe /regserver | /unregserver      register as COM's "Word.Application"
//   winword.exe /automation [-Embedding]       started by COM: serve Application until Quit
//                                              or the last client reference is released
// The exit code is the number of scenario steps that failed with "error:" (0 = all ran).
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "sim/host/host_main.h"
#include "sim/host/local_server.h"
#include "sim/host/word_scenario.h"
#include "sim/engine/sim_error.h"
#include "sim/word/word_json.h"
#include "sim/word/word_model.h"

using namespace kalsim;
using namespace kalsim::word;

namespace {

struct CWinwordOptions : CHostOptions {
  bool bNoDocument = false;
};

int Run(const CWinwordOptions& o) {
  auto app = CWordApplication::Create(o.strVersion);
  // Word started by automation stays hidden until a client shows it.
  if (o.bAutomation) app->State().visible = false;
  app->SetQuitHandler([] { PostQuitMessage(0); });
  HWND window = CreateHostWindow(L"OpusApp", L"Word");
  LogHostStart(o, true);

  CAddinHost addins(L"Word", app->AsDispatch());
  LoadAddins(addins, o, L"Microsoft.Word.Document", [&](const std::wstring& xml) {
    app->ApplyCustomUi(xml);
    LogDisabledCommands(app->State().commands);
  });
  if (!o.bAutomation && !o.bNoDocument) {
    try {
      if (!o.strDocument.empty()) {
        app->OpenDocument(o.strDocument);
      } else {
        auto blank = MakeDocument(1);
        blank->name = L"Document" + std::to_wstring(++app->State().untitledCount);
        app->AddDocument(blank, false);
      }
    } catch (const CSimError& e) {
      HostLog(L"host open failed: " + e.Message());
    }
  }
  addins.StartupComplete();

  CWordScenario scenario(*app.Get(), PumpFor, [&](nlohmann::json& state) { DumpAddins(addins, state); }, PumpTicks);
  auto disconnectSinks = [&] { app->DisconnectSinks(); };

  if (o.bAutomation) {
    const ULONG baseline = app->RefCount();
    ServeUntil([&](bool* served, DWORD* cookie) { return ServeWordApplication(app->AsDispatch(), served, cookie); },
               // Word stays while a client holds it, or while it was made visible for the user.
               [&](bool served) {
                 return app->State().quitRequested ||
                        (served && app->RefCount() <= baseline && !app->State().visible);
               });
    LogAutomationCalls();
  } else if (!o.strScript.empty()) {
    bool read = RunScript(o.strScript, scenario, [&](const CScenarioStep& step) {
      if (step.words.size() != 1 || step.words[0] != L"unload") return false;
      // The add-ins go as at exit, then COM may free their modules while Word runs on.
      ReleaseAddins(addins, disconnectSinks);
      CoFreeUnusedLibraries();
      HostLog(L"action " + std::to_wstring(step.nLine) + L" unload -> ok");
      return true;
    });
    if (!read) return 1;
  } else {
    PumpUntil([&] { return app->State().quitRequested; });
  }

  // Word's exit: documents close, Quit fires, add-ins are told and released.
  for (auto doc : std::vector<std::shared_ptr<CDocument>>(app->State().documents)) {
    try {
      app->CloseDocument(doc, 0);
    } catch (const CSimError&) {
    }
  }
  app->Quit();
  ReleaseAddins(addins, disconnectSinks);
  if (!o.strDump.empty()) WriteWholeFile(o.strDump, scenario.Dump().dump(2));
  DestroyWindow(window);
  HostLog(L"host exit errors=" + std::to_wstring(scenario.Errors()));
  return scenario.Errors();
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  CWinwordOptions o;
  return HostMain(
      argc, argv, o, {{L"nodocument", &o.bNoDocument, nullptr}},
      "usage: winword.exe [document] [/script file] [/version v] [/log file] [/dump file] [/noaddins]"
      " [/nodocument]\n"
      "       winword.exe /regserver | /unregserver | /automation\n",
      [](bool bRegister, const std::wstring& exe) {
        return bRegister ? RegisterWordServer(exe) : UnregisterWordServer(exe);
      },
      [&] { return Run(o); });
}
