// CMSExcel in-process against the simulated Excel: connection with and without anything to
// enforce, the picture's life, the ribbon XML, start-up stamping, the four event handlers and
// their guards, and the failure lines of the handlers.
#include <gtest/gtest.h>

#include "core/office_interfaces.h"
#include "sim/engine/sim_faults.h"
#include "sim/excel/excel_model.h"
#include "tests/excel/excel_fixture.h"
#include "tests/support/message_pump.h"

using namespace kalsim::excel;

namespace kaltest {
namespace {

using Names = std::vector<std::wstring>;

class ExcelLifecycle : public CExcelAddinTest {};

TEST_F(ExcelLifecycle, PictureIsMadeAtConnectionAndDeletedAtDisconnection) {
  auto book = MakeWorkbook(L"Budget.xlsx", 3);
  Start({book});
  const std::wstring expected = s_strAppData + L"\\KalTemp\\watermarkxlsx" +
                                std::to_wstring(::GetCurrentProcessId()) + L".jpg";
  EXPECT_EQ(m_strPicture, expected);
  EXPECT_NE(::GetFileAttributesW(expected.c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(App().AdvisedSinks(), 1u);
  EXPECT_EQ(m_strRibbonXml,
            L"<customUI xmlns=\"http://schemas.microsoft.com/office/2006/01/customui\"><commands>"
            L"<command idMso=\"SheetBackground\" enabled=\"false\"/></commands></customUI>");
  EXPECT_FALSE(App().Commands().Find(L"SheetBackground")->enabled);
  // Start-up stamps the active worksheet only.
  EXPECT_EQ(Stamped(*book), Names{L"Sheet1"});
  EXPECT_EQ(m_pAddin->LockTimerId(), 0u);

  DisconnectAddin();
  EXPECT_EQ(::GetFileAttributesW(expected.c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(App().AdvisedSinks(), 0u);
}

TEST_F(ExcelLifecycle, NothingDueLeavesExcelAlone) {
  auto book = MakeWorkbook(L"Budget.xlsx", 2);
  Start({book}, /*watermark=*/false, /*readOnly=*/false);
  EXPECT_TRUE(m_trace.WaitFor("KalMsAddin.dll CMSExcel::IsHasWatermark Failed.", 10000));
  EXPECT_FALSE(m_bRibbonGiven);
  EXPECT_TRUE(m_strPicture.empty());
  EXPECT_EQ(App().AdvisedSinks(), 0u);
  EXPECT_EQ(m_pAddin->LockTimerId(), 0u);
  App().ActivateSheet(book, book->sheets[1]);
  EXPECT_TRUE(Stamped(*book).empty());
  EXPECT_TRUE(book->saved);
}

TEST_F(ExcelLifecycle, OnlyTheSheetInViewCarriesTheBackground) {
  auto book = MakeWorkbook(L"Budget.xlsx", 3);
  Start({book});
  const struct {
    int sheet;
    Names stamped;
  } steps[] = {{2, {L"Sheet2"}}, {3, {L"Sheet3"}}, {1, {L"Sheet1"}}};
  for (const auto& s : steps) {
    App().ActivateSheet(book, book->sheets[s.sheet - 1]);
    EXPECT_EQ(Stamped(*book), s.stamped) << s.sheet;
  }
  // A worksheet added becomes the one in view and gets the picture; the one left loses it.
  App().AddSheet(book, CSheetType::Worksheet);
  EXPECT_EQ(Stamped(*book), Names{L"Sheet4"});
}

TEST_F(ExcelLifecycle, ChartSheetInViewStampsTheFirstWorksheetAndKeepsSaved) {
  const struct {
    int worksheets, charts;
    bool saved;
    Names stamped;
    bool savedAfter;
  } cases[] = {
      {2, 1, true, {L"Sheet1"}, true},
      {2, 1, false, {L"Sheet1"}, false},
      {0, 2, true, {}, true},
  };
  for (const auto& c : cases) {
    auto other = MakeWorkbook(L"Other.xlsx", 1);
    auto book = MakeWorkbook(L"Charts.xlsx", c.worksheets, c.charts);
    book->activeSheet = book->sheets.back();  // a chart sheet
    Start({book, other});
    book->saved = c.saved;
    App().ActivateWorkbook(book);  // WorkbookActivate, no sheet events
    EXPECT_EQ(Stamped(*book), c.stamped) << c.worksheets;
    EXPECT_EQ(book->saved, c.savedAfter) << c.worksheets;
    DisconnectAddin();
  }
}

TEST_F(ExcelLifecycle, WorkbookLeftBySwitchingKeepsItsMark) {
  auto first = MakeWorkbook(L"First.xlsx", 2);
  Start({first});
  auto second = App().AddWorkbook(MakeWorkbook(L"Second.xlsx", 2));
  EXPECT_EQ(Stamped(*second), Names{L"Sheet1"});
  EXPECT_EQ(Stamped(*first), Names{L"Sheet1"});
  App().ActivateWorkbook(first);
  EXPECT_EQ(Stamped(*second), Names{L"Sheet1"});
}

TEST_F(ExcelLifecycle, NewChartSheetWritesTheComErrorAndStampsNothing) {
  auto book = MakeWorkbook(L"Budget.xlsx", 1);
  Start({book});
  book->saved = true;
  App().AddSheet(book, CSheetType::Chart);
  EXPECT_TRUE(m_trace.WaitFor("KalMsAddin.dll CMSExcel::WorkbookNewSheet _com_error : ", 10000));
  EXPECT_TRUE(Stamped(*book).empty());  // Sheet1 was left and cleared
}

TEST_F(ExcelLifecycle, DeletedPictureStopsStampingAndClearing) {
  auto book = MakeWorkbook(L"Budget.xlsx", 3);
  Start({book});
  ASSERT_EQ(Stamped(*book), Names{L"Sheet1"});
  ASSERT_TRUE(::DeleteFileW(m_strPicture.c_str()));
  App().ActivateSheet(book, book->sheets[1]);
  App().AddSheet(book, CSheetType::Worksheet);
  App().NewWorkbook();
  EXPECT_EQ(Stamped(*book), Names{L"Sheet1"});
  EXPECT_EQ(App().State().workbooks.back()->sheets[0]->background, L"");
}

TEST_F(ExcelLifecycle, HiddenPersonalWorkbookIsNotStamped) {
  auto personal = MakeWorkbook(L"PERSONAL.XLSB", 1);
  personal->hidden = true;
  Start({personal});
  EXPECT_TRUE(m_trace.WaitFor("CMSExcel::OnStartupComplete get_Workbooks.", 10000));
  EXPECT_TRUE(Stamped(*personal).empty());
  EXPECT_TRUE(personal->saved);
  // The user's first workbook is stamped when it opens.
  auto book = App().AddWorkbook(MakeWorkbook(L"Budget.xlsx", 1));
  EXPECT_EQ(Stamped(*book), Names{L"Sheet1"});
}

// The text is the system's message for the HRESULT, not the server's description: Excel's
// 0x800A03EC has none, so it reads "Unknown error 0x800A03EC".
TEST_F(ExcelLifecycle, HandlerFailuresAreWrittenWithTheErrorText) {
  const struct {
    const wchar_t* kind;
    const wchar_t* member;
    char act;  // 'a': the second sheet activated, 's': a worksheet added, 'w': a new workbook
    const char* handler;
  } cases[] = {
      {L"Worksheet", L"SetBackgroundPicture", 'a', "SheetActivate"},
      {L"Worksheet", L"SetBackgroundPicture", 'a', "SheetDeactivate"},
      {L"Worksheet", L"SetBackgroundPicture", 's', "WorkbookNewSheet"},
      {L"Workbook", L"ActiveSheet", 'w', "SetExcelWatermark"},
  };
  for (const auto& c : cases) {
    const std::string line = std::string("KalMsAddin.dll CMSExcel::") + c.handler +
                             " _com_error : Unknown error 0x800A03EC.";
    auto book = MakeWorkbook(L"Budget.xlsx", 2);
    Start({book});
    Fail(c.kind, c.member, static_cast<HRESULT>(0x800A03EC), 0, L"Injected failure");
    if (c.act == 'a')
      App().ActivateSheet(book, book->sheets[1]);
    else if (c.act == 's')
      App().AddSheet(book, CSheetType::Worksheet);
    else
      App().NewWorkbook();
    EXPECT_TRUE(m_trace.WaitFor(line, 10000)) << line;
    kalsim::CSimFaults::Instance().Clear();
    DisconnectAddin();
  }
  // At start-up, a failing ActiveWorkbook ends OnStartupComplete with its line.
  Publish(true, false);
  StartExcel({MakeWorkbook(L"Budget.xlsx", 1)});
  Fail(L"Application", L"ActiveWorkbook", E_ACCESSDENIED);
  ConnectAddin();
  EXPECT_TRUE(m_trace.WaitFor("KalMsAddin.dll CMSExcel::OnStartupComplete _com_error : ", 10000));
}

}  // namespace
}  // namespace kaltest
