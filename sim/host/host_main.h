// What every simulated Office host does the same way: the common command-line switches, the
// /regserver and /unregserver branch, the log and OLE set-up around the run, loading add-ins
// and their ribbon XML, serving Application under automation, playing a scenario script and
// releasing the add-ins at exit. Each host's main keeps only its application's own steps.
#pragma once
#include <windows.h>

#include <functional>
#include <initializer_list>
#include <string>

#include <nlohmann/json.hpp>

#include "sim/host/addin_host.h"
#include "sim/host/host_log.h"
#include "sim/host/message_pump.h"
#include "sim/host/scenario.h"

namespace kalsim {

struct CHostOptions {
  bool bRegister = false, bUnregister = false, bAutomation = false, bNoAddins = false;
  std::wstring strDocument, strScript, strVersion = L"16.0", strLog, strDump;
  // Test only (/testonlyrecordpasswords <file>): the Password argument of every Protect and
  // Unprotect call, kept in memory and written to the file when the host ends (one a line), so
  // a test can search what the run left for the passwords an add-in handed to Office.
  std::wstring strTestOnlyPasswordFile;
};

// A host's own switch: a flag (`flag` set) or one taking the next argument (`value` set).
struct CHostSwitch {
  const wchar_t* name;
  bool* flag;
  std::wstring* value;
};

// The whole of a host's wmain: parses the switches (printing `usage` on a bad one, exit 2),
// opens the log (/log, else %KALSIM_LOG%), initializes OLE (exit 3 on failure), starts the
// test-only password recording when asked, then either
// calls `registration(register?, exe path)` for /regserver or /unregserver (exit 1 on
// failure) or returns what `run` returns.
int HostMain(int argc, wchar_t** argv, CHostOptions& o, std::initializer_list<CHostSwitch> extra, const char* usage,
             const std::function<HRESULT(bool bRegister, const std::wstring& exePath)>& registration,
             const std::function<int()>& run);

std::wstring HexHr(HRESULT hr);
void LogHostStart(const CHostOptions& o, bool commandLine);

// Loads the registered add-ins (unless /noaddins) and hands each one's ribbon XML for
// `ribbonId` to `apply`.
void LoadAddins(CAddinHost& addins, const CHostOptions& o, const wchar_t* ribbonId,
                const std::function<void(const std::wstring&)>& apply);
template <class Commands>
void LogDisabledCommands(const Commands& commands) {
  for (const auto& c : commands)
    if (!c.enabled) HostLog(L"ribbon disabled " + c.idMso);
}
// The loaded add-ins as the scenario dump lists them, under state["addins"].
void DumpAddins(CAddinHost& addins, nlohmann::json& state);
// Exit as Office does it: OnBeginShutdown, OnDisconnection, the application drops its event
// sinks, then each add-in module is asked whether it can unload.
void ReleaseAddins(CAddinHost& addins, const std::function<void()>& disconnectSinks);

// Registers the class object with `serve(&served, &cookie)`, calls `beforePump`, pumps
// messages until `done(served)`, then revokes it.
void ServeUntil(const std::function<HRESULT(bool*, DWORD*)>& serve, const std::function<bool(bool served)>& done,
                const std::function<void()>& beforePump = {});

// Plays the script one step at a time between message pumps, until a step quits the
// application or WM_QUIT arrives; `special` may take a step over (true when it did). False when
// the script cannot be read.
template <class Scenario>
bool RunScript(const std::wstring& path, Scenario& scenario,
               const std::function<bool(const CScenarioStep&)>& special = {}) {
  std::wstring text;
  if (!ReadUtf8File(path, text)) {
    HostLog(L"host cannot read script " + path);
    return false;
  }
  for (const auto& step : ParseScenario(text)) {
    if (special && special(step)) continue;
    scenario.Run(step);
    if (scenario.Quit() || !PumpFor(0)) break;
  }
  return true;
}

}  // namespace kalsim
