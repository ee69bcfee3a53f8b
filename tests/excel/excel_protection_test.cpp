// CMSExcel's protection of a read-only process in-process: every open workbook and its
// worksheets protected with one fresh password per workbook that is never traced, chart
// sheets skipped, workbooks left saved, the 500 ms timer stopping at the first tick that finds
// a workbook, the user's own protection and hidden workbooks, and the failure lines.
#include <gtest/gtest.h>

#include <regex>

#include "sim/engine/sim_error.h"
#include "sim/engine/sim_faults.h"
#include "sim/excel/excel_model.h"
#include "tests/excel/excel_fixture.h"
#include "tests/support/message_pump.h"

using namespace kalsim::excel;

namespace kaltest {
namespace {

class ExcelProtection : public CExcelAddinTest {
 protected:
  static bool FullyProtected(const CWorkbook& book) {
    if (!book.structureProtected || book.windowsProtected || book.passwordHash.empty())
      return false;
    for (const auto& s : book.Worksheets()) {
      const auto& p = s->protection;
      if (!p.on || p.passwordHash != book.passwordHash || !p.drawingObjects || !p.contents ||
          !p.scenarios || p.userInterfaceOnly)
        return false;
    }
    return true;
  }
  std::string CountLine(const wchar_t* suffix) {
    return Ansi(std::wstring(L"得到工作本的数量------------") + suffix);
  }
};

TEST_F(ExcelProtection, EveryWorkbookAndWorksheetEndsProtectedWithItsOwnPassword) {
  auto first = MakeWorkbook(L"First.xlsx", 2, 1);
  auto second = MakeWorkbook(L"Second.xlsx", 3);
  Start({first, second}, /*watermark=*/false, /*readOnly=*/true);
  EXPECT_TRUE(m_trace.WaitFor(" CMSExcel::OnStartupComplete--------------IsTavReadOnly", 10000));
  for (const auto& book : {first, second}) {
    EXPECT_TRUE(FullyProtected(*book)) << book->name.size();
    EXPECT_TRUE(book->saved);
  }
  EXPECT_NE(first->passwordHash, second->passwordHash);
  // The chart sheet is skipped: Worksheets does not list it, so it never reaches Protect.
  EXPECT_FALSE(first->sheets[2]->protection.on);
  EXPECT_TRUE(m_trace.Contains(CountLine(L"4")));
  EXPECT_TRUE(m_trace.Contains(CountLine(L"5")));
  // Locked cells refuse the user's edits; the structure refuses new sheets.
  EXPECT_THROW(EditCell(*second, *second->sheets[0], L"A1", L"x"), kalsim::CSimError);
  EXPECT_THROW(App().AddSheet(second, CSheetType::Worksheet), kalsim::CSimError);
  // No trace line carries a password (32 hexadecimal digits).
  const std::regex password("[0-9A-F]{32}");
  for (const auto& line : m_trace.LinesOf(::GetCurrentProcessId()))
    EXPECT_FALSE(std::regex_search(line, password)) << line;
  // The timer's tick found the workbooks protected already and stopped.
  EXPECT_TRUE(PumpMessagesUntil([&] { return m_pAddin->LockTimerId() == 0; }));
  EXPECT_EQ(m_trace.Count("LockBookTimer----------------KillTimer"), 1u);
}

TEST_F(ExcelProtection, TimerWaitsForTheUsersWorkbookAndStopsAtTheFirstTickThatFindsOne) {
  auto personal = MakeWorkbook(L"PERSONAL.XLSB", 1);
  personal->hidden = true;
  Start({personal}, /*watermark=*/true, /*readOnly=*/true);
  ASSERT_NE(m_pAddin->LockTimerId(), 0u);
  EXPECT_TRUE(PumpTimerTicks(3));
  EXPECT_NE(m_pAddin->LockTimerId(), 0u);  // the hidden workbook does not count
  EXPECT_FALSE(personal->structureProtected);
  EXPECT_FALSE(personal->sheets[0]->protection.on);

  auto book = App().AddWorkbook(MakeWorkbook(L"Report.xlsx", 2));
  ASSERT_TRUE(PumpMessagesUntil([&] { return m_pAddin->LockTimerId() == 0; }));
  EXPECT_TRUE(FullyProtected(*book));
  EXPECT_TRUE(book->saved);
  // With a watermark due, the worksheets got the picture before they were protected.
  EXPECT_EQ(Stamped(*book), (std::vector<std::wstring>{L"Sheet1", L"Sheet2"}));
  // Two more periods pass without a tick.
  const size_t ticks = m_trace.Count("LockBookTimer----------------enter");
  PumpMessagesUntil([] { return false; }, 1200);
  EXPECT_EQ(m_trace.Count("LockBookTimer----------------enter"), ticks);
  EXPECT_EQ(m_trace.Count("LockBookTimer----------------KillTimer"), 1u);
}

// Whatever the user protected in one workbook (Excel refuses to protect a protected workbook
// again), the workbooks after it end protected and the user's own protection holds.
TEST_F(ExcelProtection, AWorkbookTheUserProtectedDoesNotStopTheOthers) {
  const struct {
    const char* name;
    bool structure, windows, sheet;
  } cases[] = {{"structure only", true, false, false},
               {"windows only", false, true, false},
               {"structure and windows", true, true, false},
               {"one sheet only", false, false, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Publish(false, true);
    auto mine = MakeWorkbook(L"Mine.xlsx", 2);
    if (c.structure || c.windows) ProtectWorkbook(*mine, L"user", c.structure, c.windows);
    CSheetProtection user;
    user.contents = true;
    if (c.sheet) ProtectSheet(*mine->sheets[0], L"user", user);
    auto other = MakeWorkbook(L"Other.xlsx", 2);
    m_trace.Clear();
    StartExcel({mine, other});
    ConnectAddin();
    EXPECT_TRUE(FullyProtected(*other));
    EXPECT_TRUE(PumpMessagesUntil([&] { return m_pAddin->LockTimerId() == 0; }));
    ASSERT_TRUE(m_trace.Drain());
    EXPECT_FALSE(m_trace.Contains("ProtectWorkBooks _com_error"));
    if (c.structure || c.windows) {
      EXPECT_EQ(mine->structureProtected, c.structure);
      EXPECT_EQ(mine->windowsProtected, c.windows);
      EXPECT_EQ(mine->passwordHash, PasswordHash(L"user"));
    } else {
      EXPECT_TRUE(mine->structureProtected);  // the add-in's own
    }
    // Every worksheet ends protected; the user's own keeps the user's password.
    EXPECT_TRUE(mine->sheets[0]->protection.on);
    EXPECT_EQ(mine->sheets[0]->protection.passwordHash == PasswordHash(L"user"), c.sheet);
    EXPECT_TRUE(mine->sheets[1]->protection.on);
    DisconnectAddin();
  }
}

TEST_F(ExcelProtection, NotReadOnlyStartsNoTimerAndProtectsNothing) {
  auto book = MakeWorkbook(L"Budget.xlsx", 1);
  Start({book}, /*watermark=*/true, /*readOnly=*/false);
  EXPECT_EQ(m_pAddin->LockTimerId(), 0u);
  EXPECT_FALSE(book->structureProtected);
  EXPECT_FALSE(book->sheets[0]->protection.on);
  EXPECT_FALSE(m_trace.Contains("LockBookTimer"));
}

TEST_F(ExcelProtection, FailuresEndThePassOrSkipTheSheetAsWritten) {
  const struct {
    const wchar_t* kind;
    const wchar_t* member;
    long nCall;
    std::string line;
    bool secondSheetProtected;
    bool saved;
  } cases[] = {
      {L"Application", L"Workbooks", 0,
       "KalMsAddin.dll CMSExcel IRibbonExtensibility::OnStartupComplete. get_Workbooks failed.",
       false, false},
      {L"Workbooks", L"Count", 0, "KalMsAddin.dll CMSExcel::ProtectWorkBooks _com_error ", false,
       false},
      {L"Workbooks", L"Item", 0, "1", false, false},
      {L"Workbook", L"Worksheets", 0, "2", false, false},
      {L"Workbook", L"Protect", 0, "KalMsAddin.dll CMSExcel::ProtectWorkBooks _com_error ", false,
       false},
      {L"Worksheet", L"Protect", 1, "catch", true, true},
      {L"Workbook", L"Saved", 0, "put_Saved", true, false},
  };
  for (const auto& c : cases) {
    Publish(false, true);
    auto book = MakeWorkbook(L"Budget.xlsx", 2);
    book->saved = false;
    StartExcel({book});
    Fail(c.kind, c.member, E_FAIL, c.nCall);
    ConnectAddin();
    const std::string line = c.line.rfind("KalMsAddin", 0) == 0
                                 ? c.line
                                 : CountLine(std::wstring(c.line.begin(), c.line.end()).c_str());
    EXPECT_TRUE(m_trace.WaitFor(line, 10000)) << c.line;
    EXPECT_EQ(book->sheets[1]->protection.on, c.secondSheetProtected) << c.line;
    EXPECT_EQ(book->saved, c.saved) << c.line;
    kalsim::CSimFaults::Instance().Clear();
    DisconnectAddin();
    m_trace.Clear();
  }
}

}  // namespace
}  // namespace kaltest
