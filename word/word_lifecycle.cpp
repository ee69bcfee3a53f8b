// CMSWord's connection, start-up, shutdown and ribbon entry points.
#include "core/trace.h"
#include "word/ms_word.h"

STDMETHODIMP CMSWord::OnConnection(IDispatch*, ext_ConnectMode, IDispatch*, SAFEARRAY**) {
  TraceW(L"KalMsAddin.dll CMSWord _IDTExtensibility2::OnConnection.");
  return S_OK;
}

STDMETHODIMP CMSWord::OnDisconnection(ext_DisconnectMode, SAFEARRAY**) { return S_OK; }

STDMETHODIMP CMSWord::OnAddInsUpdate(SAFEARRAY**) {
  TraceW(L"KalMsAddin.dll CMSWord _IDTExtensibility2::OnAddInsUpdate.");
  return S_OK;
}

STDMETHODIMP CMSWord::OnStartupComplete(SAFEARRAY**) {
  TraceW(L"KalMsAddin.dll CMSWord _IDTExtensibility2::OnStartupComplete.");
  return S_OK;
}

STDMETHODIMP CMSWord::OnBeginShutdown(SAFEARRAY**) {
  TraceW(L"KalMsAddin.dll CMSWord _IDTExtensibility2::OnBeginShutdown.");
  return S_OK;
}

STDMETHODIMP CMSWord::GetCustomUI(BSTR, BSTR* RibbonXml) {
  TraceW(L"KalMsAddin.dll CMSWord IRibbonExtensibility::raw_GetCustomUI.");
  if (!RibbonXml) return E_POINTER;
  return S_OK;
}
