// The simulated Excel object model, driven late-bound as the add-in drives Excel: the hidden
// personal workbook, Nothing answers, worksheets against chart sheets, protection of cells,
// sheets and structure, backgrounds, saving, and the events of each user action.
#include <gtest/gtest.h>

#include "core/office_interfaces.h"
#include "disp_client.h"
#include "sim/engine/sim_error.h"
#include "sim/excel/excel_json.h"
#include "sim/excel/excel_model.h"

using namespace simtest;
using namespace kalsim::excel;
using Microsoft::WRL::ComPtr;

namespace {

// A picture file that exists for the test's lifetime.
class CTempPicture {
 public:
  CTempPicture() {
    wchar_t file[MAX_PATH];
    GetTempFileNameW(TempPath(L"").c_str(), L"bg", 0, file);
    m_path = file;
  }
  ~CTempPicture() { DeleteFileW(m_path.c_str()); }
  const std::wstring& Path() const { return m_path; }

 private:
  std::wstring m_path;
};

class ExcelModelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_app = CExcelApplication::Create();
    m_excel = CDisp(m_app->AsDispatch());
  }
  std::shared_ptr<CWorkbook> Open(int worksheets, int charts = 0,
                                  const std::wstring& name = L"Book.xlsx") {
    return m_app->AddWorkbook(MakeWorkbook(name, worksheets, charts));
  }
  CDisp Sheet(long i) { return m_excel.Obj(L"ActiveWorkbook").Obj(L"Sheets").Item(i); }
  std::vector<std::wstring> Events() const {
    std::vector<std::wstring> list;
    for (const auto& [id, about] : m_app->EventLog()) list.push_back(E(id, about));
    return list;
  }
  static std::wstring E(DISPID id, const std::wstring& about) {
    return std::to_wstring(id) + L":" + about;
  }

  ComPtr<CExcelApplication> m_app;
  CDisp m_excel;
};

TEST_F(ExcelModelTest, HiddenPersonalWorkbookIsCountedButNeverActive) {
  auto personal = MakeWorkbook(L"PERSONAL.XLSB", 1);
  personal->hidden = true;
  m_app->AddWorkbook(personal);
  EXPECT_EQ(m_excel.Obj(L"Workbooks").Long(L"Count"), 1);
  CCallResult active = m_excel.TryGet(L"ActiveWorkbook");
  ASSERT_EQ(active.hr, S_OK);
  EXPECT_EQ(active.value.Type(), VT_DISPATCH);
  EXPECT_FALSE(CDisp(active.value));
  EXPECT_FALSE(CDisp(m_excel.TryGet(L"ActiveSheet").value));
  CDisp item = m_excel.Obj(L"Workbooks").Item(1);
  EXPECT_FALSE(item.Obj(L"Windows").Item(1).Bool(L"Visible"));
  EXPECT_NE(item.TryCall(L"Activate").hr, S_OK);
  EXPECT_EQ(Events(), std::vector<std::wstring>{E(kal::kExcelEvtWorkbookOpen, L"PERSONAL.XLSB")});
}

TEST_F(ExcelModelTest, ActiveSheetCanBeNothingAndChartSheetsAreNoWorksheets) {
  auto book = Open(1, 1);
  CDisp wb = m_excel.Obj(L"ActiveWorkbook");
  ComPtr<IUnknown> probe;
  EXPECT_EQ(Sheet(1).Get()->QueryInterface(kal::IID_Excel_Worksheet, &probe), S_OK);
  EXPECT_EQ(Sheet(2).Get()->QueryInterface(kal::IID_Excel_Worksheet, &probe), E_NOINTERFACE);
  EXPECT_EQ(Sheet(2).TryCall(L"SetBackgroundPicture", {S(L"")}).hr, DISP_E_UNKNOWNNAME);
  EXPECT_EQ(wb.Obj(L"Worksheets").Long(L"Count"), 1);
  EXPECT_EQ(wb.Obj(L"Sheets").Long(L"Count"), 2);
  book->activeSheet = nullptr;
  CCallResult active = wb.TryGet(L"ActiveSheet");
  EXPECT_EQ(active.hr, S_OK);
  EXPECT_FALSE(CDisp(active.value));
}

TEST_F(ExcelModelTest, ProtectedSheetsRefuseEditsOfLockedCellsOnly) {
  auto book = Open(1);
  CDisp sheet = Sheet(1);
  sheet.Obj(L"Range", {S(L"B2")}).Put(L"Locked", B(false));
  ASSERT_EQ(sheet.TryCall(L"Protect", TextThen15Missing(L"pw")).hr, S_OK);
  EXPECT_TRUE(sheet.Bool(L"ProtectContents"));
  CCallResult locked = sheet.Obj(L"Range", {S(L"A1")}).TryPut(L"Value", S(L"x"));
  EXPECT_EQ(locked.hr, DISP_E_EXCEPTION);
  EXPECT_EQ(locked.scode, static_cast<HRESULT>(0x800A03EC));
  EXPECT_EQ(sheet.Obj(L"Range", {S(L"B2")}).TryPut(L"Value", S(L"y")).hr, S_OK);
  // Re-protecting with the same password is accepted, with another refused; unprotecting
  // needs the password.
  EXPECT_EQ(sheet.TryCall(L"Protect", TextThen15Missing(L"pw")).hr, S_OK);
  EXPECT_EQ(sheet.TryCall(L"Protect", TextThen15Missing(L"other")).hr, DISP_E_EXCEPTION);
  EXPECT_EQ(sheet.TryCall(L"Unprotect", {S(L"wrong")}).hr, DISP_E_EXCEPTION);
  EXPECT_EQ(sheet.TryCall(L"Unprotect", {S(L"pw")}).hr, S_OK);
  EXPECT_EQ(sheet.Obj(L"Range", {S(L"A1")}).TryPut(L"Value", S(L"x")).hr, S_OK);
  EXPECT_EQ(book->sheets[0]->cells[L"A1"].value, L"x");
}

TEST_F(ExcelModelTest, StructureProtectionRefusesAddingRenamingAndDeletingSheets) {
  auto book = Open(2);
  CDisp wb = m_excel.Obj(L"ActiveWorkbook");
  ASSERT_EQ(wb.TryCall(L"Protect", {S(L"pw"), B(true), B(false)}).hr, S_OK);
  EXPECT_TRUE(wb.Bool(L"ProtectStructure"));
  EXPECT_FALSE(wb.Bool(L"ProtectWindows"));
  EXPECT_EQ(wb.Obj(L"Worksheets").TryCall(L"Add").hr, DISP_E_EXCEPTION);
  EXPECT_EQ(Sheet(1).TryPut(L"Name", S(L"Renamed")).hr, DISP_E_EXCEPTION);
  EXPECT_EQ(Sheet(2).TryCall(L"Delete").hr, DISP_E_EXCEPTION);
  EXPECT_EQ(Sheet(2).TryCall(L"Move", {CSimVariant::Disp(Sheet(1).Get())}).hr, DISP_E_EXCEPTION);
  EXPECT_EQ(wb.TryCall(L"Protect", {S(L"again"), B(true), B(false)}).hr, DISP_E_EXCEPTION);
  EXPECT_EQ(book->sheets.size(), 2u);
  ASSERT_EQ(wb.TryCall(L"Unprotect", {S(L"pw")}).hr, S_OK);
  EXPECT_EQ(Sheet(2).TryCall(L"Move", {CSimVariant::Disp(Sheet(1).Get())}).hr, S_OK);
  EXPECT_EQ(book->sheets[0]->name, L"Sheet2");
  EXPECT_EQ(wb.Obj(L"Worksheets").TryCall(L"Add").hr, S_OK);
  EXPECT_EQ(book->sheets.size(), 3u);
}

TEST_F(ExcelModelTest, BackgroundPictureRules) {
  CTempPicture picture;
  auto book = Open(1);
  CDisp sheet = Sheet(1);
  struct {
    std::wstring file;
    bool protect;
    HRESULT expected;
    std::wstring background;
  } cases[] = {
      {picture.Path(), false, S_OK, picture.Path()},
      {picture.Path() + L".missing", false, DISP_E_EXCEPTION, picture.Path()},
      {L"", false, S_OK, L""},
      {picture.Path(), true, DISP_E_EXCEPTION, L""},
  };
  for (const auto& c : cases) {
    if (c.protect) {
      ASSERT_EQ(sheet.TryCall(L"Protect", TextThen15Missing(L"")).hr, S_OK);
    }
    book->saved = true;
    EXPECT_EQ(sheet.TryCall(L"SetBackgroundPicture", {S(c.file)}).hr, c.expected) << c.file;
    EXPECT_EQ(book->sheets[0]->background, c.background);
    // Every call that takes effect marks the workbook changed, clearing included.
    EXPECT_EQ(book->saved, c.expected != S_OK);
  }
}

TEST_F(ExcelModelTest, ProtectionAndBackgroundSurviveSaveAndReopen) {
  CTempPicture picture;
  const std::wstring path =
      TempPath(L"kal_excel_model_") + std::to_wstring(GetCurrentProcessId()) + L".xlsx";
  auto book = Open(2);
  ASSERT_EQ(Sheet(1).TryCall(L"SetBackgroundPicture", {S(picture.Path())}).hr, S_OK);
  ASSERT_EQ(Sheet(1).TryCall(L"Protect", TextThen15Missing(L"pw")).hr, S_OK);
  ASSERT_EQ(m_excel.Obj(L"ActiveWorkbook").TryCall(L"Protect", {S(L"pw"), B(true)}).hr, S_OK);
  ASSERT_EQ(m_excel.Obj(L"ActiveWorkbook").TryCall(L"SaveAs", {S(path)}).hr, S_OK);
  EXPECT_TRUE(book->saved);
  m_app->CloseWorkbook(book, false);
  CDisp reopened = m_excel.Obj(L"Workbooks").Obj(L"Open", {S(path)});
  DeleteFileW(path.c_str());
  ASSERT_TRUE(reopened);
  EXPECT_TRUE(reopened.Bool(L"ProtectStructure"));
  CDisp first = reopened.Obj(L"Worksheets").Item(1);
  EXPECT_TRUE(first.Bool(L"ProtectContents"));
  EXPECT_EQ(first.Obj(L"Range", {S(L"A1")}).TryPut(L"Value", S(L"x")).hr, DISP_E_EXCEPTION);
  EXPECT_EQ(m_app->ActiveWorkbook()->sheets[0]->background, picture.Path());
  EXPECT_EQ(first.TryCall(L"Unprotect", {S(L"pw")}).hr, S_OK);
}

TEST_F(ExcelModelTest, UserActionsRaiseExcelsEvents) {
  auto book = Open(2, 0, L"A.xlsx");
  EXPECT_EQ(Events(), (std::vector<std::wstring>{E(kal::kExcelEvtWorkbookOpen, L"A.xlsx"),
                                                 E(kal::kExcelEvtWorkbookActivate, L"A.xlsx")}));
  struct {
    std::function<void()> act;
    std::vector<std::wstring> events;
  } cases[] = {
      {[&] { m_app->ActivateSheet(book, book->sheets[1]); },
       {E(kal::kExcelEvtSheetDeactivate, L"Sheet1"), E(kal::kExcelEvtSheetActivate, L"Sheet2")}},
      {[&] { m_app->AddSheet(book, CSheetType::Chart); },
       {E(kal::kExcelEvtSheetDeactivate, L"Sheet2"), E(kal::kExcelEvtWorkbookNewSheet, L"Chart1")}},
      {[&] { m_app->NewWorkbook(); },
       {E(kal::kExcelEvtNewWorkbook, L"Book1"), E(kal::kExcelEvtWorkbookDeactivate, L"A.xlsx"),
        E(kal::kExcelEvtWorkbookActivate, L"Book1")}},
      // Switching workbooks raises no sheet events.
      {[&] { m_app->ActivateWorkbook(book); },
       {E(kal::kExcelEvtWorkbookDeactivate, L"Book1"),
        E(kal::kExcelEvtWorkbookActivate, L"A.xlsx")}},
      {[&] { m_app->ActivateSheet(book, book->activeSheet); }, {}},
  };
  for (const auto& c : cases) {
    const size_t before = m_app->EventLog().size();
    c.act();
    auto all = Events();
    EXPECT_EQ(std::vector<std::wstring>(all.begin() + static_cast<long>(before), all.end()),
              c.events);
  }
  EXPECT_EQ(book->sheets[1]->name, L"Chart1");  // inserted before the active sheet
  EXPECT_EQ(book->activeSheet, book->sheets[1]);
}

TEST_F(ExcelModelTest, ApplicationFlagsAndWindow) {
  const HWND hwnd = reinterpret_cast<HWND>(static_cast<LONG_PTR>(m_excel.Long(L"Hwnd")));
  EXPECT_TRUE(IsWindow(hwnd));
  EXPECT_EQ(GetParent(hwnd), nullptr);
  EXPECT_EQ(GetWindowThreadProcessId(hwnd, nullptr), GetCurrentThreadId());
  for (const wchar_t* flag :
       {L"Visible", L"DisplayAlerts", L"Interactive", L"UserControl", L"ScreenUpdating"}) {
    m_excel.Put(flag, B(false));
    EXPECT_FALSE(m_excel.Bool(flag)) << flag;
  }
  Open(1);
  m_app->ActiveWorkbook()->saved = false;
  // With DisplayAlerts off, Quit discards the changes and closes the workbooks.
  EXPECT_EQ(m_excel.TryCall(L"Quit").hr, S_OK);
  EXPECT_TRUE(m_app->State().quitRequested);
  EXPECT_TRUE(m_app->State().workbooks.empty());
}

TEST_F(ExcelModelTest, WorkbookFilesThatAreNoWorkbooksAreRefused) {
  for (const char* text :
       {"[1, 2]", R"({"sheets": [{"type": "dialog"}]})", R"({"activeSheet": 5})"}) {
    EXPECT_THROW(WorkbookFromJson(nlohmann::json::parse(text)), kalsim::CSimError) << text;
  }
  EXPECT_NE(m_excel.Obj(L"Workbooks").TryCall(L"Open", {S(L"C:\\no\\such\\book.xlsx")}).hr, S_OK);
}

}  // namespace

// A workbook in a Protected View window: outside Workbooks, out of ActiveWorkbook's reach while
// on top, refusing every change; Enable Editing opens it as any other workbook.
TEST_F(ExcelModelTest, ProtectedViewWorkbookIsOutOfWorkbooksAndRefusesChangesUntilEditingIsEnabled) {
  const std::wstring path = TempPath(L"kalsim_pv.xlsx");
  {
    FILE* f = _wfopen(path.c_str(), L"wb");
    ASSERT_TRUE(f);
    fputs(R"({"sheets": [{"name": "Q1"}, {"name": "Q2"}]})", f);
    fclose(f);
  }
  CTempPicture picture;
  Open(1, 0, L"Mine.xlsx");
  auto book = m_app->OpenInProtectedView(path);
  EXPECT_EQ(m_excel.Obj(L"Workbooks").Long(L"Count"), 1);
  EXPECT_FALSE(CDisp(m_excel.TryGet(L"ActiveWorkbook").value));
  EXPECT_FALSE(CDisp(m_excel.TryGet(L"ActiveSheet").value));
  CDisp window = m_excel.Obj(L"ProtectedViewWindows").Item(1);
  EXPECT_EQ(m_excel.Obj(L"ProtectedViewWindows").Long(L"Count"), 1);
  EXPECT_TRUE(CDisp(m_excel.TryGet(L"ActiveProtectedViewWindow").value));
  CDisp wb = window.Obj(L"Workbook");
  CDisp sheet = wb.Obj(L"Worksheets").Item(1);
  const struct {
    const char* what;
    CCallResult result;
  } refused[] = {
      {"SetBackgroundPicture", sheet.TryCall(L"SetBackgroundPicture", {S(picture.Path())})},
      {"Worksheet.Protect", sheet.TryCall(L"Protect", TextThen15Missing(L"pw"))},
      {"Workbook.Protect", wb.TryCall(L"Protect", {S(L"pw"), B(true), B(false)})},
      {"Saved", wb.TryPut(L"Saved", B(true))},
      {"Worksheets.Add", wb.Obj(L"Worksheets").TryCall(L"Add")},
  };
  for (const auto& r : refused) {
    EXPECT_EQ(r.result.hr, DISP_E_EXCEPTION) << r.what;
    EXPECT_EQ(r.result.error, L"This command is not available when Excel is sandboxed.") << r.what;
  }
  EXPECT_TRUE(book->sheets[0]->background.empty());
  EXPECT_EQ(wb.Str(L"Name"), L"kalsim_pv.xlsx");  // reading is allowed

  const size_t before = m_app->EventLog().size();
  ASSERT_EQ(window.TryCall(L"Edit").hr, S_OK);
  EXPECT_EQ(m_excel.Obj(L"Workbooks").Long(L"Count"), 2);
  EXPECT_EQ(m_excel.Obj(L"ProtectedViewWindows").Long(L"Count"), 0);
  EXPECT_EQ(m_excel.Obj(L"ActiveWorkbook").Str(L"Name"), L"kalsim_pv.xlsx");
  EXPECT_EQ(sheet.TryCall(L"SetBackgroundPicture", {S(picture.Path())}).hr, S_OK);
  std::vector<std::wstring> events = Events();
  events.erase(events.begin(), events.begin() + static_cast<long>(before));
  EXPECT_EQ(events, (std::vector<std::wstring>{E(kEvtProtectedViewWindowBeforeEdit, L"kalsim_pv.xlsx"),
                                               E(kal::kExcelEvtWorkbookOpen, L"kalsim_pv.xlsx"),
                                               E(kal::kExcelEvtWorkbookDeactivate, L"Mine.xlsx"),
                                               E(kal::kExcelEvtWorkbookActivate, L"kalsim_pv.xlsx")}));
  EXPECT_EQ(window.TryGet(L"Workbook").scode, static_cast<HRESULT>(0x80010108L));  // the window is gone
  DeleteFileW(path.c_str());
}
