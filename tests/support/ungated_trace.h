// The add-ins' debugger-output lines that are written whatever [DebugLog] KalMsAddin says
// (DebugOutFmtW and direct OutputDebugStringW in the product), by family, as the lines start.
// Every other line an add-in writes is gated (TraceW, TraceFmtW).
#pragma once
#include <windows.h>

#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "tests/support/dbwin_capture.h"

namespace kaltest {

enum class EUngated {
  kAccessor,      // CTavExchg: Set/GetSetupType
  kPolicy,        // the watermark decision (GetWatermarkRoutine, IsHasWatermark)
  kReadOnly,      // the read-only query (IsTavReadOnly)
  kPrint,         // PowerPoint's print query (IsTavPrint)
  kPptSwitch,     // PowerPoint's PPTWM switch (IsEnablePowerpntWatermark)
  kPptMark,       // PowerPoint's "wmk" stamping lines
  kWordMarkRemoval,  // failures of the Word stamping's removal of old marks (DeleteWordWatermark)
  kExcelPicture,  // the Excel background picture (SetExcelWatermark)
  kExcelEvents,   // failures caught in CMSExcel's start-up and event handlers
  kRemoval,       // the offline removal (OfficeDeleteWaterMarkW), every branch
};

// The family a line belongs to; false for a gated line.
bool UngatedFamily(const std::string& line, EUngated* family);

// How many lines belong to each family (indexed by EUngated), and how many are gated.
struct CTraceCensus {
  std::vector<size_t> ungated;
  size_t gated = 0;
  std::vector<std::string> gatedSample;  // the first few gated lines, for failure messages
  size_t Of(EUngated family) const { return ungated[static_cast<size_t>(family)]; }
};
CTraceCensus TakeCensus(const std::vector<std::string>& lines);

// With the switch on and then off: KalConfig.ini beside the DLL says so ([DebugLog] KalMsAddin,
// put back to 1 afterwards), and `run(on)` runs a host (its last trace lines drained) and
// returns the host's process id (0: every process's lines count, for a run that spans several).
// Those lines must hold
// every `expected` family both times, and gated lines only with the switch on. `verbatim` are
// ungated lines that carry the document's own text (the shape names the PowerPoint removal
// writes as it walks a master) and so have no family start.
void ExpectTraceSwitchHolds(CDbwinCapture& trace, const std::function<DWORD(bool on)>& run,
                            std::initializer_list<EUngated> expected,
                            const std::vector<std::string>& verbatim = {});

}  // namespace kaltest
