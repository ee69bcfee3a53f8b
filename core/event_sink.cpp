// The event-sink base: identity, connection through IConnectionPointContainer, and Invoke.
#include "core/event_sink.h"

namespace kal {
namespace {
const VARIANT kEmptyVariant = {};
}  // namespace

UINT CEventArgs::Count() const noexcept {
  if (!m_pParams || m_pParams->cArgs < m_pParams->cNamedArgs) return 0;
  return m_pParams->cArgs - m_pParams->cNamedArgs;
}

const VARIANT& CEventArgs::At(UINT i) const noexcept {
  const UINT count = Count();
  if (i >= count || !m_pParams->rgvarg) return kEmptyVariant;
  // rgvarg holds the named arguments first, then the positional ones last-to-first.
  return m_pParams->rgvarg[m_pParams->cArgs - 1 - i];
}

IDispatch* CEventArgs::DispatchAt(UINT i) const noexcept {
  const VARIANT& v = At(i);
  if (v.vt == VT_DISPATCH) return v.pdispVal;
  if (v.vt == (VT_DISPATCH | VT_BYREF) && v.ppdispVal) return *v.ppdispVal;
  return nullptr;
}

VARIANT_BOOL* CEventArgs::BoolRefAt(UINT i) const noexcept {
  const VARIANT& v = At(i);
  if (v.vt == (VT_BOOL | VT_BYREF)) return v.pboolVal;
  if (v.vt == (VT_VARIANT | VT_BYREF) && v.pvarVal && v.pvarVal->vt == VT_BOOL) {
    return &v.pvarVal->boolVal;
  }
  return nullptr;
}

long CEventArgs::LongAt(UINT i) const noexcept {
  VARIANT converted;
  ::VariantInit(&converted);
  long value = 0;
  if (SUCCEEDED(::VariantChangeType(&converted, const_cast<VARIANT*>(&At(i)), 0, VT_I4))) {
    value = converted.lVal;
  }
  ::VariantClear(&converted);
  return value;
}

BSTR CEventArgs::BstrAt(UINT i) const noexcept {
  const VARIANT& v = At(i);
  if (v.vt == VT_BSTR) return v.bstrVal;
  if (v.vt == (VT_BSTR | VT_BYREF) && v.pbstrVal) return *v.pbstrVal;
  return nullptr;
}

CDispEventSink::CDispEventSink(UINT sinkId, const IID& dispIid, IUnknown* refOwner) noexcept
    : m_nSinkId(sinkId), m_dispIid(dispIid), m_pRefOwner(refOwner) {}

CDispEventSink::~CDispEventSink() {
  // The owner is going away: the source's Release of this sink must not reach it any more.
  m_pRefOwner = nullptr;
  Unadvise();
}

HRESULT CDispEventSink::Advise(IUnknown* source) noexcept {
  if (!source) return E_POINTER;
  if (m_dwCookie) return E_UNEXPECTED;
  Microsoft::WRL::ComPtr<IConnectionPointContainer> container;
  HRESULT hr = source->QueryInterface(IID_PPV_ARGS(&container));
  if (FAILED(hr)) return hr;
  Microsoft::WRL::ComPtr<IConnectionPoint> point;
  hr = container->FindConnectionPoint(m_dispIid, &point);
  if (FAILED(hr)) return hr;
  DWORD cookie = 0;
  hr = point->Advise(static_cast<IDispatch*>(this), &cookie);
  if (FAILED(hr)) return hr;
  m_pConnectionPoint = point;
  m_dwCookie = cookie;
  return S_OK;
}

HRESULT CDispEventSink::Unadvise() noexcept {
  if (!m_dwCookie || !m_pConnectionPoint) return S_FALSE;
  const DWORD cookie = m_dwCookie;
  Microsoft::WRL::ComPtr<IConnectionPoint> point = std::move(m_pConnectionPoint);
  m_dwCookie = 0;
  return point->Unadvise(cookie);
}

STDMETHODIMP CDispEventSink::QueryInterface(REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  if (::IsEqualIID(riid, IID_IUnknown) || ::IsEqualIID(riid, IID_IDispatch) ||
      ::IsEqualIID(riid, m_dispIid)) {
    *ppv = static_cast<IDispatch*>(this);
    AddRef();
    return S_OK;
  }
  *ppv = nullptr;
  return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) CDispEventSink::AddRef() {
  return m_pRefOwner ? m_pRefOwner->AddRef() : 1;
}

STDMETHODIMP_(ULONG) CDispEventSink::Release() {
  return m_pRefOwner ? m_pRefOwner->Release() : 1;
}

STDMETHODIMP CDispEventSink::GetTypeInfoCount(UINT* count) {
  if (!count) return E_POINTER;
  *count = 0;
  return S_OK;
}

STDMETHODIMP CDispEventSink::GetTypeInfo(UINT, LCID, ITypeInfo** typeInfo) {
  if (typeInfo) *typeInfo = nullptr;
  return E_NOTIMPL;
}

STDMETHODIMP CDispEventSink::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) {
  return E_NOTIMPL;
}

STDMETHODIMP CDispEventSink::Invoke(DISPID dispId, REFIID, LCID, WORD, DISPPARAMS* params,
                                    VARIANT* result, EXCEPINFO*, UINT*) {
  if (result) ::VariantInit(result);
  const DISPPARAMS none = {};
  try {
    OnEvent(dispId, CEventArgs(params ? params : &none));
  } catch (...) {
    // Handlers trace their own failures; the source must not see one.
  }
  return S_OK;
}

}  // namespace kal
