// CMSPowerPoint's connection, start-up, shutdown and ribbon entry points and its watermark
// event step.
#include <string>

#include "core/automation.h"
#include "core/command_line.h"
#include "core/config.h"
#include "core/policy.h"
#include "core/readonly.h"
#include "core/trace.h"
#include "picture/watermark_pic.h"
#include "powerpoint/ms_powerpoint.h"
#include "powerpoint/ppt_guards.h"
#include "powerpoint/ppt_switches.h"

namespace {
bool WatermarkDue() { return IsEnablePowerpntWM() && IsHasWatermark(); }
}  // namespace

STDMETHODIMP CMSPowerPoint::OnConnection(IDispatch* Application, ext_ConnectMode, IDispatch*, SAFEARRAY**) {
  TraceW(L"KalMsAddin.dll CMSPowerPoint _IDTExtensibility2::OnConnection.");
  try {
    if (ProcessHasAutomationSwitch()) return S_OK;
    if (IsTavReadOnly(::GetCurrentProcessId())) {
      if (g_nPptReadOnlyProtectPwd) {
        TraceW(L"KalMsAddin.dll CMSPowerPoint InstallPptReadOnlyProtectHook::OnConnection.11");
        (void)InstallPptPasswordGuard();
      } else {
        (void)InstallPptInputGuards();
        TraceW(L"KalMsAddin.dll CMSPowerPoint InstallPptReadOnlyProtectHook::OnConnection.22");
      }
    }
    m_pApplication.Reset();
    if (Application) {
      (void)Application->QueryInterface(kal::IID_PowerPoint_Application,
                                        reinterpret_cast<void**>(m_pApplication.ReleaseAndGetAddressOf()));
    }
    if (WatermarkDue()) {
      IUnknown* source = m_pApplication.Get();
      if (source && SUCCEEDED(m_sink1.Advise(source))) m_bAdvised = 1;
      if (source && SUCCEEDED(m_sink2.Advise(source))) m_bAdvised = 1;
    }
  } catch (const kal::ComError& e) {
    TraceFmtW(L"KalMsAddin.dll CMSPowerPoint::OnConnection _com_error : %s.\n", e.Message());
  } catch (...) {
    TraceW(L"KalMsAddin.dll CMSPowerPoint::OnConnection Exception.\n");
  }
  return S_OK;
}

// Ends nothing: the event connections and the guards stay until PowerPoint goes away.
STDMETHODIMP CMSPowerPoint::OnDisconnection(ext_DisconnectMode, SAFEARRAY**) { return S_OK; }

STDMETHODIMP CMSPowerPoint::OnAddInsUpdate(SAFEARRAY**) {
  TraceW(L"KalMsAddin.dll CMSPowerPoint _IDTExtensibility2::OnAddInsUpdate.");
  return S_OK;
}

STDMETHODIMP CMSPowerPoint::OnStartupComplete(SAFEARRAY**) {
  TraceW(L"KalMsAddin.dll CMSPowerPoint _IDTExtensibility2::OnStartupComplete.");
  return S_OK;
}

STDMETHODIMP CMSPowerPoint::OnBeginShutdown(SAFEARRAY**) {
  TraceW(L"KalMsAddin.dll CMSPowerPoint _IDTExtensibility2::OnBeginShutdown.");
  return S_OK;
}

STDMETHODIMP CMSPowerPoint::GetCustomUI(BSTR, BSTR* RibbonXml) {
  TraceW(L"KalMsAddin.dll CMSPowerPoint IRibbonExtensibility::raw_GetCustomUI.");
  if (!RibbonXml) return E_POINTER;
  try {
    if (!WatermarkDue()) return S_OK;
    const std::wstring xml = std::wstring(L"<customUI xmlns=\"") + kal::kCustomUiNamespace + L"\">" +
                             L"<commands>" + L"<command idMso=\"ViewSlideMasterView\" enabled=\"false\"/>" +
                             L"</commands>" + L"</customUI>";
    BSTR out = ::SysAllocStringLen(xml.data(), static_cast<UINT>(xml.size()));
    if (out) *RibbonXml = out;
  } catch (...) {
    TraceW(L"KalMsAddin.dll CMSPowerPoint::GetCustomUI Exception.\n");
  }
  return S_OK;
}

void CMSPowerPoint::WatermarkEventStep(const wchar_t* traceLine) {
  TraceW(traceLine);
  if (!WatermarkDue()) return;
  if (IsEnablePowerpntWatermark()) {
    (void)SetPPtWatermark(m_pApplication.Get(), GetWaterMarkText(), GetWatermarkFont(),
                          static_cast<int>(GetWatermarkFontSize()), GetWatermarkColor());
  } else {
    DeletePPtWatermark();
  }
}

void CMSPowerPoint::PresentationNewSlide(IDispatch*) {
  try {
    WatermarkEventStep(L"wmk\t\t\t\tPresentationNewSlide");
  } catch (const kal::ComError& e) {
    TraceFmtW(L"KalMsAddin.dll CMSPowerPoint::PresentationNewSlide _com_error : %s.\n", e.Message());
  } catch (...) {
    TraceW(L"KalMsAddin.dll CMSPowerPoint::PresentationNewSlide Exception.\n");
  }
}

// A presentation opened without a window (as the offline removal opens the file it cleans)
// never becomes the active one: the step would stamp and re-view whatever presentation the user
// has in front of them instead. The step is left out for it.
namespace {
bool OpenedInFront(IDispatch* application, IDispatch* presentation) {
  if (!application || !presentation) return false;
  kal::CVariant active, activeName, openedName;
  if (FAILED(kal::Dispatch(application).TryGet(L"ActivePresentation", &active)) || !kal::Dispatch(active)) return false;
  if (FAILED(kal::Dispatch(active).TryGet(L"FullName", &activeName))) return false;
  if (FAILED(kal::Dispatch(presentation).TryGet(L"FullName", &openedName))) return false;
  std::wstring a, b;
  return SUCCEEDED(activeName.ToString(&a)) && SUCCEEDED(openedName.ToString(&b)) && a == b;
}
}  // namespace

void CMSPowerPoint::AfterPresentationOpen(IDispatch* presentation) {
  try {
    if (!OpenedInFront(m_pApplication.Get(), presentation)) {
      TraceW(L"wmk\t\t\t\tAfterPresentationOpen without a window");
      return;
    }
    WatermarkEventStep(L"wmk\t\t\t\tAfterPresentationOpen");
  } catch (const kal::ComError& e) {
    TraceFmtW(L"KalMsAddin.dll CMSPowerPoint::AfterPresentationOpen _com_error : %s.\n", e.Message());
  } catch (...) {
    TraceW(L"KalMsAddin.dll CMSPowerPoint::AfterPresentationOpen Exception.\n");
  }
}
