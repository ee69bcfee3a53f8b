// Cost of the Excel add-in per worksheet: automation calls (the simulator's counters) and time
// of the stamping a WorkbookActivate runs (active worksheet, and a chart sheet in view, which
// falls back on Worksheets(1)) and of protecting a workbook, for workbooks of 1, 10 and 50
// worksheets.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "bench/common/addin_host.h"
#include "bench/common/bench_clock.h"
#include "excel/ms_excel.h"
#include "sim/engine/call_counter.h"
#include "sim/excel/excel_model.h"

namespace {

struct CResult {
  int sheets;
  long stampCalls;
  double stampMs;
  long chartStampCalls;
  long protectCalls;
  double protectMs;
  bool protectedAll;
};

CResult Measure(CMSExcel* addin, kalsim::excel::CExcelApplication& app, int sheets,
                const std::wstring& picture) {
  auto& counter = kalsim::CSimCallCounter::Instance();
  CResult r{sheets, 0, 0, 0, 0, 0, false};
  auto book = app.AddWorkbook(kalsim::excel::MakeWorkbook(L"Bench.xlsx", sheets, 1));
  auto wb = app.WorkbookObject(book);
  counter.Reset();
  r.stampMs = kalbench::TimeMs([&] { addin->SetExcelWatermark(wb.Get(), picture.c_str()); });
  r.stampCalls = counter.Total();

  book->activeSheet = book->sheets.back();  // the chart sheet in view
  counter.Reset();
  addin->SetExcelWatermark(wb.Get(), picture.c_str());
  r.chartStampCalls = counter.Total();

  counter.Reset();
  long count = 0;
  r.protectMs = kalbench::TimeMs([&] { addin->ProtectWorkBooks(&count); });
  r.protectCalls = counter.Total();
  r.protectedAll = book->structureProtected;
  for (const auto& s : book->Worksheets()) r.protectedAll = r.protectedAll && s->protection.on;
  app.CloseWorkbook(book, false);
  return r;
}

}  // namespace

int main() {
  ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  wchar_t dir[MAX_PATH], file[MAX_PATH];
  ::GetTempPathW(MAX_PATH, dir);
  ::GetTempFileNameW(dir, L"bwm", 0, file);  // the picture file SetBackgroundPicture wants
  const std::wstring picture = file;

  auto app = kalsim::excel::CExcelApplication::Create();
  kalbench::CConnectedAddin<CMSExcel> addin(CLSID_MSExcel, app->AsDispatch());
  if (!addin.Get()) {
    std::printf("bench_excel: cannot create CMSExcel\n");
    return 1;
  }

  std::printf(
      "  worksheets  stamp calls  chart-in-view calls  stamp ms  protect calls  calls/worksheet  "
      "protect ms  all protected\n");
  std::vector<CResult> results;
  for (int n : {1, 10, 50}) results.push_back(Measure(addin.Get(), *app.Get(), n, picture));
  int rc = 0;
  for (const auto& r : results) {
    std::printf("  %10d  %11ld  %19ld  %8.3f  %13ld  %15.1f  %10.2f  %13s\n", r.sheets,
                r.stampCalls, r.chartStampCalls, r.stampMs, r.protectCalls,
                static_cast<double>(r.protectCalls) / r.sheets, r.protectMs,
                r.protectedAll ? "yes" : "NO");
    if (!r.protectedAll) rc = 1;
  }
  const double perSheet10 = static_cast<double>(results[1].protectCalls) / 10;
  const double perSheet50 = static_cast<double>(results[2].protectCalls) / 50;
  std::printf(
      "  protection calls per worksheet, 50 against 10 worksheets: ratio %.2f (1.00 = linear)\n",
      perSheet50 / perSheet10);
  std::printf("  protection calls per added worksheet (10 to 50): %.1f; per workbook: %ld\n",
              static_cast<double>(results[2].protectCalls - results[1].protectCalls) / 40,
              results[0].protectCalls - (results[2].protectCalls - results[1].protectCalls) / 40);
  std::printf(
      "  stamping calls, 50 against 1 worksheet: ratio %.2f (1.00 = independent of the sheet "
      "count)\n",
      static_cast<double>(results[2].stampCalls) / static_cast<double>(results[0].stampCalls));
  if (perSheet50 / perSheet10 > 1.25)
    rc = 1;  // protection must stay linear in the number of sheets
  addin.Disconnect();
  app->DisconnectSinks();
  ::DeleteFileW(picture.c_str());
  return rc;
}
