// The simulated Excel application: its COM object (Excel's Application, an IDispatch answering
// _Application and firing AppEvents) and the C++ API that tests and the host use to open
// workbooks, act as a user would and read the resulting state.
//
// In-process use:
//   auto app = kalsim::excel::CExcelApplication::Create();
//   auto book = app->AddWorkbook(kalsim::excel::MakeWorkbook(L"Book1.xlsx", 3));  // opens it
//   app->ActivateSheet(book, book->sheets[1]);      // SheetDeactivate, SheetActivate
//   IDispatch* excel = app->AsDispatch();           // hand to the add-in's OnConnection
//
// Events follow Microsoft's Excel reference (AppEvents); the order within one user action is
// unverified where a page does not state it:
//  - open:  WorkbookOpen, then (visible workbooks only) WorkbookDeactivate of the previous and
//    WorkbookActivate of the opened one;
//    https://learn.microsoft.com/office/vba/api/excel.application.workbookopen
//  - new workbook: NewWorkbook, WorkbookDeactivate, WorkbookActivate;
//    https://learn.microsoft.com/office/vba/api/excel.application.newworkbook
//  - sheet switch: SheetDeactivate of the sheet left, then SheetActivate of the new one;
//    https://learn.microsoft.com/office/vba/api/excel.application.sheetdeactivate
//  - new sheet: SheetDeactivate of the sheet left, WorkbookNewSheet; the new sheet becomes
//    active without a SheetActivate (unverified);
//    https://learn.microsoft.com/office/vba/api/excel.application.workbooknewsheet
//  - workbook switch: WorkbookDeactivate, WorkbookActivate and no sheet events (unverified);
//    https://learn.microsoft.com/office/vba/api/excel.application.workbookactivate
// A hidden workbook (PERSONAL.XLSB) is in Workbooks but never activated, so ActiveWorkbook
// can be Nothing while Workbooks.Count is 1;
// https://learn.microsoft.com/office/vba/api/excel.application.activeworkbook
// Protected View (https://learn.microsoft.com/office/vba/api/excel.protectedviewwindow): a
// workbook opened there is in ProtectedViewWindows, not in Workbooks ("A workbook displayed in
// a Protected View window is not a member of the Workbooks collection"), ActiveWorkbook does not
// reach it while its window is on top, and it refuses every change (RequireEditable). Opening
// fires ProtectedViewWindowOpen; Edit (the user's Enable Editing) fires
// ProtectedViewWindowBeforeEdit, then the workbook opens as any other: WorkbookOpen,
// WorkbookActivate (order unverified).
#pragma once
#include <windows.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "sim/engine/command_table.h"
#include "sim/engine/sim_dispatch.h"
#include "sim/excel/excel_state.h"

namespace kalsim::excel {

struct COpenArguments;  // excel_open.h

// DISPIDs of the Protected View events of AppEvents. Unverified: the reference pages give
// none; these lie outside the events the add-in handles.
constexpr DISPID kEvtProtectedViewWindowOpen = 0x0B00;
constexpr DISPID kEvtProtectedViewWindowBeforeEdit = 0x0B01;

struct CExcelAppState {
  std::wstring version = L"16.0";
  bool visible = true;
  bool displayAlerts = true;
  bool interactive = true;
  bool userControl = true;
  bool screenUpdating = true;
  bool quitRequested = false;
  std::vector<std::shared_ptr<CWorkbook>> workbooks;  // in opening order
  std::shared_ptr<CWorkbook> active;                  // null when no visible workbook is open
  std::vector<std::shared_ptr<CWorkbook>> protectedView;  // in Protected View windows, in order
  bool protectedViewOnTop = false;  // the last Protected View window is the active window
  long untitledCount = 0;
};

// Excel's built-in ribbon commands that the simulator knows, all enabled.
std::vector<std::wstring> ExcelRibbonCommands();

class CExcelApplication : public CSimDispatch {
 public:
  static Microsoft::WRL::ComPtr<CExcelApplication> Create(const std::wstring& version = L"16.0");

  CExcelAppState& State() { return m_state; }
  std::shared_ptr<CWorkbook> ActiveWorkbook() const { return m_state.active; }
  HWND Hwnd() const { return m_hwnd; }
  CSimCommandTable& Commands() { return m_commands; }
  // Count of events fired per DISPID of AppEvents.
  int EventsFired(DISPID id) const;
  // Every event fired so far, in order: DISPID and the name of the sheet or workbook it named.
  const std::vector<std::pair<DISPID, std::wstring>>& EventLog() const { return m_eventLog; }
  size_t AdvisedSinks() const;

  // Excel's workbook operations, firing the events Excel fires. Failures throw CSimError.
  std::shared_ptr<CWorkbook> NewWorkbook();
  std::shared_ptr<CWorkbook> OpenWorkbook(const std::wstring& path);
  // Workbooks.Open: may ask for passwords or about links in a modal prompt (excel_open.h).
  std::shared_ptr<CWorkbook> OpenWorkbook(const COpenArguments& args);
  // Adds a workbook built in code as if opened from its path.
  std::shared_ptr<CWorkbook> AddWorkbook(std::shared_ptr<CWorkbook> book);
  // Opens a file in a Protected View window, on top; its workbook stays out of Workbooks.
  std::shared_ptr<CWorkbook> OpenInProtectedView(const std::wstring& path);
  // Enable Editing on the window showing `book`: the workbook joins Workbooks and opens.
  void EnableEditing(std::shared_ptr<CWorkbook> book);  // by value: it leaves the list it may come from
  void ActivateWorkbook(const std::shared_ptr<CWorkbook>& book);
  void ActivateSheet(const std::shared_ptr<CWorkbook>& book, const std::shared_ptr<CSheet>& sheet);
  // Inserts a worksheet or chart sheet before the active sheet and activates it.
  std::shared_ptr<CSheet> AddSheet(const std::shared_ptr<CWorkbook>& book, CSheetType type);
  void DeleteSheet(const std::shared_ptr<CWorkbook>& book, const std::shared_ptr<CSheet>& sheet);
  void SaveWorkbook(const std::shared_ptr<CWorkbook>& book, const std::wstring& path = L"");
  // SaveChanges: true saves a changed workbook, false discards.
  void CloseWorkbook(const std::shared_ptr<CWorkbook>& book, bool saveChanges);
  // Excel.Quit: closes nothing by itself (DisplayAlerts off or the user decides) and calls the
  // quit handler; the host ends its loop but stays while clients hold references.
  void Quit();
  void SetQuitHandler(std::function<void()> handler) { m_fnOnQuit = std::move(handler); }

  // A ribbon click as the user makes it: false when the command is disabled or unknown.
  bool ExecuteCommand(const std::wstring& idMso);

  // Dispatch objects for the state (new wrapper objects each time, as Excel hands out).
  Microsoft::WRL::ComPtr<IDispatch> WorkbookObject(const std::shared_ptr<CWorkbook>& book);
  Microsoft::WRL::ComPtr<IDispatch> SheetObject(const std::shared_ptr<CWorkbook>& book,
                                                const std::shared_ptr<CSheet>& sheet);

  // Drops every event sink (after the add-ins are disconnected at shutdown).
  void DisconnectSinks();

  CExcelApplication();  // use Create()
  ~CExcelApplication() override;

 private:
  static const CSimMemberTable& Table();
  void Fire(DISPID id, std::vector<CSimVariant> args, const std::wstring& about);
  void SwitchTo(const std::shared_ptr<CWorkbook>& book);

  CExcelAppState m_state;
  CSimCommandTable m_commands;
  CSimConnectionPoint* m_pEvents = nullptr;
  std::map<DISPID, int> m_fired;
  std::vector<std::pair<DISPID, std::wstring>> m_eventLog;
  std::function<void()> m_fnOnQuit;
  HWND m_hwnd = nullptr;
};

}  // namespace kalsim::excel
