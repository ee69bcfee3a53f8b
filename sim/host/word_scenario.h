// Runs scenario steps against the simulated Word, as a user at Word would do them.
//
// Actions (sections and shape indexes are 1-based; shapes are those of the section's primary
// header):
//   open <path>                        open a document file (fires DocumentOpen)
//   new                                new blank document (fires NewDocument)
//   activate <n>                       activate the n-th open document
//   close [save|nosave]                close the active document
//   header open [section]              double-click into the header (SeekView reads 1)
//   header close                       back to the body (SeekView 0)
//   shape move <s> <i> <dx> <dy>       drag a header shape by points
//   shape text <s> <i> <text...>       retype its WordArt text
//   shape color <s> <i> <r,g,b|rgb>    recolour its fill
//   shape transparency <s> <i> <0..1>  change its fill transparency
//   shape rotate <s> <i> <degrees>
//   shape rename <s> <i> <name...>
//   shape delete <s> <i>               click it and press Delete
//   shape add <s> <text...>            insert WordArt into the header
//   type <text...>                     type at the insertion point
//   track on|off                       switch track changes
//   linebreaks cr|written              TextEffect.Text reads line breaks back as CR (the
//                                      default) or as written
//   ribbon <idMso>                     click a ribbon command (refused when disabled)
//   wait <ms>                          pump messages (timers run) for ms milliseconds
//   save | saveas <path>               save the active document
//   dump <path>                        write the full state as JSON
//   quit                               quit Word
//   fail ... | fail clear              inject a fault (see RunCommonStep in scenario.h)
// Each step's result is "ok", "refused: <Word's message>" or "error: <why>"; results are
// part of every dump under "actions".
#pragma once
#include <nlohmann/json.hpp>

#include <functional>

#include "sim/host/scenario.h"
#include "sim/word/word_model.h"

namespace kalsim {

class CWordScenario {
 public:
  using Pump = std::function<bool(DWORD)>;
  // Handles `ticks` more timer messages within a limit: 1 done, 0 limit passed, -1 quit.
  using TickPump = std::function<int(unsigned ticks, DWORD limitMs)>;
  using Extra = std::function<void(nlohmann::json&)>;
  CWordScenario(word::CWordApplication& app, Pump pump, Extra extra, TickPump ticks = nullptr)
      : m_app(app), m_pump(std::move(pump)), m_ticks(std::move(ticks)), m_extra(std::move(extra)) {}

  std::wstring Run(const CScenarioStep& step);
  nlohmann::json Dump() const;
  bool Quit() const { return m_bQuit; }
  int Errors() const { return m_nErrors; }

 private:
  std::wstring Apply(const CScenarioStep& step);
  word::CWordApplication& m_app;
  Pump m_pump;
  TickPump m_ticks;
  Extra m_extra;
  nlohmann::json m_results = nlohmann::json::array();
  bool m_bQuit = false;
  int m_nErrors = 0;
};

}  // namespace kalsim
