// CMSPowerPoint: the COM add-in object that PowerPoint creates through the module's class
// object. This header holds the class, its COM identity and its state; the behaviour lives in
// the powerpoint/ source files named for what they do (powerpoint_lifecycle.cpp,
// ppt_watermark.cpp, ppt_guards.cpp).
#pragma once
#include <windows.h>
#include <wrl/client.h>

#include <string>

#include "core/com/KalMsAddin_h.h"
#include "core/com/com_object.h"
#include "core/com/typeinfo_dispatch.h"
#include "core/event_sink.h"
#include "core/office_interfaces.h"

namespace kal {
// PowerPoint: _Application {91493442-5A91-11CF-8700-00AA0060263B}, the EApplication event
// dispinterface {914934C2-5A91-11CF-8700-00AA0060263B} and the PowerPoint.Application class
// {91493441-5A91-11CF-8700-00AA0060263B}.
constexpr IID IID_PowerPoint_Application = {0x91493442, 0x5A91, 0x11CF,
                                            {0x87, 0x00, 0x00, 0xAA, 0x00, 0x60, 0x26, 0x3B}};
constexpr IID DIID_PowerPoint_EApplication = {0x914934C2, 0x5A91, 0x11CF,
                                              {0x87, 0x00, 0x00, 0xAA, 0x00, 0x60, 0x26, 0x3B}};
constexpr CLSID CLSID_PowerPoint_Application = {0x91493441, 0x5A91, 0x11CF,
                                                {0x87, 0x00, 0x00, 0xAA, 0x00, 0x60, 0x26, 0x3B}};
// EApplication DISPIDs the add-in binds.
constexpr DISPID kPptEvtPresentationNewSlide = 2008;
constexpr DISPID kPptEvtAfterPresentationOpen = 2021;
}  // namespace kal

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

  // EApplication handlers: sink 1 PresentationNewSlide, sink 2 AfterPresentationOpen.
  void PresentationNewSlide(IDispatch* slide);
  void AfterPresentationOpen(IDispatch* presentation);

  // The watermark on the active presentation's slide master.
  void DeletePPtWatermark();
  int SetPPtWatermark(IDispatch* application, const std::wstring& text, const std::wstring& font,
                      int fontSize, COLORREF color);

  bool IsAdvised() const noexcept { return m_bAdvised != 0; }

 protected:
  CMSPowerPoint();
  ~CMSPowerPoint() = default;

 private:
  void WatermarkEventStep(const wchar_t* traceLine);

  Microsoft::WRL::ComPtr<IDispatch> m_pApplication;
  // Both sinks count their references on the add-in: a connection keeps it alive.
  kal::CDispEventSinkT<CMSPowerPoint> m_sink1;
  kal::CDispEventSinkT<CMSPowerPoint> m_sink2;
  int32_t m_bAdvised = 0;
};
