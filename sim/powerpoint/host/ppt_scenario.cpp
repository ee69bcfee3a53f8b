// Scenario actions on the simulated PowerPoint.
#include "sim/powerpoint/host/ppt_scenario.h"

#include <cwctype>
#include <stdexcept>

#include "sim/host/host_log.h"
#include "sim/host/message_pump.h"
#include "sim/powerpoint/ppt_errors.h"
#include "sim/powerpoint/ppt_json.h"
#include "sim/word/word_json.h"

namespace kalsim::ppt {

namespace {

struct CUsage : std::runtime_error {
  using std::runtime_error::runtime_error;
};

constexpr DWORD kInputSettleMs = 150;  // the queue is pumped this long after each input

void SendKey(WORD vk, bool up) {
  INPUT in{};
  in.type = INPUT_KEYBOARD;
  in.ki.wVk = vk;
  in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  SendInput(1, &in, sizeof(in));
}

void SendMouse(DWORD flags) {
  INPUT in{};
  in.type = INPUT_MOUSE;
  in.mi.dwFlags = flags;
  SendInput(1, &in, sizeof(in));
}

WORD KeyOf(const std::wstring& name) {
  static const std::pair<const wchar_t*, WORD> kNames[] = {
      {L"left", VK_LEFT}, {L"right", VK_RIGHT}, {L"up", VK_UP}, {L"down", VK_DOWN}, {L"pgup", VK_PRIOR},
      {L"pgdn", VK_NEXT}, {L"esc", VK_ESCAPE}, {L"f5", VK_F5}, {L"delete", VK_DELETE}, {L"enter", VK_RETURN},
      {L"back", VK_BACK}, {L"space", VK_SPACE}};
  for (const auto& [n, vk] : kNames)
    if (name == n) return vk;
  if (name.size() == 1 && std::iswalnum(name[0])) return static_cast<WORD>(std::towupper(name[0]));
  throw CUsage("unknown key");
}

long Number(const CScenarioStep& step, size_t i) {
  if (i >= step.words.size()) throw CUsage("missing number");
  wchar_t* end = nullptr;
  long v = std::wcstol(step.words[i].c_str(), &end, 10);
  if (!end || *end) throw CUsage("not a number");
  return v;
}

}  // namespace

std::wstring CPptScenario::Run(const CScenarioStep& step) {
  std::wstring result;
  try {
    if (!RunCommonStep(step, &result)) result = Apply(step);
  } catch (const CSimError& e) {
    result = L"refused: " + (e.Message().empty() ? L"error " + std::to_wstring(e.Code()) : e.Message());
  } catch (const std::exception& e) {
    result = L"error: " + word::FromUtf8(e.what());
  }
  if (result.compare(0, 6, L"error:") == 0) ++m_nErrors;
  HostLog(L"action " + std::to_wstring(step.nLine) + L" " + step.strText + L" -> " + result);
  m_results.push_back(nlohmann::json{{"line", step.nLine}, {"action", word::ToUtf8(step.strText)}, {"result", word::ToUtf8(result)}});
  return result;
}

std::wstring CPptScenario::Apply(const CScenarioStep& step) {
  const std::wstring& verb = step.words.at(0);
  const size_t n = step.words.size();
  auto window = [&](size_t i) {
    if (i >= n) throw CUsage("missing window");
    HWND w = m_windows.Find(step.words[i]);
    if (!w) throw CUsage("no such window shown");
    return w;
  };
  if (verb == L"open" && n >= 2) {
    m_app.OpenPresentation(step.Rest(1));
    m_windows.UpdateTitle();
  } else if (verb == L"new") {
    m_app.NewPresentation();
    m_windows.UpdateTitle();
  } else if (verb == L"slide" && n == 2 && step.words[1] == L"add") {
    m_app.AddSlideToActive();
  } else if (verb == L"view" && n == 2) {
    auto p = m_app.ActivePresentation();
    if (!p || !p->hasWindow) ThrowPpt(L"Application (unknown member) : Invalid request.  There is no currently active document window.");
    const std::wstring& v = step.words[1];
    const long type = v == L"normal" ? kViewNormal : v == L"master" ? kViewSlideMaster : v == L"sorter" ? kViewSlideSorter : Number(step, 1);
    SetViewType(*p, type, m_app.MajorVersion());
  } else if (verb == L"ribbon" && n == 2) {
    if (!m_app.ExecuteCommand(step.words[1])) return L"refused: command disabled";
  } else if (verb == L"show" && n == 2) {
    if (!m_windows.Show(step.words[1])) throw CUsage("unknown dialog");
    PumpFor(kInputSettleMs);
  } else if (verb == L"focus" && n == 2) {
    SetFocus(window(1));
  } else if (verb == L"click" && n >= 2) {
    POINT at{};
    size_t next = 2;
    if (std::iswdigit(step.words[1][0])) {
      at = POINT{Number(step, 1), Number(step, 2)};
      next = 3;
    } else {
      RECT r{};
      GetWindowRect(window(1), &r);
      at = POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    }
    const std::wstring how = next < n ? step.words[next] : L"";
    SetCursorPos(at.x, at.y);
    PumpFor(20);
    const DWORD down = how == L"right" ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_LEFTDOWN;
    const DWORD up = how == L"right" ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_LEFTUP;
    for (int i = 0; i < (how == L"double" ? 2 : 1); ++i) {
      SendMouse(down);
      SendMouse(up);
    }
    PumpFor(kInputSettleMs);
  } else if (verb == L"type" && n >= 2) {
    for (wchar_t c : step.Rest(1)) {
      const SHORT scan = VkKeyScanW(c);
      if (scan == -1) throw CUsage("character cannot be typed");
      const bool shift = (scan >> 8) & 1;
      if (shift) SendKey(VK_SHIFT, false);
      SendKey(static_cast<WORD>(scan & 0xFF), false);
      SendKey(static_cast<WORD>(scan & 0xFF), true);
      if (shift) SendKey(VK_SHIFT, true);
    }
    PumpFor(kInputSettleMs);
  } else if (verb == L"key" && n == 2) {
    std::wstring keyText = step.words[1];
    const bool ctrl = keyText.compare(0, 5, L"ctrl+") == 0;
    if (ctrl) keyText.erase(0, 5);
    const WORD vk = KeyOf(keyText);
    if (ctrl) SendKey(VK_CONTROL, false);
    SendKey(vk, false);
    SendKey(vk, true);
    if (ctrl) SendKey(VK_CONTROL, true);
    PumpFor(kInputSettleMs);
  } else if (verb == L"wait" && n == 2) {
    if (!PumpFor(static_cast<DWORD>(Number(step, 1)))) m_bQuit = true;
  } else if (verb == L"save") {
    auto p = m_app.ActivePresentation();
    if (!p) ThrowPpt(L"Application (unknown member) : Invalid request.  There is no active presentation.");
    m_app.SavePresentation(*p);
  } else if (verb == L"dump" && n >= 2) {
    if (!word::WriteWholeFile(step.Rest(1), Dump().dump(2))) throw CUsage("cannot write dump");
  } else if (verb == L"quit") {
    m_bQuit = true;
    m_app.Quit();
  } else {
    throw CUsage("unknown action");
  }
  return L"ok";
}

nlohmann::json CPptScenario::Dump() const {
  nlohmann::json state = AppStateToJson(m_app);
  state["actions"] = m_results;
  state["ui"] = m_windows.UiToJson();
  if (m_extra) m_extra(state);
  return state;
}

}  // namespace kalsim::ppt
