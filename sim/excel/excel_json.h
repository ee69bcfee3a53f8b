// Excel workbooks as JSON files (any extension), and the application state dump.
//
// Workbook format (every key optional; defaults are a new workbook's):
// {
//   "name": "budget.xlsx", "saved": true,
//   "hidden": false,                      // true: no visible window (PERSONAL.XLSB)
//   "protection": {"structure": false, "windows": false, "passwordHash": ""},
//   "activeSheet": 1,                     // 1-based; 0 = no active sheet
//   "openPassword": "", "writePassword": "", // asked for by Workbooks.Open
//   "links": ["C:\\data\\budget.xlsx"],     // external references, offered for update at open
//   "sheets": [
//     {"name": "Sheet1", "type": "worksheet" | "chart", "background": "C:\\...\\pic.jpg",
//      "protection": {"on": false, "passwordHash": "", "drawingObjects": false, "contents": false,
//                     "scenarios": false, "userInterfaceOnly": false, "allow": [11 booleans]},
//      "cells": {"A1": {"value": "text", "locked": true}}}
//   ]
// }
// Passwords are kept as their PasswordHash only, as a saved file keeps them.
#pragma once
#include <nlohmann/json.hpp>

#include <memory>
#include <string>

#include "sim/excel/excel_model.h"

namespace kalsim::excel {

nlohmann::json WorkbookToJson(const CWorkbook& book);
// Throws CSimError (Excel's "file format or extension is not valid" error) on JSON that is
// not a workbook.
std::shared_ptr<CWorkbook> WorkbookFromJson(const nlohmann::json& json);

// Throws CSimError like Excel: a missing file, or one that is not a workbook.
std::shared_ptr<CWorkbook> LoadWorkbookFile(const std::wstring& path);
void SaveWorkbookFile(const CWorkbook& book, const std::wstring& path);

// Application state: version, flags, ribbon commands, every open workbook ("active" names the
// active one, or null), the events fired and the sinks advised.
nlohmann::json AppStateToJson(CExcelApplication& app);

}  // namespace kalsim::excel
