// JSON reading and writing of Excel workbooks and of the application state.
#include "sim/excel/excel_json.h"

#include "sim/engine/sim_error.h"
#include "sim/word/word_json.h"

using nlohmann::json;
using kalsim::word::FromUtf8;
using kalsim::word::ToUtf8;

namespace kalsim::excel {

namespace {

[[noreturn]] void ThrowNotWorkbook(const std::wstring& what) {
  ThrowOffice(kErrMethodFailed, L"Excel cannot open the file '" + what +
                                    L"' because the file format or file extension is not valid.");
}

json ProtectionToJson(const CSheetProtection& p) {
  json allow = json::array();
  for (bool a : p.allow) allow.push_back(a);
  return json{{"on", p.on},
              {"passwordHash", ToUtf8(p.passwordHash)},
              {"drawingObjects", p.drawingObjects},
              {"contents", p.contents},
              {"scenarios", p.scenarios},
              {"userInterfaceOnly", p.userInterfaceOnly},
              {"allow", allow}};
}

CSheetProtection ProtectionFromJson(const json& j) {
  CSheetProtection p;
  p.on = j.value("on", false);
  p.passwordHash = FromUtf8(j.value("passwordHash", std::string()));
  p.drawingObjects = j.value("drawingObjects", false);
  p.contents = j.value("contents", false);
  p.scenarios = j.value("scenarios", false);
  p.userInterfaceOnly = j.value("userInterfaceOnly", false);
  if (j.contains("allow"))
    for (size_t i = 0; i < p.allow.size() && i < j.at("allow").size(); ++i) p.allow[i] = j.at("allow").at(i).get<bool>();
  return p;
}

}  // namespace

json WorkbookToJson(const CWorkbook& book) {
  json sheets = json::array();
  long active = 0;
  for (size_t i = 0; i < book.sheets.size(); ++i) {
    const CSheet& s = *book.sheets[i];
    if (book.activeSheet == book.sheets[i]) active = static_cast<long>(i + 1);
    json cells = json::object();
    for (const auto& [address, cell] : s.cells)
      cells[ToUtf8(address)] = json{{"value", ToUtf8(cell.value)}, {"locked", cell.locked}};
    sheets.push_back(json{{"name", ToUtf8(s.name)},
                          {"type", s.IsWorksheet() ? "worksheet" : "chart"},
                          {"background", ToUtf8(s.background)},
                          {"protection", ProtectionToJson(s.protection)},
                          {"cells", cells}});
  }
  json j{{"name", ToUtf8(book.name)},
              {"path", ToUtf8(book.path)},
              {"saved", book.saved},
              {"hidden", book.hidden},
              {"protection",
               {{"structure", book.structureProtected},
                {"windows", book.windowsProtected},
                {"passwordHash", ToUtf8(book.passwordHash)}}},
              {"activeSheet", active},
              {"sheets", sheets}};
  if (!book.openPassword.empty()) j["openPassword"] = ToUtf8(book.openPassword);
  if (!book.writePassword.empty()) j["writePassword"] = ToUtf8(book.writePassword);
  if (!book.links.empty()) {
    j["links"] = json::array();
    for (const auto& l : book.links) j["links"].push_back(ToUtf8(l));
  }
  return j;
}

std::shared_ptr<CWorkbook> WorkbookFromJson(const json& j) {
  try {
    if (!j.is_object()) ThrowNotWorkbook(L"(not an object)");
    auto book = std::make_shared<CWorkbook>();
    book->name = FromUtf8(j.value("name", std::string("Book1.xlsx")));
    book->saved = j.value("saved", true);
    book->hidden = j.value("hidden", false);
    book->openPassword = FromUtf8(j.value("openPassword", std::string()));
    book->writePassword = FromUtf8(j.value("writePassword", std::string()));
    for (const json& l : j.value("links", json::array())) book->links.push_back(FromUtf8(l.get<std::string>()));
    if (j.contains("protection")) {
      const json& p = j.at("protection");
      book->structureProtected = p.value("structure", false);
      book->windowsProtected = p.value("windows", false);
      book->passwordHash = FromUtf8(p.value("passwordHash", std::string()));
    }
    const json sheets = j.value("sheets", json::array({json{{"name", "Sheet1"}}}));
    for (const json& js : sheets) {
      auto s = std::make_shared<CSheet>();
      s->name = FromUtf8(js.value("name", std::string("Sheet") + std::to_string(book->sheets.size() + 1)));
      const std::string type = js.value("type", std::string("worksheet"));
      if (type != "worksheet" && type != "chart") ThrowNotWorkbook(book->name);
      s->type = type == "chart" ? CSheetType::Chart : CSheetType::Worksheet;
      s->background = FromUtf8(js.value("background", std::string()));
      if (js.contains("protection")) s->protection = ProtectionFromJson(js.at("protection"));
      if (js.contains("cells"))
        for (const auto& [address, cell] : js.at("cells").items()) {
          CCell c;
          c.value = FromUtf8(cell.value("value", std::string()));
          c.locked = cell.value("locked", true);
          s->cells[CellAddress(FromUtf8(address))] = c;
        }
      book->sheets.push_back(s);
    }
    book->sheetsCreated = static_cast<long>(book->sheets.size());
    const long active = j.value("activeSheet", book->sheets.empty() ? 0L : 1L);
    if (active < 0 || static_cast<size_t>(active) > book->sheets.size()) ThrowNotWorkbook(book->name);
    if (active > 0) book->activeSheet = book->sheets[static_cast<size_t>(active - 1)];
    return book;
  } catch (const json::exception&) {
    ThrowNotWorkbook(L"(malformed)");
  }
}

std::shared_ptr<CWorkbook> LoadWorkbookFile(const std::wstring& path) {
  std::string bytes;
  if (!word::ReadWholeFile(path, bytes))
    ThrowOffice(kErrMethodFailed, L"Sorry, we couldn't find " + path +
                                      L". Is it possible it was moved, renamed or deleted?");
  json j = json::parse(bytes, nullptr, false);
  if (j.is_discarded()) ThrowNotWorkbook(path);
  auto book = WorkbookFromJson(j);
  book->path = path;
  const size_t slash = path.find_last_of(L"\\/");
  book->name = slash == std::wstring::npos ? path : path.substr(slash + 1);
  return book;
}

void SaveWorkbookFile(const CWorkbook& book, const std::wstring& path) {
  json j = WorkbookToJson(book);
  j["saved"] = true;
  j.erase("path");
  if (!word::WriteWholeFile(path, j.dump(2)))
    ThrowOffice(kErrMethodFailed, L"Cannot access '" + path + L"'.");
}

json AppStateToJson(CExcelApplication& app) {
  const CExcelAppState& s = app.State();
  json books = json::array();
  for (const auto& b : s.workbooks) books.push_back(WorkbookToJson(*b));
  json protectedView = json::array();
  for (const auto& b : s.protectedView) protectedView.push_back(WorkbookToJson(*b));
  json commands = json::array();
  for (const auto& c : app.Commands().Commands())
    commands.push_back(json{{"idMso", ToUtf8(c.idMso)}, {"enabled", c.enabled}, {"executed", c.executed}, {"refused", c.refused}});
  json events = json::array();
  for (const auto& [id, about] : app.EventLog()) events.push_back(json{{"dispid", id}, {"about", ToUtf8(about)}});
  return json{{"version", ToUtf8(s.version)},
              {"visible", s.visible},
              {"displayAlerts", s.displayAlerts},
              {"interactive", s.interactive},
              {"userControl", s.userControl},
              {"screenUpdating", s.screenUpdating},
              {"workbooks", books},
              {"protectedViewWindows", protectedView},
              {"active", s.active ? json(ToUtf8(s.active->name)) : json()},
              {"commands", commands},
              {"events", events},
              {"advisedSinks", app.AdvisedSinks()}};
}

}  // namespace kalsim::excel
