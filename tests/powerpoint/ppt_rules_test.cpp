// The PowerPoint guard decisions over window facts, rule by rule and in English, Chinese and
// Spanish user interfaces; the watermark's colour path and final move.
#include <gtest/gtest.h>

#include <cwchar>

#include "powerpoint/ppt_guard_rules.h"
#include "powerpoint/ppt_mark_rules.h"

namespace {

using namespace kal::ppt;

template <size_t N>
void Set(wchar_t (&field)[N], const wchar_t* text) {
  wcsncpy(field, text, N - 1);
  field[N - 1] = L'\0';
}

struct CMouseCase {
  const char* what;
  UINT message;
  const wchar_t* cls;
  const wchar_t* text;
  const wchar_t* title;
  int controlId;
  bool block;
  bool disable = false;
};

CMouseFacts Own(const CMouseCase& c) {
  CMouseFacts f;
  f.message = c.message;
  Set(f.className, c.cls);
  Set(f.text, c.text);
  Set(f.title, c.title);
  f.controlId = c.controlId;
  return f;
}

// Rules 1 to 7: the window's own class, text, parent title and control id decide.
TEST(PptMouseRules, OwnFactsDecideInOrder) {
  const CMouseCase cases[] = {
      {"right click on a slide", WM_RBUTTONDOWN, L"paneClassDC", L"", L"", 0, true},
      {"right click on a thumbnail", WM_RBUTTONDOWN, L"mdiClass", L"", L"", 0, true},
      {"right click on the frame itself", WM_RBUTTONDOWN, L"PPTFrameClass", L"", L"", 0, true},
      {"frame name past the start", WM_RBUTTONDOWN, L"xPP12FrameClass", L"", L"", 0, false},
      {"toolbar options (en)", WM_MOUSEMOVE, L"MsoCommandBarPopup", L"Toolbar Options", L"x", 1, false, true},
      {"toolbar options (zh)", WM_LBUTTONUP, L"MsoCommandBarPopup", L"工具栏选项菜单", L"x", 1, false, true},
      {"toolbar options (es)", WM_MOUSEMOVE, L"MsoCommandBarPopup", L"Opciones de la barra", L"x", 1, false, true},
      {"other popup text", WM_MOUSEMOVE, L"MsoCommandBarPopup", L"Toolbar", L"x", 1, false, false},
      {"slide pane left click", WM_LBUTTONDOWN, L"paneClassDC", L"", L"x", 1, true},
      {"slide pane move", WM_MOUSEMOVE, L"paneClassDC", L"", L"x", 1, false},
      {"status bar left click", WM_LBUTTONDOWN, L"msctls_statusbar32", L"", L"x", 1, true},
      {"top dock double click", WM_LBUTTONDBLCLK, L"MsoCommandBarDock", L"MsoDockTop", L"x", 1, true},
      {"bottom dock double click", WM_LBUTTONDBLCLK, L"MsoCommandBarDock", L"MsoDockBottom", L"x", 1, false},
      {"Replace (en) on move", WM_MOUSEMOVE, L"Button", L"&Replace", L"Replace", 1, true},
      {"Replace All (en)", WM_LBUTTONUP, L"Button", L"Replace &All", L"Replace", 1, true},
      {"Replace (zh)", WM_LBUTTONDOWN, L"Button", L"替换(&R)", L"替换", 1, true},
      {"Replace All (zh)", WM_LBUTTONDOWN, L"Button", L"全部替换(&A)", L"替换", 1, true},
      {"Replace (es)", WM_LBUTTONDOWN, L"Button", L"&Reemplazar", L"Reemplazar", 1, true},
      {"Replace All (es)", WM_LBUTTONDOWN, L"Button", L"Reemplazar todo", L"Reemplazar", 1, true},
      {"Find Next in Replace", WM_LBUTTONDOWN, L"Button", L"&Find Next", L"Replace", 1, false},
      {"Replace caption in Find", WM_LBUTTONDOWN, L"Button", L"&Replace...", L"Find", 1, false},
      {"toolbar button", WM_LBUTTONDOWN, L"MsoCommandBar", L"Standard", L"x", 1, true},
      {"toolbar hover", WM_MOUSEMOVE, L"MsoCommandBar", L"Standard", L"x", 1, false},
      {"Yes in PowerPoint box (en)", WM_LBUTTONDOWN, L"Button", L"&Yes", L"Microsoft PowerPoint", 6, true},
      {"Yes in Office box (zh)", WM_LBUTTONDOWN, L"Button", L"是(&Y)", L"Microsoft Office PowerPoint", 6, true},
      {"Yes (es)", WM_LBUTTONDOWN, L"Button", L"&Sí", L"Microsoft PowerPoint", 6, true},
      {"Yes in another box", WM_LBUTTONDOWN, L"Button", L"&Yes", L"Word", 6, false},
      {"No in PowerPoint box", WM_LBUTTONDOWN, L"Button", L"&No", L"Microsoft PowerPoint", 7, false},
      {"orphan button without id", WM_LBUTTONDOWN, L"Button", L"OK", L"", 0, true},
      {"orphan button with id", WM_LBUTTONDOWN, L"Button", L"OK", L"", 1, false},
      {"Save As (en)", WM_LBUTTONDOWN, L"Button", L"&Save As...", L"Microsoft PowerPoint", 2, true},
      {"save as (es, lower case)", WM_LBUTTONDOWN, L"Button", L"Si, guardar como", L"Microsoft PowerPoint", 2, true},
      {"Save As (zh)", WM_LBUTTONDOWN, L"Button", L"另存为(&S)", L"Microsoft Office PowerPoint", 2, true},
      {"Save (en) must equal", WM_LBUTTONDOWN, L"Button", L"&Save...", L"Microsoft PowerPoint", 2, true},
      {"Save (zh)", WM_LBUTTONDOWN, L"Button", L"保存(&S)", L"Microsoft PowerPoint", 2, true},
      {"Save (es)", WM_LBUTTONDOWN, L"Button", L"Guardar...", L"Microsoft PowerPoint", 2, true},
      {"Save with suffix does not equal", WM_LBUTTONDOWN, L"Button", L"&Save...x", L"Microsoft PowerPoint", 2, false},
      {"class containing Button", WM_LBUTTONDOWN, L"BigButtonX", L"&Yes", L"Microsoft PowerPoint", 6, true},
      {"case matters", WM_LBUTTONDOWN, L"Button", L"&yes", L"Microsoft PowerPoint", 6, false},
  };
  for (const auto& c : cases) {
    const CMouseFacts f = Own(c);
    bool disable = false;
    const MouseStep step = DecideMouseOwn(f, &disable);
    EXPECT_EQ(step == MouseStep::Block, c.block) << c.what;
    EXPECT_EQ(disable, c.disable) << c.what;
    // With nothing around the window the layout rules add nothing.
    EXPECT_EQ(DecideMouse(f).block, c.block) << c.what;
  }
}

struct CLayoutCase {
  const char* what;
  UINT message;
  const wchar_t* cls;
  bool parent;
  bool owner;
  const wchar_t* parentClass;
  const wchar_t* parentText;
  RECT parentRect;
  bool dock;
  const wchar_t* dockText;
  RECT dockRect;
  bool printAllowed;
  bool preview;
  RECT grandparentRect;
  RECT ownRect;
  POINT cursor;
  bool block;
};

// Rules 8 and 9: where the cursor is against the parent, the dock, the full-page host and the
// print preview's grandparent.
TEST(PptMouseRules, LayoutRulesUseRectanglesAndTheCursor) {
  const RECT none{};
  const RECT dialog{100, 100, 600, 500};  // 2/5 of the width: x < 300
  const RECT dock{0, 0, 800, 80};         // 7/8 of the width: x < 700; below y 55
  const RECT page{0, 100, 800, 600};
  const RECT grand{0, 0, 800, 600};  // moved: left 200, top 75
  const CLayoutCase cases[] = {
      {"backstage left part", WM_LBUTTONDOWN, L"NetUIHWND", true, true, L"NUIDialog", L"Microsoft PowerPoint", dialog, false, L"", none, false, false, none, none, {299, 200}, true},
      {"backstage right part", WM_LBUTTONDOWN, L"NetUIHWND", true, true, L"NUIDialog", L"Microsoft PowerPoint", dialog, false, L"", none, false, false, none, none, {300, 200}, false},
      {"other dialog title", WM_LBUTTONDOWN, L"NetUIHWND", true, true, L"NUIDialog", L"Word", dialog, false, L"", none, false, false, none, none, {150, 200}, false},
      {"NetUIHWND on any message", WM_MOUSEMOVE, L"NetUIHWND", true, true, L"NUIDialog", L"Microsoft PowerPoint", dialog, false, L"", none, false, false, none, none, {150, 200}, true},
      {"other window on move", WM_MOUSEMOVE, L"Static", true, true, L"NUIDialog", L"Microsoft PowerPoint", dialog, false, L"", none, false, false, none, none, {150, 200}, false},
      {"dock, left part", WM_LBUTTONDOWN, L"Static", true, true, L"MsoWorkPane", L"", none, true, L"MsoDockTop", dock, false, false, none, none, {699, 10}, true},
      {"dock, right eighth near the top", WM_LBUTTONDOWN, L"Static", true, true, L"MsoWorkPane", L"", none, true, L"MsoDockTop", dock, false, false, none, none, {700, 55}, false},
      {"dock, right eighth too low", WM_LBUTTONDOWN, L"Static", true, true, L"MsoWorkPane", L"", none, true, L"MsoDockTop", dock, false, false, none, none, {700, 56}, true},
      {"non-client click on the dock", WM_NCLBUTTONDOWN, L"Static", true, true, L"MsoWorkPane", L"", none, true, L"MsoDockTop", dock, false, false, none, none, {10, 10}, true},
      {"bottom dock", WM_LBUTTONDOWN, L"Static", true, true, L"MsoWorkPane", L"", none, true, L"MsoDockBottom", dock, false, false, none, none, {10, 10}, false},
      {"full-page host below the top", WM_LBUTTONDOWN, L"Static", true, false, L"FullpageUIHost", L"", none, false, L"", none, false, false, none, page, {10, 151}, true},
      {"full-page host at the top", WM_LBUTTONDOWN, L"Static", true, false, L"FullpageUIHost", L"", none, false, L"", none, false, false, none, page, {10, 150}, false},
      {"full-page host with an owner", WM_LBUTTONDOWN, L"Static", true, true, L"FullpageUIHost", L"", none, false, L"", none, false, false, none, page, {10, 400}, false},
      {"no parent passes", WM_LBUTTONDOWN, L"Static", false, false, L"", L"", none, false, L"", none, true, true, grand, page, {10, 400}, false},
      {"preview: outside, below", WM_LBUTTONDOWN, L"Static", true, true, L"x", L"", none, false, L"", none, true, true, grand, none, {100, 91}, true},
      {"preview: outside, toolbar band", WM_LBUTTONDOWN, L"Static", true, true, L"x", L"", none, false, L"", none, true, true, grand, none, {100, 90}, false},
      {"preview: inside the page", WM_LBUTTONDOWN, L"Static", true, true, L"x", L"", none, false, L"", none, true, true, grand, none, {300, 300}, false},
      {"preview without print right", WM_LBUTTONDOWN, L"Static", true, true, L"x", L"", none, false, L"", none, false, true, grand, none, {100, 300}, false},
  };
  for (const auto& c : cases) {
    CMouseFacts f;
    f.message = c.message;
    Set(f.className, c.cls);
    Set(f.title, L"t");
    f.controlId = 1;
    f.parentExists = c.parent;
    f.ownerExists = c.owner;
    Set(f.parentClass, c.parentClass);
    Set(f.parentText, c.parentText);
    f.parentRect = c.parentRect;
    f.dockFound = c.dock;
    Set(f.dockText, c.dockText);
    f.dockRect = c.dockRect;
    f.printAllowed = c.printAllowed;
    f.previewFound = c.preview;
    f.previewGrandparentRect = c.grandparentRect;
    f.ownRect = c.ownRect;
    f.cursor = c.cursor;
    EXPECT_EQ(DecideMouse(f).block, c.block) << c.what;
  }
}

TEST(PptKeyboardRules, PassedKeysCtrlRulesAndTheFindBox) {
  struct {
    const char* what;
    UINT key;
    bool ctrl;
    const wchar_t* focusClass;
    const wchar_t* top;
    bool print;
    bool block;
  } cases[] = {
      {"letter in the slide pane", 'A', false, L"paneClassDC", L"Microsoft PowerPoint - [deck]", false, true},
      {"Delete", VK_DELETE, false, L"paneClassDC", L"x", true, true},
      {"Ctrl itself", VK_CONTROL, true, L"paneClassDC", L"x", true, true},
      {"Ctrl+S", 'S', true, L"paneClassDC", L"x", true, true},
      {"Ctrl+F", 'F', true, L"paneClassDC", L"x", false, false},
      {"F without Ctrl", 'F', false, L"paneClassDC", L"x", false, true},
      {"Ctrl+P without print right", 'P', true, L"paneClassDC", L"x", false, true},
      {"Ctrl+P with print right", 'P', true, L"paneClassDC", L"x", true, false},
      {"typing into Find (en)", 'A', false, L"REComboBox20W", L"Find", false, false},
      {"typing into Find (zh)", 'A', false, L"REComboBox20W", L"查找", false, false},
      {"typing into Find (es, upper case)", VK_BACK, false, L"REComboBox20W", L"ENCONTRAR", false, false},
      {"the Replace dialog's box", 'A', false, L"REComboBox20W", L"Replace", false, true},
      {"another box in Find", 'A', false, L"Edit", L"Find", false, true},
      {"no focus window", 'A', false, L"", L"", false, true},
  };
  for (const auto& c : cases) {
    CKeyFacts f;
    f.key = c.key;
    f.ctrlDown = c.ctrl;
    Set(f.focusClass, c.focusClass);
    Set(f.focusTopTitle, c.top);
    EXPECT_EQ(DecideKeyboard(f, c.print), c.block) << c.what;
  }
  const UINT passed[] = {VK_LEFT, VK_RIGHT, VK_UP, VK_DOWN, VK_PRIOR, VK_NEXT, VK_CAPITAL, VK_ESCAPE, VK_SNAPSHOT, VK_F5};
  for (UINT key : passed) {
    CKeyFacts f;
    f.key = key;
    Set(f.focusClass, L"paneClassDC");
    EXPECT_FALSE(DecideKeyboard(f, false)) << key;
  }
  int blocked = 0;
  for (UINT key = 1; key < 256; ++key) {
    CKeyFacts f;
    f.key = key;
    blocked += DecideKeyboard(f, false) ? 1 : 0;
  }
  EXPECT_EQ(blocked, 255 - 10);
}

TEST(PptPasswordRules, DialogByClassOrDialogLikeStyleAndTheReadOnlyButton) {
  const DWORD dialog = WS_POPUP | WS_CAPTION | DS_MODALFRAME;
  struct {
    const char* what;
    const wchar_t* cls;
    DWORD style;
    bool child;
    const wchar_t* text;
    bool expected;
  } cases[] = {
      {"dialog class, any style", L"#32770", 0, false, L"Password", true},
      {"title ignoring case", L"#32770", 0, false, L"PASSWORD", true},
      {"Chinese title", L"#32770", 0, false, L"密码", true},
      {"Spanish title", L"#32770", 0, false, L"Contraseña", true},
      {"another title", L"#32770", 0, false, L"Passwords", false},
      {"dialog-like window", L"NUIDialog", dialog, false, L"Password", true},
      {"thick frame counts", L"NUIDialog", WS_POPUP | WS_THICKFRAME, false, L"Password", true},
      {"caption and dialog frame", L"X", WS_CAPTION, false, L"Password", true},
      {"child with children", L"NUIDialog", dialog | WS_CHILD, true, L"Password", false},
      {"child without children", L"NUIDialog", dialog | WS_CHILD, false, L"Password", true},
      {"neither popup nor caption", L"NUIDialog", DS_MODALFRAME, false, L"Password", false},
      {"no frame style", L"NUIDialog", WS_POPUP, false, L"Password", false},
  };
  for (const auto& c : cases) {
    CDialogFacts f;
    Set(f.className, c.cls);
    f.style = static_cast<LONG>(c.style);
    f.hasChildWindow = c.child;
    Set(f.text, c.text);
    EXPECT_EQ(IsPasswordDialog(f), c.expected) << c.what;
  }

  EXPECT_TRUE(IsReadOnlyButton(7, L"Button", L"&Read Only"));
  EXPECT_TRUE(IsReadOnlyButton(7, L"BUTTON", L"&read only"));
  EXPECT_TRUE(IsReadOnlyButton(7, L"Button", L"只读(&R)"));
  EXPECT_TRUE(IsReadOnlyButton(7, L"Button", L"&Sólo lectura"));
  EXPECT_FALSE(IsReadOnlyButton(8, L"Button", L"&Read Only"));
  EXPECT_FALSE(IsReadOnlyButton(7, L"Static", L"&Read Only"));
  EXPECT_FALSE(IsReadOnlyButton(7, L"Button", L"Read Only"));

  EXPECT_TRUE(IsPreviewChild(L"childClass", L"Deck.pptx [Preview]"));
  EXPECT_TRUE(IsPreviewChild(L"mdichildClass", L"演示 [预览]"));
  EXPECT_TRUE(IsPreviewChild(L"childClass", L"x [AVANCE]"));
  EXPECT_FALSE(IsPreviewChild(L"ChildClass", L"x [preview]"));
  EXPECT_FALSE(IsPreviewChild(L"childClass", L"x preview"));
}

// WordArt without a text frame (PowerPoint 2003) takes its colour through a visible fill;
// PowerPoint 2007 and later move the mark less and keep its size.
TEST(PptMarkRules, ColourPathAndMoveFollowTheTextFrameAndTheVersion) {
  for (bool frame : {true, false}) {
    const kal::powerpoint::CPptMarkColour c = kal::powerpoint::PptMarkColour(frame);
    EXPECT_EQ(c.throughFill, !frame);
    EXPECT_EQ(c.fillVisible, !frame);
  }
  struct {
    int major;
    bool halve;
    float dx, dy;
  } moves[] = {{16, false, 30.0f, -100.0f}, {12, false, 30.0f, -100.0f}, {11, true, 150.0f, -200.0f}, {0, true, 150.0f, -200.0f}};
  for (const auto& m : moves) {
    const kal::powerpoint::CPptMarkMove got = kal::powerpoint::PptMarkMove(m.major);
    EXPECT_EQ(got.halveSize, m.halve) << m.major;
    EXPECT_EQ(got.dx, m.dx) << m.major;
    EXPECT_EQ(got.dy, m.dy) << m.major;
  }
}

}  // namespace
