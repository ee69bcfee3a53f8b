// The in-test automation object and the counting unknown.
#include "tests/com/fake_dispatch.h"

#include <cwctype>

namespace comtest {

void CFakeDispatch::AddMember(const std::wstring& name, DISPID id, Member member) {
  m_names[Lower(name)] = id;
  m_members[id] = std::move(member);
}

void CFakeDispatch::AddParamName(const std::wstring& name, DISPID id) {
  m_params[Lower(name)] = id;
}

std::wstring CFakeDispatch::Lower(std::wstring text) {
  for (wchar_t& c : text) c = static_cast<wchar_t>(std::towlower(c));
  return text;
}

STDMETHODIMP CFakeDispatch::QueryInterface(REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch)) {
    *ppv = static_cast<IDispatch*>(this);
    AddRef();
    return S_OK;
  }
  *ppv = nullptr;
  return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) CFakeDispatch::AddRef() { return static_cast<ULONG>(++m_cRef); }
STDMETHODIMP_(ULONG) CFakeDispatch::Release() { return static_cast<ULONG>(--m_cRef); }

STDMETHODIMP CFakeDispatch::GetTypeInfoCount(UINT* count) {
  *count = 0;
  return S_OK;
}

STDMETHODIMP CFakeDispatch::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
  *info = nullptr;
  return E_NOTIMPL;
}

STDMETHODIMP CFakeDispatch::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
  HRESULT hr = S_OK;
  for (UINT i = 0; i < count; ++i) {
    const auto& table = i == 0 ? m_names : m_params;
    auto it = table.find(Lower(names[i]));
    ids[i] = it == table.end() ? DISPID_UNKNOWN : it->second;
    if (it == table.end()) hr = DISP_E_UNKNOWNNAME;
  }
  return hr;
}

STDMETHODIMP CFakeDispatch::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO* excep, UINT*) {
  ++m_nInvokes;
  m_last = CRecordedCall();
  m_last.dispId = id;
  m_last.flags = flags;
  m_last.resultRequested = result != nullptr;
  for (UINT i = 0; i < params->cArgs; ++i) m_last.rgvarg.emplace_back(params->rgvarg[i]);
  for (UINT i = 0; i < params->cNamedArgs; ++i) {
    m_last.namedIds.push_back(params->rgdispidNamedArgs[i]);
  }
  auto it = m_members.find(id);
  if (it == m_members.end()) return DISP_E_MEMBERNOTFOUND;
  if (!it->second) return S_OK;
  return it->second(m_last, result, excep);
}

STDMETHODIMP CCountingUnknown::QueryInterface(REFIID riid, void** ppv) {
  if (IsEqualIID(riid, IID_IUnknown)) {
    *ppv = this;
    AddRef();
    return S_OK;
  }
  if (m_inner) return m_inner->QueryInterface(riid, ppv);
  *ppv = nullptr;
  return E_NOINTERFACE;
}

}  // namespace comtest
