// CMSPowerPoint: the COM add-in object that PowerPoint creates through the module's class
// object. This header holds the class and its COM identity; the add-in's behaviour lives in
// the powerpoint/ source files named for what they do (powerpoint_lifecycle.cpp, ...).
#pragma once
#include <windows.h>

#include "core/com/KalMsAddin_h.h"
#include "core/com/com_object.h"
#include "core/com/typeinfo_dispatch.h"
#include "core/office_interfaces.h"

class CMSPowerPoint : public IMSPowerPoint,
                      public _IDTExtensibility2,
                      public IRibbonExtensibility,
                      public kal::CComObjectRoot {
 public:
  // Class table entry: creates a stand-alone or aggregated instance.
  static HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** ppv) noexcept;
  // IUnknown (first row), IDispatch, IMSPowerPoint, _IDTExtensibility2, IRibbonExtensibility.
  static const kal::CInterfaceEntry* InterfaceEntries() noexcept;

  // IDispatch of every dispatch base, from the type information of IMSPowerPoint.
  KAL_DISPATCH_FROM_TYPEINFO(IMSPowerPoint)

  // _IDTExtensibility2 and IRibbonExtensibility
  KAL_ADDIN_OFFICE_METHODS

 protected:
  CMSPowerPoint() = default;
  ~CMSPowerPoint() = default;
};
