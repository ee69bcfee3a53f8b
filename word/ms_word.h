// CMSWord: the COM add-in object that Word creates through the module's class object. This
// header holds the class and its COM identity; the add-in's behaviour lives in the word/
// source files named for what they do (word_lifecycle.cpp, ...).
#pragma once
#include <windows.h>

#include "core/com/KalMsAddin_h.h"
#include "core/com/com_object.h"
#include "core/com/typeinfo_dispatch.h"
#include "core/office_interfaces.h"

class CMSWord : public IMSWord,
                public _IDTExtensibility2,
                public IRibbonExtensibility,
                public kal::CComObjectRoot {
 public:
  // Class table entry: creates a stand-alone or aggregated instance.
  static HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** ppv) noexcept;
  // IUnknown (first row), IDispatch, IMSWord, _IDTExtensibility2, IRibbonExtensibility.
  static const kal::CInterfaceEntry* InterfaceEntries() noexcept;

  // IDispatch of every dispatch base, from the type information of IMSWord.
  KAL_DISPATCH_FROM_TYPEINFO(IMSWord)

  // _IDTExtensibility2
  STDMETHODIMP OnConnection(IDispatch* Application, ext_ConnectMode ConnectMode,
                            IDispatch* AddInInst, SAFEARRAY** custom) override;
  STDMETHODIMP OnDisconnection(ext_DisconnectMode RemoveMode, SAFEARRAY** custom) override;
  STDMETHODIMP OnAddInsUpdate(SAFEARRAY** custom) override;
  STDMETHODIMP OnStartupComplete(SAFEARRAY** custom) override;
  STDMETHODIMP OnBeginShutdown(SAFEARRAY** custom) override;

  // IRibbonExtensibility
  STDMETHODIMP GetCustomUI(BSTR RibbonID, BSTR* RibbonXml) override;

 protected:
  CMSWord() = default;
  ~CMSWord() = default;
};
