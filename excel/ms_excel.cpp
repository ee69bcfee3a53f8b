// COM identity of CMSExcel: its QueryInterface table and its create function.
#include "excel/ms_excel.h"

const kal::CInterfaceEntry* CMSExcel::InterfaceEntries() noexcept {
  static const kal::CInterfaceEntry entries[] = {
      KAL_INTERFACE_ENTRY(CMSExcel, IMSExcel),
      KAL_INTERFACE_ENTRY_IID(CMSExcel, IID_IDispatch, IMSExcel),
      KAL_INTERFACE_ENTRY(CMSExcel, _IDTExtensibility2),
      KAL_INTERFACE_ENTRY(CMSExcel, IRibbonExtensibility),
      KAL_INTERFACE_TABLE_END,
  };
  return entries;
}

HRESULT CMSExcel::CreateInstance(IUnknown* outer, REFIID riid, void** ppv) noexcept {
  return kal::CreateComObject<CMSExcel>(outer, riid, ppv);
}
