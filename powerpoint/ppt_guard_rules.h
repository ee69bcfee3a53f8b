// The PowerPoint window guards' decisions as pure functions over window facts that the hook
// procedures gather (class names, texts, parent title, control id, rectangles, cursor, key
// state, message). Nothing here calls a window function, so every rule is checked from tables
// of facts in English, Chinese and Spanish user interfaces. The facts live in fixed buffers:
// a hook call allocates nothing.
#pragma once
#include <windows.h>

namespace kal::ppt {

constexpr int kClassUnits = 100;  // GetClassNameW buffer of the mouse and keyboard guards
constexpr int kTextUnits = 256;   // GetWindowTextW buffers

// What the mouse guard knows about the window under the mouse. The layout part (from
// `parentExists` on) is needed only when the first rules leave the event undecided.
struct CMouseFacts {
  UINT message = 0;
  wchar_t className[kClassUnits] = {};  // trailing white space removed
  wchar_t text[kTextUnits] = {};
  int controlId = 0;
  wchar_t title[kTextUnits] = {};  // the parent's window text; empty without a parent

  POINT cursor = {};
  RECT ownRect = {};
  bool parentExists = false;
  bool ownerExists = false;
  wchar_t parentClass[kClassUnits] = {};
  wchar_t parentText[kTextUnits] = {};
  RECT parentRect = {};
  // The nearest "MsoCommandBarDock" window among the parent and its ancestors.
  bool dockFound = false;
  wchar_t dockText[kTextUnits] = {};
  RECT dockRect = {};
  // With printing allowed: a print-preview child among the window's descendants, with the
  // rectangle of its grandparent.
  bool printAllowed = false;
  bool previewFound = false;
  RECT previewGrandparentRect = {};
};

enum class MouseStep { Block, Pass, Layout };

struct CMouseVerdict {
  bool block = false;
  bool disableWindow = false;  // the toolbar-options menu is disabled, whatever the verdict
};

// Rules 1 to 7 over the window's own facts. `disableWindow` is set by the toolbar-options rule,
// which then skips to the button rule. Layout: the layout rules must decide.
MouseStep DecideMouseOwn(const CMouseFacts& facts, bool* disableWindow);
// Whether the layout rules look at anything for this event (which layout facts to gather).
bool MouseNeedsParentLayout(const CMouseFacts& facts);
bool MouseNeedsOwnerLayout(const CMouseFacts& facts);
// Rules 8 and 9 over the layout facts.
bool DecideMouseLayout(const CMouseFacts& facts);
// The whole decision over complete facts.
CMouseVerdict DecideMouse(const CMouseFacts& facts);

// What the keyboard guard knows about one key event.
struct CKeyFacts {
  UINT key = 0;  // virtual-key code
  bool ctrlDown = false;
  wchar_t focusClass[kClassUnits] = {};
  wchar_t focusTopTitle[kTextUnits] = {};  // window text of the focus window's top-level ancestor
};

// Pass (false) or block (true). `printAllowed` selects the variant that also passes Ctrl+P.
bool DecideKeyboard(const CKeyFacts& facts, bool printAllowed);
// The Ctrl rules alone (decided before the focus window is looked at).
bool KeyPassedByCtrl(UINT key, bool ctrlDown, bool printAllowed);

// What the password guard knows about a window being activated.
struct CDialogFacts {
  LONG style = 0;
  wchar_t className[kTextUnits] = {};
  wchar_t text[kTextUnits] = {};
  bool hasChildWindow = false;  // GetTopWindow found a child
};

// True when the window is a dialog titled "Password" (in one of the three languages).
bool IsPasswordDialog(const CDialogFacts& facts);
// True for the password dialog's Read Only button.
bool IsReadOnlyButton(int controlId, const wchar_t* className, const wchar_t* text);
// True for a print-preview child window.
bool IsPreviewChild(const wchar_t* className, const wchar_t* text);

// Copies `text` lower-cased into `out` (kTextUnits), cut to fit.
void LowerCopy(const wchar_t* text, wchar_t (&out)[kTextUnits]);
// Removes trailing white space in place.
void TrimRight(wchar_t* text);

}  // namespace kal::ppt
