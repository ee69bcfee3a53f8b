// CMSExcel: the COM add-in object that Excel creates through the module's class object. This
// header holds the class and its COM identity; the add-in's behaviour lives in the excel/
// source files named for what they do (excel_lifecycle.cpp, ...). The picture job fills the
// m_szImgPath it inherits from CWaterMarkPicTarget.
#pragma once
#include <windows.h>

#include "core/com/KalMsAddin_h.h"
#include "core/com/com_object.h"
#include "core/com/typeinfo_dispatch.h"
#include "core/office_interfaces.h"
#include "picture/watermark_pic.h"

class CMSExcel : public IMSExcel,
                 public _IDTExtensibility2,
                 public IRibbonExtensibility,
                 public kal::CComObjectRoot,
                 public CWaterMarkPicTarget {
 public:
  // Class table entry: creates a stand-alone or aggregated instance.
  static HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** ppv) noexcept;
  // IUnknown (first row), IDispatch, IMSExcel, _IDTExtensibility2, IRibbonExtensibility.
  static const kal::CInterfaceEntry* InterfaceEntries() noexcept;

  // IDispatch of every dispatch base, from the type information of IMSExcel.
  KAL_DISPATCH_FROM_TYPEINFO(IMSExcel)

  // _IDTExtensibility2 and IRibbonExtensibility
  KAL_ADDIN_OFFICE_METHODS

 protected:
  CMSExcel() noexcept : CWaterMarkPicTarget{} {}
  ~CMSExcel() = default;
};
