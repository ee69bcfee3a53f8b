// Scenario actions on the simulated Excel.
#include "sim/excel/host/excel_scenario.h"

#include "sim/engine/sim_error.h"
#include "sim/excel/excel_json.h"

namespace kalsim {

using namespace excel;

namespace {
std::shared_ptr<CWorkbook> RequireActive(CExcelApplication& app) {
  auto book = app.ActiveWorkbook();
  if (!book) ThrowOffice(kErrMethodFailed, L"This command requires at least one open workbook.");
  return book;
}

std::shared_ptr<CSheet> SheetNamed(const CWorkbook& book, const std::wstring& word) {
  wchar_t* end = nullptr;
  const long index = std::wcstol(word.c_str(), &end, 10);
  if (end && !*end) {
    if (index < 1 || static_cast<size_t>(index) > book.sheets.size()) throw CScenarioUsage("no such sheet");
    return book.sheets[static_cast<size_t>(index - 1)];
  }
  for (const auto& s : book.sheets)
    if (CompareStringOrdinal(s->name.c_str(), -1, word.c_str(), -1, TRUE) == CSTR_EQUAL) return s;
  throw CScenarioUsage("no such sheet");
}
}  // namespace

std::wstring CExcelScenario::ApplyStep(const CScenarioStep& step) {
  const std::wstring& verb = step.words.at(0);
  const size_t n = step.words.size();
  if (verb == L"open" && n >= 2) {
    m_app.OpenWorkbook(step.Rest(1));
  } else if (verb == L"new" && n == 1) {
    m_app.NewWorkbook();
  } else if (verb == L"sheet" && n >= 2 && step.words[1] == L"add") {
    const bool chart = n == 3 && step.words[2] == L"chart";
    if (n > 3 || (n == 3 && !chart)) throw CScenarioUsage("sheet add [chart]");
    m_app.AddSheet(RequireActive(m_app), chart ? CSheetType::Chart : CSheetType::Worksheet);
  } else if (verb == L"sheet" && n >= 2) {
    auto book = RequireActive(m_app);
    m_app.ActivateSheet(book, SheetNamed(*book, step.Rest(1)));
  } else if (verb == L"activate" && n == 2) {
    const long i = IntArg(step, 1);
    const auto& books = m_app.State().workbooks;
    if (i < 1 || static_cast<size_t>(i) > books.size()) throw CScenarioUsage("no such workbook");
    m_app.ActivateWorkbook(books[static_cast<size_t>(i - 1)]);
  } else if (verb == L"edit" && n >= 3) {
    auto book = RequireActive(m_app);
    if (!book->activeSheet) throw CScenarioUsage("no active sheet");
    EditCell(*book, *book->activeSheet, step.words[1], step.Rest(2));
  } else if (verb == L"ribbon" && n == 2) {
    if (!m_app.Commands().Find(step.words[1])) throw CScenarioUsage("unknown command");
    if (!m_app.ExecuteCommand(step.words[1])) return L"refused: command disabled";
  } else if (verb == L"save" && n == 1) {
    m_app.SaveWorkbook(RequireActive(m_app));
  } else if (verb == L"saveas" && n >= 2) {
    m_app.SaveWorkbook(RequireActive(m_app), step.Rest(1));
  } else if (verb == L"enable" && n == 2 && step.words[1] == L"editing") {
    // The user's Enable Editing in the Protected View window on top.
    if (!m_app.State().protectedViewOnTop) throw CScenarioUsage("no Protected View window is on top");
    m_app.EnableEditing(m_app.State().protectedView.back());
  } else if (verb == L"close") {
    // "close" alone is the user closing the window: Excel asks to save a workbook whose Saved
    // is false (https://learn.microsoft.com/office/vba/api/excel.workbook.saved: "If true,
    // Excel won't prompt ... when the workbook is closed"); the answer here is Don't Save.
    const auto book = RequireActive(m_app);
    const bool asked = n == 1 && !book->saved;
    m_app.CloseWorkbook(book, n >= 2 && step.words[1] == L"save");
    // Unverified: the prompt's wording, as Excel 2016 and later show it.
    if (asked) return L"prompted: Want to save your changes to '" + book->name + L"'?";
  } else {
    return std::wstring();
  }
  return L"ok";
}

nlohmann::json CExcelScenario::State() { return AppStateToJson(m_app); }

}  // namespace kalsim
