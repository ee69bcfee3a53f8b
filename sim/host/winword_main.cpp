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

#include "sim/host/addin_host.h"
#include "sim/host/host_log.h"
#include "sim/host/local_server.h"
#include "sim/host/message_pump.h"
#include "sim/host/word_scenario.h"
#include "sim/engine/sim_error.h"
#include "sim/word/word_json.h"
#include "sim/word/word_model.h"

using namespace kalsim;
using namespace kalsim::word;

namespace {

struct COptions {
  bool bRegister = false, bUnregister = false, bAutomation = false, bNoAddins = false, bNoDocument = false;
  std::wstring strDocument, strScript, strVersion = L"16.0", strLog, strDump;
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
    else if (SameSwitch(a, L"nodocument")) o.bNoDocument = true;
    else if (SameSwitch(a, L"script")) { if (!next(o.strScript)) return false; }
    else if (SameSwitch(a, L"version")) { if (!next(o.strVersion)) return false; }
    else if (SameSwitch(a, L"log")) { if (!next(o.strLog)) return false; }
    else if (SameSwitch(a, L"dump")) { if (!next(o.strDump)) return false; }
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

std::wstring Hex(HRESULT hr) {
  wchar_t buf[16];
  swprintf(buf, 16, L"0x%08lX", static_cast<unsigned long>(hr));
  return buf;
}

int Run(const COptions& o) {
  auto app = CWordApplication::Create(o.strVersion);
  // Word started by automation stays hidden until a client shows it.
  if (o.bAutomation) app->State().visible = false;
  app->SetQuitHandler([] { PostQuitMessage(0); });
  HWND window = CreateHostWindow(L"OpusApp", L"Word");
  HostLog(L"host start version=" + o.strVersion + (o.bAutomation ? L" automation" : L""));
  HostLog(std::wstring(L"host command line ") + GetCommandLineW());

  CAddinHost addins(L"Word", app->AsDispatch());
  if (!o.bNoAddins) addins.LoadRegistered(ext_cm_Startup);
  addins.CustomizeRibbon(L"Microsoft.Word.Document", [&](const std::wstring& xml) {
    app->ApplyCustomUi(xml);
    for (const auto& c : app->State().commands)
      if (!c.enabled) HostLog(L"ribbon disabled " + c.idMso);
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

  CWordScenario scenario(*app.Get(), PumpFor, [&](nlohmann::json& state) {
    nlohmann::json list = nlohmann::json::array();
    for (auto& a : addins.Addins())
      list.push_back(nlohmann::json{{"progId", ToUtf8(a.strProgId)},
                                    {"connectHr", static_cast<long>(a.hrConnect)},
                                    {"ribbonXml", ToUtf8(a.strRibbonXml)},
                                    {"unloadHr", static_cast<long>(a.hrUnload)}});
    state["addins"] = list;
  }, PumpTicks);

  if (o.bAutomation) {
    bool served = false;
    DWORD cookie = 0;
    const ULONG baseline = app->RefCount();
    HRESULT hr = ServeWordApplication(app->AsDispatch(), &served, &cookie);
    HostLog(L"server registered hr=" + Hex(hr));
    // Word stays while a client holds it, or while it was made visible for the user.
    PumpUntil([&] { return app->State().quitRequested || (served && app->RefCount() <= baseline && !app->State().visible); });
    CoRevokeClassObject(cookie);
    LogAutomationCalls();
  } else if (!o.strScript.empty()) {
    std::wstring text;
    if (!ReadUtf8File(o.strScript, text)) {
      HostLog(L"host cannot read script " + o.strScript);
      return 1;
    }
    for (const auto& step : ParseScenario(text)) {
      if (step.words.size() == 1 && step.words[0] == L"unload") {
        // The add-ins go as at exit, then COM may free their modules while Word runs on.
        addins.BeginShutdown();
        addins.Disconnect();
        app->DisconnectSinks();
        addins.CheckUnload();
        CoFreeUnusedLibraries();
        HostLog(L"action " + std::to_wstring(step.nLine) + L" unload -> ok");
        continue;
      }
      scenario.Run(step);
      if (scenario.Quit() || !PumpFor(0)) break;
    }
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
  addins.BeginShutdown();
  addins.Disconnect();
  app->DisconnectSinks();
  addins.CheckUnload();
  if (!o.strDump.empty()) WriteWholeFile(o.strDump, scenario.Dump().dump(2));
  DestroyWindow(window);
  HostLog(L"host exit errors=" + std::to_wstring(scenario.Errors()));
  return scenario.Errors();
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  COptions o;
  if (!ParseArgs(argc, argv, o)) {
    fputs("usage: winword.exe [document] [/script file] [/version v] [/log file] [/dump file] [/noaddins]"
          " [/nodocument]\n"
          "       winword.exe /regserver | /unregserver | /automation\n",
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
    HRESULT hr = o.bRegister ? RegisterWordServer(ExePath()) : UnregisterWordServer(ExePath());
    HostLog(std::wstring(o.bRegister ? L"regserver" : L"unregserver") + L" hr=" + Hex(hr));
    rc = FAILED(hr) ? 1 : 0;
  } else {
    rc = Run(o);
  }
  CoFreeUnusedLibraries();
  OleUninitialize();
  return rc;
}
