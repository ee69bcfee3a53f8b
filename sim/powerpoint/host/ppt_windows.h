// The real windows of the simulated PowerPoint, with PowerPoint's class names and texts where
// the add-in's guards look at them: the frame "PPTFrameClass", the slide pane "paneClassDC",
// the status bar "msctls_statusbar32", the top dock "MsoCommandBarDock" ("MsoDockTop") holding
// "MsoCommandBar" toolbars, the Find and Replace dialogs (buttons and the "REComboBox20W"
// box), the "Microsoft PowerPoint" message box and the Password dialog. What the user achieves
// through them is counted in CPptUi, and typing into the slide pane edits the active slide.
#pragma once
#include <windows.h>

#include <functional>
#include <map>
#include <string>

#include <nlohmann/json.hpp>

#include "sim/powerpoint/ppt_model.h"

namespace kalsim::ppt {

struct CPptUi {
  std::map<std::string, long> counts;  // "paneClick", "contextMenu", "findNext", "replace", ...
  std::wstring findText;               // what was typed into the Find box
  std::wstring lastPassword;           // how the last Password dialog ended
};

class CPptWindows {
 public:
  explicit CPptWindows(CPptApplication& app);
  ~CPptWindows();

  // Named windows: frame, pane, statusbar, dock, toolbar, find, findbox, findnext, replace,
  // replacebutton, replaceall, msgbox, yes, no. Null when not shown.
  HWND Find(const std::wstring& name) const;
  // Shows a modeless dialog: "find", "replace" or "msgbox".
  bool Show(const std::wstring& dialog);
  // The Password dialog of a presentation with a password to modify (modal; closes itself
  // with Cancel after `waitMs` when nobody answers). `readOnlyId` is its Read Only button's id.
  PasswordAnswer AskPassword(const CPresentation& p, std::wstring* typed, int readOnlyId, DWORD waitMs);
  void UpdateTitle();

  CPptUi& Ui() { return m_ui; }
  nlohmann::json UiToJson() const;

  static CPptWindows* s_pThis;

 private:
  HWND Dialog(const wchar_t* title, int width, int height);
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  void Count(const char* what) { ++m_ui.counts[what]; }

  CPptApplication& m_app;
  CPptUi m_ui;
  std::map<std::wstring, HWND> m_windows;
};

}  // namespace kalsim::ppt
