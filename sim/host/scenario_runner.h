// CScenarioRunner: the application-independent part of a host's scenario: each step's result
// ("ok", "refused: <the application's message>", "error: <why>") logged and kept for the
// dumps, and the steps every host shares:
//   wait <ms>        pump messages (timers run) for ms milliseconds
//   ticks <n>        pump until the add-ins' timers have fired n more times (at most 60 s)
//   waitfor <path>   pump until the file exists (at most 60 s): a test's step signal
//   dump <path>      write the full state as JSON (this step listed as done)
//   quit             end the script
//   fail ...         inject a fault (RunCommonStep in scenario.h)
// A host derives from it, handles its own verbs in ApplyStep and describes its state in State.
#pragma once
#include <windows.h>

#include <nlohmann/json.hpp>

#include <functional>
#include <stdexcept>
#include <string>

#include "sim/host/scenario.h"

namespace kalsim {

// A step the host cannot run as written: "error: <what>".
struct CScenarioUsage : std::runtime_error {
  using std::runtime_error::runtime_error;
};

class CScenarioRunner {
 public:
  using Pump = std::function<bool(DWORD)>;
  // Handles `ticks` more timer messages within a limit: 1 done, 0 limit passed, -1 quit.
  using TickPump = std::function<int(unsigned ticks, DWORD limitMs)>;
  using Extra = std::function<void(nlohmann::json&)>;
  CScenarioRunner(Pump pump, TickPump ticks, Extra extra)
      : m_pump(std::move(pump)), m_ticks(std::move(ticks)), m_extra(std::move(extra)) {}
  virtual ~CScenarioRunner() = default;

  std::wstring Run(const CScenarioStep& step);
  nlohmann::json Dump();
  bool Quit() const { return m_bQuit; }
  int Errors() const { return m_nErrors; }

  // Number argument i of a step; CScenarioUsage when it is missing or not a number.
  static long IntArg(const CScenarioStep& step, size_t i);

 protected:
  // The host's own verbs: "ok" or "refused: ..."; throws CSimError (refused) or
  // CScenarioUsage; returns an empty string for a verb it does not know.
  virtual std::wstring ApplyStep(const CScenarioStep& step) = 0;
  // The application's state for dumps.
  virtual nlohmann::json State() = 0;

 private:
  std::wstring Apply(const CScenarioStep& step);
  Pump m_pump;
  TickPump m_ticks;
  Extra m_extra;
  nlohmann::json m_results = nlohmann::json::array();
  bool m_bQuit = false;
  int m_nErrors = 0;
};

}  // namespace kalsim
