// CMSPowerPoint's connection, start-up, shutdown and ribbon entry points.
#include "core/trace.h"
#include "powerpoint/ms_powerpoint.h"

STDMETHODIMP CMSPowerPoint::OnConnection(IDispatch*, ext_ConnectMode, IDispatch*, SAFEARRAY**) {
  TraceW(L"KalMsAddin.dll CMSPowerPoint _IDTExtensibility2::OnConnection.");
  return S_OK;
}

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
  return S_OK;
}
