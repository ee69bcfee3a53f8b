// The shared part of the hosts' scenario runners.
#include "sim/host/scenario_runner.h"

#include "sim/engine/sim_error.h"
#include "sim/host/host_log.h"
#include "sim/word/word_json.h"

namespace kalsim {

using word::FromUtf8;
using word::ToUtf8;

namespace {
constexpr DWORD kTickLimitMs = 60000;
}  // namespace

long CScenarioRunner::IntArg(const CScenarioStep& step, size_t i) {
  if (i >= step.words.size()) throw CScenarioUsage("missing number");
  wchar_t* end = nullptr;
  const long v = std::wcstol(step.words[i].c_str(), &end, 10);
  if (!end || *end) throw CScenarioUsage("not a number");
  return v;
}

std::wstring CScenarioRunner::Run(const CScenarioStep& step) {
  std::wstring result;
  try {
    if (!RunCommonStep(step, &result)) result = Apply(step);
  } catch (const CSimError& e) {
    result = L"refused: " + (e.Message().empty() ? L"error " + std::to_wstring(e.Code()) : e.Message());
  } catch (const std::exception& e) {
    result = L"error: " + FromUtf8(e.what());
  }
  if (result.compare(0, 6, L"error:") == 0) ++m_nErrors;
  HostLog(L"action " + std::to_wstring(step.nLine) + L" " + step.strText + L" -> " + result);
  m_results.push_back(nlohmann::json{{"line", step.nLine}, {"action", ToUtf8(step.strText)}, {"result", ToUtf8(result)}});
  return result;
}

std::wstring CScenarioRunner::Apply(const CScenarioStep& step) {
  const std::wstring& verb = step.words.at(0);
  const size_t n = step.words.size();
  if (verb == L"wait" && n == 2) {
    const long ms = IntArg(step, 1);
    if (ms < 0) throw CScenarioUsage("negative wait");
    if (!m_pump(static_cast<DWORD>(ms))) m_bQuit = true;
  } else if (verb == L"ticks" && n == 2) {
    const long count = IntArg(step, 1);
    if (count <= 0) throw CScenarioUsage("ticks must be positive");
    if (!m_ticks) throw CScenarioUsage("timer ticks are not counted here");
    const int reached = m_ticks(static_cast<unsigned>(count), kTickLimitMs);
    if (reached < 0) m_bQuit = true;
    else if (reached == 0) throw CScenarioUsage("the timer did not tick within 60 s");
  } else if (verb == L"waitfor" && n >= 2) {
    const std::wstring path = step.Rest(1);
    for (const DWORD start = ::GetTickCount(); ::GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES;) {
      if (::GetTickCount() - start > kTickLimitMs) throw CScenarioUsage("the file did not appear within 60 s");
      if (!m_pump(20)) {
        m_bQuit = true;
        break;
      }
    }
  } else if (verb == L"dump" && n >= 2) {
    // The dump shows this step as done.
    m_results.push_back(nlohmann::json{{"line", step.nLine}, {"action", ToUtf8(step.strText)}, {"result", "ok"}});
    const nlohmann::json state = Dump();
    m_results.erase(m_results.size() - 1);
    if (!word::WriteWholeFile(step.Rest(1), state.dump(2))) throw CScenarioUsage("cannot write the dump");
  } else if (verb == L"quit" && n == 1) {
    m_bQuit = true;
  } else {
    std::wstring result = ApplyStep(step);
    if (result.empty()) throw CScenarioUsage("unknown action");
    return result;
  }
  return L"ok";
}

nlohmann::json CScenarioRunner::Dump() {
  nlohmann::json state = State();
  state["actions"] = m_results;
  if (m_extra) m_extra(state);
  return state;
}

}  // namespace kalsim
