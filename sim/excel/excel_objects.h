// Factories of the Excel dispatch objects that present the model's state. Each object holds
// the application (for events and application-wide state) and the workbook or sheet it
// presents; a closed workbook or deleted sheet refuses further calls.
#pragma once
#include <memory>

#include "sim/excel/excel_model.h"

namespace kalsim::excel {

using AppPtr = Microsoft::WRL::ComPtr<CExcelApplication>;
using DispPtr = Microsoft::WRL::ComPtr<IDispatch>;

// A VT_DISPATCH result holding the object.
inline CSimVariant DispOf(const DispPtr& p) { return CSimVariant::Disp(p.Get()); }

// Base of every Excel object: errors carry "Microsoft Excel" as their source.
class CExcelObject : public CSimDispatch {
 public:
  CExcelObject(const CSimMemberTable& table, AppPtr app, std::shared_ptr<CWorkbook> book,
               std::shared_ptr<CSheet> sheet = nullptr)
      : CSimDispatch(table), m_app(std::move(app)), m_book(std::move(book)), m_sheet(std::move(sheet)) {
    SetErrorSource(L"Microsoft Excel");
  }
  CExcelApplication& App() { return *m_app.Get(); }
  // The workbook / sheet, refusing access once closed or deleted.
  CWorkbook& Book();
  CSheet& Sheet();

  AppPtr m_app;
  std::shared_ptr<CWorkbook> m_book;
  std::shared_ptr<CSheet> m_sheet;
};

DispPtr MakeWorkbooksObject(AppPtr app);
DispPtr MakeWorkbookObject(AppPtr app, std::shared_ptr<CWorkbook> book);
// Workbook.Sheets (every sheet) or Workbook.Worksheets (worksheets only).
DispPtr MakeSheetsObject(AppPtr app, std::shared_ptr<CWorkbook> book, bool worksheetsOnly);
// A worksheet (answers _Worksheet) or a chart sheet (answers _Chart).
DispPtr MakeSheetObject(AppPtr app, std::shared_ptr<CWorkbook> book, std::shared_ptr<CSheet> sheet);
DispPtr MakeRangeObject(AppPtr app, std::shared_ptr<CWorkbook> book, std::shared_ptr<CSheet> sheet,
                        std::wstring address);
DispPtr MakeWindowsObject(AppPtr app, std::shared_ptr<CWorkbook> book);
// Application.ProtectedViewWindows and one ProtectedViewWindow (the window showing `book`).
DispPtr MakeProtectedViewWindowsObject(AppPtr app);
DispPtr MakeProtectedViewWindowObject(AppPtr app, std::shared_ptr<CWorkbook> book);

}  // namespace kalsim::excel
