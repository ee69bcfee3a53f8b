// End-to-end Excel scenarios: the registered KalMsAddin.dll inside the simulated excel.exe,
// with the reference agent (installed, so the picture can be rendered) publishing the policy
// for that process; and excel.exe as COM's local server for "Excel.Application".
#include <gtest/gtest.h>
#include <wrl/client.h>

#include <regex>
#include <set>

#include "core/automation.h"
#include "core/office_interfaces.h"
#include "tests/support/test_paths.h"
#include "tests/support/ungated_trace.h"
#include "tests/word/word_e2e_fixture.h"

namespace kaltest {
namespace {

using nlohmann::json;

// A workbook document: sheets given as "w" (worksheet) or "c" (chart sheet).
std::string Book(const std::string& kinds, int activeSheet = 1, bool saved = true) {
  json sheets = json::array();
  int w = 0, c = 0;
  for (char k : kinds) {
    sheets.push_back(k == 'c'
                         ? json{{"name", "Chart" + std::to_string(++c)}, {"type", "chart"}}
                         : json{{"name", "Sheet" + std::to_string(++w)}, {"type", "worksheet"}});
  }
  return json{{"saved", saved}, {"activeSheet", activeSheet}, {"sheets", sheets}}.dump();
}

const json& Workbook(const json& state, size_t i) { return state.at("workbooks").at(i); }

// Names of the sheets whose background is the add-in's picture of process pid.
std::vector<std::string> Stamped(const json& book, DWORD pid) {
  const std::string suffix = "\\KalTemp\\watermarkxlsx" + std::to_string(pid) + ".jpg";
  std::vector<std::string> names;
  for (const auto& s : book.at("sheets")) {
    const std::string bg = s.value("background", "");
    if (bg.size() > suffix.size() &&
        bg.compare(bg.size() - suffix.size(), suffix.size(), suffix) == 0)
      names.push_back(s.value("name", ""));
  }
  return names;
}

std::string PictureOf(const json& book) {
  for (const auto& s : book.at("sheets"))
    if (!s.value("background", "").empty()) return s.value("background", "");
  return std::string();
}

class ExcelEndToEnd : public CEndToEnd {
 protected:
  static void SetUpTestSuite() {
    std::string out;
    ASSERT_EQ(RunBinTool(L"TavRegedit.exe", L"install \"" + BinDir() + L"excel_e2e_agent\"", &out),
              0)
        << out;
    CEndToEnd::SetUpTestSuite();
  }
  static void TearDownTestSuite() {
    CEndToEnd::TearDownTestSuite();
    std::string out;
    RunBinTool(L"TavRegedit.exe", L"uninstall", &out);
  }
  CHostResult RunExcel(const CHostRun& run, const std::wstring& dirTag = L"kalexcel") {
    return Run(run, L"excel.exe", L"book.xlsx", dirTag);
  }
};

bool FileExists(const std::string& path) {
  const std::wstring w(path.begin(), path.end());
  return ::GetFileAttributesW(w.c_str()) != INVALID_FILE_ATTRIBUTES;
}

TEST_F(ExcelEndToEnd, OnlyTheSheetInViewCarriesThePictureAndTheRibbonRefusesTheBackgroundCommand) {
  CHostRun run;
  run.document = Book("www");
  run.script =
      "dump 1\nsheet 2\ndump 2\nsheet Sheet3\ndump 3\nsheet add\ndump 4\nribbon "
      "SheetBackground\nribbon Bold\n";
  const CHostResult r = RunExcel(run);
  ASSERT_EQ(r.exitCode, 0);
  ASSERT_TRUE(r.state.is_object());
  const std::vector<std::vector<std::string>> expected = {
      {"Sheet1"}, {"Sheet2"}, {"Sheet3"}, {"Sheet4"}};
  for (int i = 1; i <= 4; ++i)
    EXPECT_EQ(Stamped(Workbook(r.Dump(i), 0), r.pid), expected[i - 1]) << i;
  const auto& actions = r.state.at("actions");
  EXPECT_EQ(actions.at(7).value("result", ""), "refused: command disabled");
  EXPECT_EQ(actions.at(8).value("result", ""), "ok");
  EXPECT_EQ(r.state.at("advisedSinks").get<int>(), 1);
  // The picture was made at connection under %APPDATA%\KalTemp\ and is gone after Excel.
  const std::string picture = PictureOf(Workbook(r.Dump(1), 0));
  EXPECT_NE(picture.find("\\KalTemp\\watermarkxlsx"), std::string::npos);
  EXPECT_TRUE(m_trace.Contains("File Exists = 1"));
  EXPECT_FALSE(FileExists(picture));
}

// Viewing a workbook and switching its sheets leaves its saved state as it was: a saved one
// closes without Excel's prompt and its file is unchanged; a changed one is still asked about.
TEST_F(ExcelEndToEnd, AWorkbookTheUserOnlyLooksAtClosesWithoutAPromptAndItsFileUnchanged) {
  for (const bool saved : {true, false}) {
    SCOPED_TRACE(saved ? "saved" : "changed");
    CHostRun run;
    run.document = Book("wwcw", 1, saved);
    run.script = "dump 1\nsheet 2\ndump 2\nsheet 3\nsheet 4\ndump 3\nsheet 1\nclose\n";
    const CHostResult r = RunExcel(run);
    ASSERT_EQ(r.exitCode, 0);
    const std::vector<std::vector<std::string>> stamped = {{"Sheet1"}, {"Sheet2"}, {"Sheet3"}};
    for (int i = 1; i <= 3; ++i) {
      const json dump = r.Dump(i);
      const json& book = Workbook(dump, 0);
      EXPECT_EQ(Stamped(book, r.pid), stamped[i - 1]) << i;
      EXPECT_EQ(book.at("saved").get<bool>(), saved) << i;
    }
    const json& actions = r.state.at("actions");
    EXPECT_EQ(actions.at(actions.size() - 2).value("result", ""),
              saved ? "ok" : "prompted: Want to save your changes to 'book.xlsx'?");
    EXPECT_EQ(ReadFileBytes(r.dir + L"book.xlsx"), run.document);
  }
}

TEST_F(ExcelEndToEnd, ChartSheetInViewStampsTheFirstWorksheetAndNewChartSheetsWriteTheComError) {
  CHostRun run;
  run.document = Book("cww", 1, true);
  run.script = "dump 1\nsheet add chart\n";
  const CHostResult r = RunExcel(run);
  ASSERT_EQ(r.exitCode, 0);
  const json dump1 = r.Dump(1);
  const json& first = Workbook(dump1, 0);
  EXPECT_EQ(Stamped(first, r.pid), std::vector<std::string>{"Sheet1"});
  EXPECT_TRUE(first.at("saved").get<bool>());
  EXPECT_TRUE(m_trace.WaitFor("KalMsAddin.dll CMSExcel::WorkbookNewSheet _com_error : ", 10000));
  EXPECT_EQ(Workbook(r.state, 0).at("sheets").at(0).value("type", ""),
            "chart");  // the new one, in view
}

// [DebugLog] KalMsAddin=0 silences every gated line and none of the ungated ones Excel writes:
// the watermark decision, the read-only query (asked whatever its answer), the picture set on
// the first worksheet when a chart sheet is in view, and the failure a new chart sheet's
// stamping meets.
TEST_F(ExcelEndToEnd, TraceSwitchOffLeavesTheUngatedLinesOnly) {
  ExpectTraceSwitchHolds(
      m_trace,
      [&](bool) {
        CHostRun run;
        run.document = Book("cww", 1, true);  // not read-only: protection would refuse the new sheet
        run.script = "sheet add chart\n";
        const CHostResult r = RunExcel(run);
        EXPECT_EQ(r.exitCode, 0);
        return r.pid;
      },
      {EUngated::kPolicy, EUngated::kReadOnly, EUngated::kExcelPicture, EUngated::kExcelEvents});
}

TEST_F(ExcelEndToEnd, AutomationSwitchInAnyCaseLeavesExcelPassive) {
  // The switch reaches the command line through the workbook's folder name; Windows takes
  // "/" as a path separator, so the second is a folder "AUTOMATION_..." inside "kalexcel".
  ::CreateDirectoryW((TempFolder() + L"kalexcel").c_str(), nullptr);
  for (const wchar_t* tag : {L"run-AutoMation", L"kalexcel/AUTOMATION"}) {
    CHostRun run;
    run.document = Book("ww");
    run.readOnly = true;
    run.script = "sheet 2\nwait 1200\n";
    const std::wstring wtag(tag);
    m_trace.Clear();
    const CHostResult r = RunExcel(run, tag);
    EXPECT_EQ(r.exitCode, 0) << Utf8(wtag);
    ASSERT_TRUE(r.state.is_object()) << Utf8(wtag);
    const json& book = Workbook(r.state, 0);
    EXPECT_TRUE(PictureOf(book).empty());
    EXPECT_FALSE(book.at("protection").at("structure").get<bool>());
    EXPECT_EQ(r.state.at("advisedSinks").get<int>(), 0);
    EXPECT_TRUE(m_trace.Contains("FILE CMSExcel::OnConnection"));
    EXPECT_FALSE(m_trace.Contains("LockBookTimer"));
    // GetCustomUI does not look at the command line.
    EXPECT_NE(r.state.at("addins").at(0).value("ribbonXml", "").find("SheetBackground"),
              std::string::npos);
  }
}

TEST_F(ExcelEndToEnd, DeletedPictureStopsStampingAndClearing) {
  CHostRun run;
  run.document = Book("www");
  // The script waits until the test has deleted the picture.
  const std::wstring deleted = TempFolder() + L"kalexcel_deleted_" + std::to_wstring(::GetCurrentProcessId()) + L".flag";
  ::DeleteFileW(deleted.c_str());
  run.script = "dump 1\nwaitfor " + Utf8(deleted) + "\nsheet 2\nsheet add\nnew\n";
  run.whileRunning = [&](DWORD, const std::wstring& dir) {
    // Polls until the first dump is complete (it is written while the test reads).
    std::string picture;
    for (int i = 0; i < 600 && picture.empty(); ++i) {
      const json dump = ParseJsonFile(dir + L"dump1.json");
      if (dump.is_object()) picture = PictureOf(Workbook(dump, 0));
      if (picture.empty()) ::Sleep(50);
    }
    EXPECT_TRUE(::DeleteFileW(std::wstring(picture.begin(), picture.end()).c_str())) << picture;
    EXPECT_TRUE(WriteFileBytes(deleted, ""));
  };
  const CHostResult r = RunExcel(run);
  ::DeleteFileW(deleted.c_str());
  ASSERT_EQ(r.exitCode, 0);
  EXPECT_EQ(Stamped(Workbook(r.state, 0), r.pid), std::vector<std::string>{"Sheet1"});
  EXPECT_TRUE(Stamped(Workbook(r.state, 1), r.pid).empty());
}

TEST_F(ExcelEndToEnd, ReadOnlyWorkbooksEndProtectedSavedAndRefuseEdits) {
  CHostRun run;
  run.document = Book("wwc", 1, false);
  run.readOnly = true;
  run.watermark = false;
  // A second workbook opens before the first tick.
  run.script = "new\nticks 1\nwait 1200\nedit A1 changed\nactivate 1\nsheet add\n";
  const CHostResult r = RunExcel(run);
  EXPECT_EQ(r.exitCode, 0);
  ASSERT_TRUE(r.state.is_object());
  std::set<std::string> hashes;
  for (size_t i = 0; i < 2; ++i) {
    const json& book = Workbook(r.state, i);
    const std::string hash = book.at("protection").value("passwordHash", "");
    EXPECT_TRUE(book.at("protection").at("structure").get<bool>());
    EXPECT_FALSE(book.at("protection").at("windows").get<bool>());
    EXPECT_FALSE(hash.empty());
    hashes.insert(hash);
    for (const auto& s : book.at("sheets")) {
      const bool worksheet = s.value("type", "") == "worksheet";
      EXPECT_EQ(s.at("protection").at("on").get<bool>(), worksheet) << s;
      if (worksheet) {
        EXPECT_EQ(s.at("protection").value("passwordHash", ""), hash);
      }
    }
    EXPECT_TRUE(book.at("saved").get<bool>());
  }
  EXPECT_EQ(hashes.size(), 2u);  // one password per workbook
  const auto& actions = r.state.at("actions");
  EXPECT_EQ(actions.at(3).value("result", "").rfind("refused: The cell or chart", 0), 0u)
      << actions.at(3);
  EXPECT_EQ(actions.at(5).value("result", ""),
            "refused: Workbook is protected and cannot be changed.");
  // The timer stopped at its first tick; no line carries a password.
  EXPECT_EQ(m_trace.Count("LockBookTimer----------------enter"), 1u);
  EXPECT_EQ(m_trace.Count("LockBookTimer----------------KillTimer"), 1u);
  const std::regex password("[0-9A-F]{32}");
  for (const auto& line : m_trace.LinesOf(r.pid))
    EXPECT_FALSE(std::regex_search(line, password)) << line;
}

// The only window is in Protected View (a file from the internet): the add-in reaches no
// workbook, so it stamps and protects nothing Excel would refuse, writes no failure line and
// keeps its protection timer waiting; once the user enables editing, the workbook gets the
// mark and the protection like any other.
TEST_F(ExcelEndToEnd, OnlyWindowInProtectedViewWaitsUntilEditingIsEnabled) {
  CHostRun run;
  run.document = Book("ww");
  run.readOnly = true;
  run.extraArgs = L"/protectedview";
  run.script = "ticks 3\ndump 1\nenable editing\nticks 1\n";  // the tick after editing protects and stops
  const CHostResult r = RunExcel(run);
  ASSERT_EQ(r.exitCode, 0);
  const json before = r.Dump(1);
  ASSERT_TRUE(before.is_object());
  EXPECT_TRUE(before.at("workbooks").empty());
  ASSERT_EQ(before.at("protectedViewWindows").size(), 1u);
  const json& viewed = before.at("protectedViewWindows").at(0);
  EXPECT_TRUE(PictureOf(viewed).empty());
  EXPECT_FALSE(viewed.at("protection").at("structure").get<bool>());
  size_t ticksBeforeEditing = 0;
  bool editing = false;
  for (const auto& line : m_trace.LinesOf(r.pid)) {
    EXPECT_EQ(line.find("_com_error"), std::string::npos) << line;
    EXPECT_EQ(line.find("Exception"), std::string::npos) << line;
    editing = editing || line.find("CMSExcel::WorkbookActivate enter") != std::string::npos;
    if (!editing) {
      ticksBeforeEditing += line.find("LockBookTimer----------------enter") != std::string::npos;
      EXPECT_EQ(line.find("LockBookTimer----------------KillTimer"), std::string::npos) << line;
    }
  }
  EXPECT_GE(ticksBeforeEditing, 3u);
  ASSERT_EQ(r.state.at("workbooks").size(), 1u);
  const json& book = Workbook(r.state, 0);
  // Every worksheet gets the picture before it is protected (a protected sheet refuses it).
  EXPECT_EQ(Stamped(book, r.pid), (std::vector<std::string>{"Sheet1", "Sheet2"}));
  EXPECT_TRUE(book.at("protection").at("structure").get<bool>());
  EXPECT_EQ(m_trace.Count("LockBookTimer----------------KillTimer"), 1u);
}

TEST_F(ExcelEndToEnd, LocalServerServesExcelApplicationAndOutlivesQuitWhileHeld) {
  ASSERT_EQ(RunAndWait(L"\"" + BinPath(L"excel.exe") + L"\" /regserver", 60000), 0);
  ASSERT_EQ(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED) >= 0, true);
  {
    CLSID clsid{};
    ASSERT_EQ(::CLSIDFromProgID(L"Excel.Application", &clsid), S_OK);
    EXPECT_TRUE(::IsEqualCLSID(clsid, kal::CLSID_Excel_Application));
    Microsoft::WRL::ComPtr<IDispatch> app;
    ASSERT_EQ(::CoCreateInstance(clsid, nullptr, CLSCTX_LOCAL_SERVER, kal::IID_Excel_Application,
                                 reinterpret_cast<void**>(app.GetAddressOf())),
              S_OK);
    kal::Dispatch excel(app.Get());
    long count = -1;
    EXPECT_EQ(excel.GetObj(L"Workbooks").Get(L"Count").ToInt(&count), S_OK);
    EXPECT_EQ(count, 0);
    EXPECT_FALSE(excel.Get(L"UserControl").Ref().boolVal);
    long hwndValue = 0;
    ASSERT_EQ(excel.Get(L"Hwnd").ToInt(&hwndValue), S_OK);
    const HWND hwnd = reinterpret_cast<HWND>(static_cast<LONG_PTR>(hwndValue));
    DWORD pid = 0;
    ASSERT_NE(::GetWindowThreadProcessId(hwnd, &pid), 0u);
    kal::CHandle process(::OpenProcess(SYNCHRONIZE, FALSE, pid));
    ASSERT_TRUE(process);
    excel.Call(L"Quit");
    // Quit leaves Excel running while this client holds it.
    EXPECT_EQ(::WaitForSingleObject(process.Get(), 1500), static_cast<DWORD>(WAIT_TIMEOUT));
    EXPECT_EQ(excel.Get(L"Workbooks").Type(), VT_DISPATCH);
    excel.Reset();
    app.Reset();
    EXPECT_EQ(::WaitForSingleObject(process.Get(), 30000), static_cast<DWORD>(WAIT_OBJECT_0));
  }
  ::CoUninitialize();
  RunAndWait(L"\"" + BinPath(L"excel.exe") + L"\" /unregserver", 60000);
}

}  // namespace
}  // namespace kaltest
