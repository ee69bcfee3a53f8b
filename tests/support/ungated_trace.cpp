// The ungated trace families as the product writes them (see ungated_trace.h).
#include "tests/support/ungated_trace.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <utility>

#include "tests/support/host_run.h"

namespace kaltest {

namespace {
constexpr size_t kFamilies = static_cast<size_t>(EUngated::kRemoval) + 1;

const std::pair<EUngated, const char*> kStarts[] = {
    {EUngated::kAccessor, "SetSetupType:"},
    {EUngated::kAccessor, "GetSetupType:"},
    {EUngated::kPolicy, "GetWatermark4 "},
    {EUngated::kPolicy, "GetWatermark5 "},
    {EUngated::kPolicy, "GetWatermarkRoutine "},
    {EUngated::kPolicy, "IsHasWatermark "},
    {EUngated::kPolicy, "LumicODS KalMsAddin CreateWaterMutex "},
    {EUngated::kReadOnly, "manager--------------IsTavReadOnly"},
    {EUngated::kPrint, "manager--------------IsTavPrint"},
    {EUngated::kPptSwitch, "IsEnablePowerpntWatermark: "},
    {EUngated::kPptMark, "wmk\t"},
    {EUngated::kWordMarkRemoval, "KalMsAddin.dll DeleteWordWatermark get_ActiveDocument, hr"},
    {EUngated::kWordMarkRemoval, "KalMsAddin.dll DeleteWordWatermark get_Sections, hr"},
    {EUngated::kWordMarkRemoval, "KalMsAddin.dll DeleteWordWatermark get_Count, hr"},
    {EUngated::kWordMarkRemoval, "KalMsAddin.dll DeleteWordWatermark Sections Item Range Select "},
    {EUngated::kWordMarkRemoval, "KalMsAddin.dll DeleteWordWatermark put_SeekView, hr"},
    {EUngated::kWordMarkRemoval, "KalMsAddin.dll DeleteWordWatermark get_Shapes, hr"},
    {EUngated::kWordMarkRemoval, "KalMsAddin.dll DeleteWordWatermark Shapes item "},
    {EUngated::kWordMarkRemoval, "KalMsAddin.dll DeleteWordWatermark get_Name "},
    {EUngated::kWordMarkRemoval, "KalMsAddin.dll DeleteWordWatermark Shape Select, hr"},
    {EUngated::kWordMarkRemoval, "KalMsAddin.dll DeleteWordWatermark Selection Delete, hr"},
    {EUngated::kExcelPicture, "SetExcelWatermark nSheetNum = "},
    {EUngated::kExcelPicture, "CMSExcel::SetExcelWatermark GetItem == NULL"},
    {EUngated::kExcelPicture, "KalMsAddin.dll CMSExcel::SetExcelWatermark _com_error"},
    {EUngated::kExcelPicture, "KalMsAddin.dll CMSExcel::SetExcelWatermark Exception"},
    {EUngated::kExcelEvents, "KalMsAddin.dll CMSExcel::OnStartupComplete _com_error"},
    {EUngated::kExcelEvents, "KalMsAddin.dll CMSExcel::OnStartupComplete Exception"},
    {EUngated::kExcelEvents, "KalMsAddin.dll CMSExcel::WorkbookActivate _com_error"},
    {EUngated::kExcelEvents, "KalMsAddin.dll CMSExcel::WorkbookActivate Exception"},
    {EUngated::kExcelEvents, "KalMsAddin.dll CMSExcel::WorkbookNewSheet _com_error"},
    {EUngated::kExcelEvents, "KalMsAddin.dll CMSExcel::WorkbookNewSheet Exception"},
    {EUngated::kExcelEvents, "KalMsAddin.dll CMSExcel::SheetActivate _com_error"},
    {EUngated::kExcelEvents, "KalMsAddin.dll CMSExcel::SheetActivate Exception"},
    {EUngated::kExcelEvents, "KalMsAddin.dll CMSExcel::SheetDeactivate _com_error"},
    {EUngated::kExcelEvents, "KalMsAddin.dll CMSExcel::SheetDeactivate Exception"},
    {EUngated::kRemoval, "KalMsAddin.dll WordDeleteWaterMark "},
    {EUngated::kRemoval, "KalMsAddin.dll ExcelDeleteWaterMark "},
    {EUngated::kRemoval, "KalMsAddin.dll PowerPntDeleteWaterMark "},
    {EUngated::kRemoval, "KalMsAddin.dll CMSWord::WordDeleteWaterMark"},
    {EUngated::kRemoval, "KalMsAddin.dll CMSExcel::ExcelDeleteWaterMark"},
    {EUngated::kRemoval, "KalMsAddin.dll Delete, hr"},
    {EUngated::kRemoval, "KalMsAddin.dll Save, hr"},
    {EUngated::kRemoval, "Delete ok."},
    {EUngated::kRemoval, "Save ok."},
};
}  // namespace

bool UngatedFamily(const std::string& line, EUngated* family) {
  for (const auto& [f, start] : kStarts) {
    if (line.rfind(start, 0) == 0) {
      if (family) *family = f;
      return true;
    }
  }
  return false;
}

CTraceCensus TakeCensus(const std::vector<std::string>& lines) {
  CTraceCensus census;
  census.ungated.assign(kFamilies, 0);
  for (const auto& line : lines) {
    EUngated f;
    if (UngatedFamily(line, &f)) {
      ++census.ungated[static_cast<size_t>(f)];
    } else {
      ++census.gated;
      if (census.gatedSample.size() < 5) census.gatedSample.push_back(line);
    }
  }
  return census;
}

void ExpectTraceSwitchHolds(CDbwinCapture& trace, const std::function<DWORD(bool on)>& run,
                            std::initializer_list<EUngated> expected,
                            const std::vector<std::string>& verbatim) {
  for (const bool on : {true, false}) {
    SCOPED_TRACE(on ? "KalMsAddin=1" : "KalMsAddin=0");
    trace.Clear();
    EXPECT_TRUE(WriteTraceSwitch(on));
    const DWORD pid = run(on);
    EXPECT_TRUE(WriteTraceSwitch(true));
    std::vector<std::string> lines = pid ? trace.LinesOf(pid) : trace.Lines();
    lines.erase(std::remove_if(lines.begin(), lines.end(),
                               [&](const std::string& line) {
                                 return std::find(verbatim.begin(), verbatim.end(), line) != verbatim.end();
                               }),
                lines.end());
    const CTraceCensus census = TakeCensus(lines);
    for (const EUngated family : expected) EXPECT_GT(census.Of(family), 0u) << "family " << static_cast<int>(family);
    if (on) EXPECT_GT(census.gated, 0u);
    else EXPECT_EQ(census.gated, 0u) << testing::PrintToString(census.gatedSample);
  }
}

}  // namespace kaltest
