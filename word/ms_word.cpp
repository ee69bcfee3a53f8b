// COM identity of CMSWord: its QueryInterface table and its create function.
#include "word/ms_word.h"

const kal::CInterfaceEntry* CMSWord::InterfaceEntries() noexcept {
  static const kal::CInterfaceEntry entries[] = {
      KAL_INTERFACE_ENTRY(CMSWord, IMSWord),
      KAL_INTERFACE_ENTRY_IID(CMSWord, IID_IDispatch, IMSWord),
      KAL_INTERFACE_ENTRY(CMSWord, _IDTExtensibility2),
      KAL_INTERFACE_ENTRY(CMSWord, IRibbonExtensibility),
      KAL_INTERFACE_TABLE_END,
  };
  return entries;
}

HRESULT CMSWord::CreateInstance(IUnknown* outer, REFIID riid, void** ppv) noexcept {
  return kal::CreateComObject<CMSWord>(outer, riid, ppv);
}
