// COM identity of CMSPowerPoint: its QueryInterface table and its create function.
#include "powerpoint/ms_powerpoint.h"

const kal::CInterfaceEntry* CMSPowerPoint::InterfaceEntries() noexcept {
  static const kal::CInterfaceEntry entries[] = {
      KAL_INTERFACE_ENTRY(CMSPowerPoint, IMSPowerPoint),
      KAL_INTERFACE_ENTRY_IID(CMSPowerPoint, IID_IDispatch, IMSPowerPoint),
      KAL_INTERFACE_ENTRY(CMSPowerPoint, _IDTExtensibility2),
      KAL_INTERFACE_ENTRY(CMSPowerPoint, IRibbonExtensibility),
      KAL_INTERFACE_TABLE_END,
  };
  return entries;
}

HRESULT CMSPowerPoint::CreateInstance(IUnknown* outer, REFIID riid, void** ppv) noexcept {
  return kal::CreateComObject<CMSPowerPoint>(outer, riid, ppv);
}
