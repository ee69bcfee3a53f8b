// CMSExcel: the COM add-in object that Excel creates through the module's class object. This
// header holds the class, its COM identity and its state; the behaviour lives in the excel/
// source files named for what they do (excel_lifecycle.cpp, background.cpp, protection.cpp).
// The picture job fills the m_szImgPath it inherits from CWaterMarkPicTarget.
#pragma once
#include <windows.h>
#include <wrl/client.h>

#include "core/com/KalMsAddin_h.h"
#include "core/com/com_object.h"
#include "core/com/typeinfo_dispatch.h"
#include "core/event_sink.h"
#include "core/office_interfaces.h"
#include "picture/watermark_pic.h"

class CMSExcel;

// The instance the protection timer works on; set when OnConnection starts the timer.
extern CMSExcel* g_pExcelAddin;

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

  // AppEvents handlers (sink 1).
  void WorkbookNewSheet(IDispatch* workbook, IDispatch* sheet);
  void SheetActivate(IDispatch* sheet);
  void SheetDeactivate(IDispatch* sheet);
  void WorkbookActivate(IDispatch* workbook);

  // Background watermark. SetExcelWatermark: 1 when done or after a caught failure, 0 when
  // no worksheet could be reached.
  int SetExcelWatermark(IDispatch* workbook, const wchar_t* path);
  void StampNewSheet(IDispatch* workbook, IDispatch* sheet);
  void StampSheet(IDispatch* sheet);
  void ClearSheet(IDispatch* sheet);

  // Protection. The out count, when given, receives the number of the user's open workbooks.
  int ProtectWorkBooks(long* workbookCount = nullptr);
  static void CALLBACK LockBookTimer(HWND hwnd, UINT message, UINT_PTR timerId, DWORD time);

  // State, for the timer and for tests that inspect the object.
  bool IsAdvised() const noexcept { return m_sink.IsAdvised(); }
  UINT_PTR LockTimerId() const noexcept { return m_nLockTimer; }
  IDispatch* Application() const noexcept { return m_pApplication.Get(); }

 protected:
  CMSExcel();
  ~CMSExcel();

 private:
  // The guard every handler applies: a watermark is due and the picture file exists.
  bool PictureReady() const;
  void StopLockTimer(UINT_PTR timerId);

  Microsoft::WRL::ComPtr<IDispatch> m_pApplication;
  kal::CDispEventSinkT<CMSExcel> m_sink;
  UINT_PTR m_nLockTimer = 0;
};
