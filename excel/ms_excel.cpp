// COM identity of CMSExcel: its QueryInterface table, its create function, its event sink and
// the process-wide instance pointer of its protection timer.
#include "excel/ms_excel.h"

CMSExcel* g_pExcelAddin = nullptr;

namespace {
// Sink 1: the four AppEvents the add-in acts on.
const kal::CDispEventSinkT<CMSExcel>::Entry kExcelSinkEntries[] = {
    KAL_SINK_ENTRY(CMSExcel, kal::kExcelEvtWorkbookNewSheet, &CMSExcel::WorkbookNewSheet),
    KAL_SINK_ENTRY(CMSExcel, kal::kExcelEvtSheetActivate, &CMSExcel::SheetActivate),
    KAL_SINK_ENTRY(CMSExcel, kal::kExcelEvtSheetDeactivate, &CMSExcel::SheetDeactivate),
    KAL_SINK_ENTRY(CMSExcel, kal::kExcelEvtWorkbookActivate, &CMSExcel::WorkbookActivate),
};
}  // namespace

CMSExcel::CMSExcel() : CWaterMarkPicTarget{}, m_sink(this, 1, kal::DIID_Excel_AppEvents, kExcelSinkEntries) {}

CMSExcel::~CMSExcel() {
  // The timer reaches the add-in through g_pExcelAddin; a destroyed instance must not be
  // reached, and the timer procedure must not outlive the module.
  StopLockTimer(m_nLockTimer);
  if (g_pExcelAddin == this) g_pExcelAddin = nullptr;
}

KAL_ADDIN_COM_IDENTITY(CMSExcel, IMSExcel)
