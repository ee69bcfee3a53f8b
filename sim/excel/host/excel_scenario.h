// Runs scenario steps against the simulated Excel, as a user at Excel would do them.
//
// Actions (workbooks and sheets count from 1; workbooks in opening order, including a hidden
// PERSONAL.XLSB; sheets of the active workbook, in tab order):
//   open <path>                  open a workbook file (WorkbookOpen, WorkbookActivate)
//   new                          new blank workbook (NewWorkbook, WorkbookActivate)
//   sheet add [chart]            insert a worksheet (or chart sheet) before the active sheet
//                                (SheetDeactivate, WorkbookNewSheet)
//   sheet <n|name>               click a sheet tab (SheetDeactivate, SheetActivate)
//   activate <n>                 switch to the n-th workbook (WorkbookDeactivate, WorkbookActivate)
//   edit <cell> <text...>        type into a cell of the active sheet (A1 address)
//   ribbon <idMso>               click a ribbon command (refused when disabled)
//   save | saveas <path>         save the active workbook
//   close [save|nosave]          close the active workbook
//   wait <ms> | ticks <n> | dump <path> | quit | fail ...   (see scenario_runner.h)
#pragma once
#include "sim/excel/excel_model.h"
#include "sim/host/scenario_runner.h"

namespace kalsim {

class CExcelScenario : public CScenarioRunner {
 public:
  CExcelScenario(excel::CExcelApplication& app, Pump pump, TickPump ticks, Extra extra)
      : CScenarioRunner(std::move(pump), std::move(ticks), std::move(extra)), m_app(app) {}

 protected:
  std::wstring ApplyStep(const CScenarioStep& step) override;
  nlohmann::json State() override;

 private:
  excel::CExcelApplication& m_app;
};

}  // namespace kalsim
