// Scenario actions on the simulated Word.
#include "sim/host/word_scenario.h"

#include <stdexcept>

#include "sim/engine/sim_error.h"
#include "sim/host/host_log.h"
#include "sim/word/word_json.h"
#include "sim/word/word_user.h"

namespace kalsim {

using namespace word;

namespace {
constexpr DWORD kTickLimitMs = 60000;

struct CUsage : std::runtime_error {
  using std::runtime_error::runtime_error;
};

long ToInt(const CScenarioStep& step, size_t i) {
  if (i >= step.words.size()) throw CUsage("missing number");
  wchar_t* end = nullptr;
  long v = std::wcstol(step.words[i].c_str(), &end, 10);
  if (!end || *end) throw CUsage("not a number");
  return v;
}

double ToReal(const CScenarioStep& step, size_t i) {
  if (i >= step.words.size()) throw CUsage("missing number");
  wchar_t* end = nullptr;
  double v = std::wcstod(step.words[i].c_str(), &end);
  if (!end || *end) throw CUsage("not a number");
  return v;
}

// "r,g,b" or a plain RGB integer (R + 256 G + 65536 B).
long ToColor(const std::wstring& text) {
  unsigned r = 0, g = 0, b = 0;
  wchar_t tail = 0;
  if (swscanf(text.c_str(), L"%u,%u,%u%lc", &r, &g, &b, &tail) == 3 && r < 256 && g < 256 && b < 256)
    return static_cast<long>(r + 256 * g + 65536 * b);
  wchar_t* end = nullptr;
  long v = std::wcstol(text.c_str(), &end, 10);
  if (!end || *end || v < 0 || v > 0xFFFFFF) throw CUsage("bad colour");
  return v;
}

std::shared_ptr<CDocument> RequireActive(CWordApplication& app) {
  auto doc = app.ActiveDocument();
  if (!doc) ThrowOffice(4248, L"This command is not available because no document is open.");
  return doc;
}

}  // namespace

std::wstring CWordScenario::Run(const CScenarioStep& step) {
  std::wstring result;
  try {
    if (!RunCommonStep(step, &result)) result = Apply(step);
  } catch (const CSimError& e) {
    result = L"refused: " + (e.Message().empty() ? L"error " + std::to_wstring(e.Code()) : e.Message());
  } catch (const CUsage& e) {
    result = L"error: " + FromUtf8(e.what());
  } catch (const std::exception& e) {
    result = L"error: " + FromUtf8(e.what());
  }
  if (result.compare(0, 6, L"error:") == 0) ++m_nErrors;
  HostLog(L"action " + std::to_wstring(step.nLine) + L" " + step.strText + L" -> " + result);
  m_results.push_back(nlohmann::json{{"line", step.nLine}, {"action", ToUtf8(step.strText)}, {"result", ToUtf8(result)}});
  return result;
}

std::wstring CWordScenario::Apply(const CScenarioStep& step) {
  const std::wstring& verb = step.words.at(0);
  const size_t n = step.words.size();
  if (verb == L"open" && n >= 2) {
    m_app.OpenDocument(step.Rest(1));
  } else if (verb == L"new") {
    m_app.NewDocument();
  } else if (verb == L"activate" && n == 2) {
    long i = ToInt(step, 1);
    auto& docs = m_app.State().documents;
    if (i < 1 || static_cast<size_t>(i) > docs.size()) throw CUsage("no such document");
    m_app.ActivateDocument(docs[static_cast<size_t>(i - 1)]);
  } else if (verb == L"close") {
    bool save = n >= 2 && step.words[1] == L"save";
    m_app.CloseDocument(RequireActive(m_app), save ? -1 : 0);
  } else if (verb == L"header" && n >= 2 && step.words[1] == L"open") {
    UserOpenHeader(m_app, n >= 3 ? static_cast<int>(ToInt(step, 2)) : 1);
  } else if (verb == L"header" && n == 2 && step.words[1] == L"close") {
    UserCloseHeader(m_app);
  } else if (verb == L"shape" && n >= 4) {
    const std::wstring& what = step.words[1];
    if (what == L"add") {
      UserAddWordArt(m_app, static_cast<int>(ToInt(step, 2)), step.Rest(3));
      return L"ok";
    }
    int s = static_cast<int>(ToInt(step, 2)), i = static_cast<int>(ToInt(step, 3));
    if (what == L"move" && n == 6) UserMoveShape(m_app, s, i, ToReal(step, 4), ToReal(step, 5));
    else if (what == L"text" && n >= 5) UserSetShapeText(m_app, s, i, step.Rest(4));
    else if (what == L"color" && n == 5) UserSetShapeColor(m_app, s, i, ToColor(step.words[4]));
    else if (what == L"transparency" && n == 5) UserSetShapeTransparency(m_app, s, i, ToReal(step, 4));
    else if (what == L"rotate" && n == 5) UserSetShapeRotation(m_app, s, i, ToReal(step, 4));
    else if (what == L"rename" && n >= 5) UserRenameShape(m_app, s, i, step.Rest(4));
    else if (what == L"delete" && n == 4) UserDeleteShape(m_app, s, i);
    else throw CUsage("unknown shape action");
  } else if (verb == L"type" && n >= 2) {
    UserType(m_app, step.Rest(1));
  } else if (verb == L"track" && n == 2 && (step.words[1] == L"on" || step.words[1] == L"off")) {
    auto doc = RequireActive(m_app);
    doc->trackRevisions = step.words[1] == L"on";
    doc->saved = false;
  } else if (verb == L"linebreaks" && n == 2 && (step.words[1] == L"cr" || step.words[1] == L"written")) {
    m_app.State().textEffectBreaks = step.words[1] == L"cr" ? ETextEffectBreaks::kParagraphMark : ETextEffectBreaks::kAsWritten;
  } else if (verb == L"ribbon" && n == 2) {
    if (!m_app.FindCommand(step.words[1])) throw CUsage("unknown command");
    if (!m_app.ExecuteCommand(step.words[1])) return L"refused: command disabled";
  } else if (verb == L"wait" && n == 2) {
    long ms = ToInt(step, 1);
    if (ms < 0) throw CUsage("negative wait");
    if (!m_pump(static_cast<DWORD>(ms))) m_bQuit = true;
  } else if (verb == L"ticks" && n == 2) {
    long count = ToInt(step, 1);
    if (count <= 0) throw CUsage("ticks must be positive");
    if (!m_ticks) throw CUsage("timer ticks are not counted here");
    const int reached = m_ticks(static_cast<unsigned>(count), kTickLimitMs);
    if (reached < 0) m_bQuit = true;
    else if (reached == 0) throw CUsage("the timer did not tick within 60 s");
  } else if (verb == L"save" && n == 1) {
    m_app.SaveDocument(*RequireActive(m_app));
  } else if (verb == L"saveas" && n >= 2) {
    m_app.SaveDocument(*RequireActive(m_app), step.Rest(1));
  } else if (verb == L"dump" && n >= 2) {
    // The dump shows this step as done.
    m_results.push_back(nlohmann::json{{"line", step.nLine}, {"action", ToUtf8(step.strText)}, {"result", "ok"}});
    nlohmann::json state = Dump();
    m_results.erase(m_results.size() - 1);
    if (!WriteWholeFile(step.Rest(1), state.dump(2))) throw CUsage("cannot write the dump");
  } else if (verb == L"quit" && n == 1) {
    m_bQuit = true;
  } else {
    throw CUsage("unknown action");
  }
  return L"ok";
}

nlohmann::json CWordScenario::Dump() const {
  nlohmann::json state = AppStateToJson(m_app.State());
  nlohmann::json events = nlohmann::json::object();
  for (DISPID id : {1, 2, 3, 4, 6, 7, 8, 9, 10, 11, 12})
    if (m_app.EventsFired(id)) events[std::to_string(id)] = m_app.EventsFired(id);
  state["eventsFired"] = events;
  state["advisedSinks"] = m_app.AdvisedSinks();
  state["actions"] = m_results;
  if (m_extra) m_extra(state);
  return state;
}

}  // namespace kalsim
