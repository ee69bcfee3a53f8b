// CMSExcel's connection, start-up, shutdown and ribbon entry points.
#include "core/trace.h"
#include "excel/ms_excel.h"

STDMETHODIMP CMSExcel::OnConnection(IDispatch*, ext_ConnectMode, IDispatch*, SAFEARRAY**) {
  TraceW(L"FILE CMSExcel::OnConnection----------------------------------");
  return S_OK;
}

STDMETHODIMP CMSExcel::OnDisconnection(ext_DisconnectMode, SAFEARRAY**) { return S_OK; }

STDMETHODIMP CMSExcel::OnAddInsUpdate(SAFEARRAY**) {
  TraceW(L"KalMsAddin.dll CMSExcel _IDTExtensibility2::OnAddInsUpdate.");
  return S_OK;
}

STDMETHODIMP CMSExcel::OnStartupComplete(SAFEARRAY**) {
  TraceW(L" CMSExcel::OnStartupComplete--------------enter.\n");
  return S_OK;
}

STDMETHODIMP CMSExcel::OnBeginShutdown(SAFEARRAY**) {
  TraceW(L"KalMsAddin.dll CMSExcel _IDTExtensibility2::OnBeginShutdown.");
  return S_OK;
}

STDMETHODIMP CMSExcel::GetCustomUI(BSTR, BSTR* RibbonXml) {
  TraceW(L"KalMsAddin.dll CMSExcel IRibbonExtensibility::raw_GetCustomUI.");
  if (!RibbonXml) return E_POINTER;
  return S_OK;
}
