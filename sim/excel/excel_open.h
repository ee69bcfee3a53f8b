// What Excel asks before Workbooks.Open hands out a workbook: the password to open the file,
// the password to write it, and how to update its external references. Each question is a
// real modal dialog on the host's thread (sim/engine/sim_prompt.h).
#pragma once
#include <optional>
#include <string>

#include "sim/excel/excel_state.h"

namespace kalsim::excel {

// The Workbooks.Open arguments that decide the questions.
struct COpenArguments {
  std::wstring fileName;
  std::optional<long> updateLinks;  // absent: Excel asks when the workbook has links
  bool readOnly = false;
  std::optional<std::wstring> password;          // absent: Excel asks when it needs one
  std::optional<std::wstring> writeResPassword;  // absent: Excel asks when it needs one
};

extern const wchar_t kExcelPasswordCaption[];
extern const wchar_t kExcelLinksCaption[];

// Applies the arguments to a loaded workbook before Excel adds it: asks what is missing,
// throws CSimError as Excel does for a wrong or refused password, marks the workbook
// read-only when it is opened so.
void AdmitWorkbook(CWorkbook& book, const COpenArguments& args);

}  // namespace kalsim::excel
