// Runs scenario steps against the simulated PowerPoint, as a user at PowerPoint would do them;
// clicks and keys go through SendInput, so the thread hooks of add-ins see real input.
//
// Actions:
//   open <path>                 open a presentation file (a password to modify shows the
//                               Password dialog)
//   new                         new presentation (no AfterPresentationOpen)
//   slide add                   insert a slide after the current one (PresentationNewSlide)
//   view normal|master|sorter|<PpViewType>   switch the active window's view
//   ribbon <idMso>              click a ribbon command (refused when disabled)
//   show find|replace|msgbox    open the Find or Replace dialog, or a "Microsoft PowerPoint"
//                               message box with Yes and No
//   focus <window>              give a window the keyboard focus
//   click <window>|<x> <y> [right|double]   press and release a mouse button over it
//   type <text>                 type characters
//   key [ctrl+]<key>            press a key (a letter, left, right, up, down, pgup, pgdn, esc,
//                               f5, delete, enter, back)
//   wait <ms> | save | dump <path> | quit
//   fail <Kind>.<Member> <hresult> [every|<n>] [description] | fail clear
// Windows: frame, pane, statusbar, dock, toolbar, findbox, findnext, replacefindnext,
// replacebutton, replaceall, yes, no. Results: "ok", "refused: <PowerPoint's message>" or
// "error: <why>", listed under "actions" in every dump.
#pragma once
#include <nlohmann/json.hpp>

#include <functional>

#include "sim/host/scenario.h"
#include "sim/powerpoint/host/ppt_windows.h"

namespace kalsim::ppt {

class CPptScenario {
 public:
  using Extra = std::function<void(nlohmann::json&)>;
  CPptScenario(CPptApplication& app, CPptWindows& windows, Extra extra)
      : m_app(app), m_windows(windows), m_extra(std::move(extra)) {}
  std::wstring Run(const CScenarioStep& step);
  nlohmann::json Dump() const;
  bool Quit() const { return m_bQuit; }
  int Errors() const { return m_nErrors; }

 private:
  std::wstring Apply(const CScenarioStep& step);
  CPptApplication& m_app;
  CPptWindows& m_windows;
  Extra m_extra;
  nlohmann::json m_results = nlohmann::json::array();
  bool m_bQuit = false;
  int m_nErrors = 0;
};

}  // namespace kalsim::ppt
