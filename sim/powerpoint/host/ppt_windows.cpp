// Windows of the simulated PowerPoint (see ppt_windows.h).
#include "sim/powerpoint/host/ppt_windows.h"

#include <vector>

#include "sim/host/host_log.h"
#include "sim/word/word_json.h"

namespace kalsim::ppt {

CPptWindows* CPptWindows::s_pThis = nullptr;

namespace {

const wchar_t* const kClasses[] = {L"PPTFrameClass", L"paneClassDC", L"msctls_statusbar32", L"MsoCommandBarDock",
                                   L"MsoCommandBar", L"REComboBox20W"};

// Dialog-box control ids.
enum : int { kIdFindNext = 1, kIdReplaceOpen = 2, kIdReplace = 3, kIdReplaceAll = 4, kIdPasswordEdit = 3, kIdFindBox = 1001 };

struct CPasswordContext {
  int readOnlyId;
  DWORD waitMs;
  PasswordAnswer answer = PasswordAnswer::Cancel;
  std::wstring typed;
};

// An in-memory dialog template without controls (they are created at WM_INITDIALOG).
std::vector<WORD> DialogTemplate(const wchar_t* title, int width, int height, bool modal) {
  std::vector<WORD> t(sizeof(DLGTEMPLATE) / sizeof(WORD), 0);
  auto* d = reinterpret_cast<DLGTEMPLATE*>(t.data());
  d->style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | (modal ? 0 : WS_VISIBLE);
  d->cx = static_cast<short>(width / 2);
  d->cy = static_cast<short>(height / 2);
  t.push_back(0);  // no menu
  t.push_back(0);  // the dialog class
  for (const wchar_t* c = title; *c; ++c) t.push_back(static_cast<WORD>(*c));
  t.push_back(0);
  if (t.size() % 2) t.push_back(0);
  return t;
}

HWND Child(HWND parent, const wchar_t* cls, const wchar_t* text, int id, int x, int y, int w, int h, DWORD style = 0) {
  return CreateWindowExW(0, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, parent,
                         reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
}

std::wstring ClassOf(HWND hwnd) {
  wchar_t cls[64] = {};
  GetClassNameW(hwnd, cls, 64);
  return cls;
}

}  // namespace

CPptWindows::CPptWindows(CPptApplication& app) : m_app(app) {
  s_pThis = this;
  for (const wchar_t* name : kClasses) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.style = CS_DBLCLKS;
    wc.lpszClassName = name;
    RegisterClassW(&wc);
  }
  HWND frame = CreateWindowExW(0, L"PPTFrameClass", L"Microsoft PowerPoint", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 1000, 700,
                               nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  m_windows[L"frame"] = frame;
  m_windows[L"dock"] = Child(frame, L"MsoCommandBarDock", L"MsoDockTop", 0, 0, 0, 1000, 80);
  m_windows[L"toolbar"] = Child(m_windows[L"dock"], L"MsoCommandBar", L"Standard", 0, 10, 10, 400, 30);
  m_windows[L"pane"] = Child(frame, L"paneClassDC", L"", 0, 200, 90, 780, 500);
  m_windows[L"statusbar"] = Child(frame, L"msctls_statusbar32", L"", 0, 0, 620, 1000, 30);
  SetForegroundWindow(frame);
  UpdateTitle();
}

CPptWindows::~CPptWindows() {
  for (const wchar_t* name : {L"find", L"replace", L"msgbox", L"frame"})
    if (HWND w = Find(name)) DestroyWindow(w);
  s_pThis = nullptr;
}

HWND CPptWindows::Find(const std::wstring& name) const {
  auto it = m_windows.find(name);
  return it == m_windows.end() || !IsWindow(it->second) ? nullptr : it->second;
}

void CPptWindows::UpdateTitle() {
  auto p = m_app.ActivePresentation();
  const std::wstring title = p ? L"Microsoft PowerPoint - [" + p->name + L"]" : L"Microsoft PowerPoint";
  SetWindowTextW(Find(L"frame"), title.c_str());
}

HWND CPptWindows::Dialog(const wchar_t* title, int width, int height) {
  auto t = DialogTemplate(title, width, height, false);
  HWND dlg = CreateDialogIndirectParamW(GetModuleHandleW(nullptr), reinterpret_cast<DLGTEMPLATE*>(t.data()), Find(L"frame"),
                                        DialogProc, 0);
  SetWindowPos(dlg, HWND_TOP, 250, 420, width, height, SWP_SHOWWINDOW);  // below the pane's centre
  return dlg;
}

bool CPptWindows::Show(const std::wstring& dialog) {
  if (dialog == L"find") {
    HWND dlg = Dialog(L"Find", 420, 160);
    m_windows[L"find"] = dlg;
    m_windows[L"findbox"] = Child(dlg, L"REComboBox20W", L"", kIdFindBox, 10, 10, 250, 24, WS_TABSTOP);
    m_windows[L"findnext"] = Child(dlg, L"Button", L"&Find Next", kIdFindNext, 280, 10, 110, 28, BS_PUSHBUTTON);
    Child(dlg, L"Button", L"&Replace...", kIdReplaceOpen, 280, 50, 110, 28, BS_PUSHBUTTON);
    return true;
  }
  if (dialog == L"replace") {
    HWND dlg = Dialog(L"Replace", 420, 200);
    m_windows[L"replace"] = dlg;
    Child(dlg, L"REComboBox20W", L"", kIdFindBox, 10, 10, 250, 24);
    Child(dlg, L"REComboBox20W", L"", kIdFindBox + 1, 10, 50, 250, 24);
    m_windows[L"replacefindnext"] = Child(dlg, L"Button", L"&Find Next", kIdFindNext, 280, 10, 110, 28, BS_PUSHBUTTON);
    m_windows[L"replacebutton"] = Child(dlg, L"Button", L"&Replace", kIdReplace, 280, 50, 110, 28, BS_PUSHBUTTON);
    m_windows[L"replaceall"] = Child(dlg, L"Button", L"Replace &All", kIdReplaceAll, 280, 90, 110, 28, BS_PUSHBUTTON);
    return true;
  }
  if (dialog == L"msgbox") {
    HWND dlg = Dialog(L"Microsoft PowerPoint", 360, 140);
    m_windows[L"msgbox"] = dlg;
    Child(dlg, L"Static", L"Do you want to save the changes?", 0, 10, 10, 320, 24);
    m_windows[L"yes"] = Child(dlg, L"Button", L"&Yes", IDYES, 60, 60, 100, 28, BS_PUSHBUTTON);
    m_windows[L"no"] = Child(dlg, L"Button", L"&No", IDNO, 180, 60, 100, 28, BS_PUSHBUTTON);
    return true;
  }
  return false;
}

PasswordAnswer CPptWindows::AskPassword(const CPresentation& p, std::wstring* typed, int readOnlyId, DWORD waitMs) {
  CPasswordContext context{readOnlyId, waitMs};
  auto t = DialogTemplate(L"Password", 400, 180, true);
  HostLog(L"password dialog for " + p.name);
  DialogBoxIndirectParamW(GetModuleHandleW(nullptr), reinterpret_cast<DLGTEMPLATE*>(t.data()), Find(L"frame"), DialogProc,
                          reinterpret_cast<LPARAM>(&context));
  *typed = context.typed;
  m_ui.lastPassword = context.answer == PasswordAnswer::ReadOnly ? L"read only"
                      : context.answer == PasswordAnswer::Password ? L"password"
                                                                   : L"cancelled";
  HostLog(L"password dialog ended: " + m_ui.lastPassword);
  return context.answer;
}

nlohmann::json CPptWindows::UiToJson() const {
  nlohmann::json counts = nlohmann::json::object();
  for (const auto& [name, n] : m_ui.counts) counts[name] = n;
  return nlohmann::json{{"counts", counts}, {"findText", word::ToUtf8(m_ui.findText)},
                        {"lastPassword", word::ToUtf8(m_ui.lastPassword)}};
}

LRESULT CALLBACK CPptWindows::WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  CPptWindows* self = s_pThis;
  if (self) {
    const std::wstring cls = ClassOf(hwnd);
    switch (msg) {
      case WM_LBUTTONDOWN:
        SetFocus(hwnd);
        if (cls == L"paneClassDC") self->Count("paneClick");
        else if (cls == L"msctls_statusbar32") self->Count("statusBarClick");
        else if (cls == L"MsoCommandBar") self->Count("toolbarCommand");
        return 0;
      case WM_LBUTTONDBLCLK:
        if (cls == L"MsoCommandBarDock") self->Count("dockCustomize");
        return 0;
      case WM_RBUTTONDOWN:
        self->Count("contextMenu");
        return 0;
      case WM_CHAR:
        if (cls == L"paneClassDC") {
          self->Count("typedInPane");
          auto p = self->m_app.ActivePresentation();
          if (p && !p->slides.empty()) {
            auto& slide = *p->slides[std::min(p->window.currentSlide, p->slides.size() - 1)];
            slide.text.push_back(static_cast<wchar_t>(wp));
            MarkChanged(*p);
          }
        } else if (cls == L"REComboBox20W") {
          self->m_ui.findText.push_back(static_cast<wchar_t>(wp));
          SetWindowTextW(hwnd, self->m_ui.findText.c_str());
        }
        return 0;
      default:
        break;
    }
    if (msg == WM_DESTROY && cls == L"PPTFrameClass") PostQuitMessage(0);
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

INT_PTR CALLBACK CPptWindows::DialogProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  CPptWindows* self = s_pThis;
  auto* context = reinterpret_cast<CPasswordContext*>(GetWindowLongPtrW(hwnd, DWLP_USER));
  switch (msg) {
    case WM_INITDIALOG:
      if (lp) {
        auto* c = reinterpret_cast<CPasswordContext*>(lp);
        SetWindowLongPtrW(hwnd, DWLP_USER, lp);
        Child(hwnd, L"Static", L"Password to modify or open read only:", 0, 10, 10, 360, 20);
        Child(hwnd, L"Edit", L"", kIdPasswordEdit, 10, 40, 250, 24, WS_BORDER | ES_PASSWORD);
        Child(hwnd, L"Button", L"OK", IDOK, 280, 40, 90, 28, BS_DEFPUSHBUTTON);
        Child(hwnd, L"Button", L"&Read Only", c->readOnlyId, 280, 80, 90, 28, BS_PUSHBUTTON);
        Child(hwnd, L"Button", L"Cancel", IDCANCEL, 280, 120, 90, 28, BS_PUSHBUTTON);
        SetTimer(hwnd, 1, c->waitMs, nullptr);
      }
      return TRUE;
    case WM_TIMER:
      if (context) EndDialog(hwnd, 0);  // nobody answered
      return TRUE;
    case WM_COMMAND: {
      const int id = LOWORD(wp);
      if (context) {
        if (id == context->readOnlyId) {
          context->answer = PasswordAnswer::ReadOnly;
        } else if (id == IDOK) {
          wchar_t text[256] = {};
          GetDlgItemTextW(hwnd, kIdPasswordEdit, text, 256);
          context->typed = text;
          context->answer = PasswordAnswer::Password;
        } else if (id != IDCANCEL) {
          return TRUE;
        }
        EndDialog(hwnd, 1);
        return TRUE;
      }
      if (!self || HIWORD(wp) != BN_CLICKED) return TRUE;
      wchar_t title[64] = {};
      GetWindowTextW(hwnd, title, 64);
      const std::wstring t = title;
      if (id == kIdFindNext) self->Count("findNext");
      else if (id == kIdReplaceOpen) self->Count("replaceOpened");
      else if (id == kIdReplace || id == kIdReplaceAll) {
        self->Count(id == kIdReplace ? "replace" : "replaceAll");
        if (auto p = self->m_app.ActivePresentation()) MarkChanged(*p);
      } else if (id == IDYES && t == L"Microsoft PowerPoint") self->Count("yes");
      else if (id == IDNO && t == L"Microsoft PowerPoint") self->Count("no");
      return TRUE;
    }
    case WM_CLOSE:
      if (context) EndDialog(hwnd, 0);
      else DestroyWindow(hwnd);
      return TRUE;
    default:
      return FALSE;
  }
}

}  // namespace kalsim::ppt
