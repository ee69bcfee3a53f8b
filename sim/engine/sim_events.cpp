// Event connection points of simulated applications.
#include "sim/engine/sim_events.h"

#include <olectl.h>

#include "sim/engine/call_counter.h"

namespace kalsim {

STDMETHODIMP CSimConnectionPoint::QueryInterface(REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (riid == IID_IUnknown || riid == IID_IConnectionPoint) {
    *ppv = static_cast<IConnectionPoint*>(this);
    AddRef();
    return S_OK;
  }
  return E_NOINTERFACE;
}

STDMETHODIMP CSimConnectionPoint::GetConnectionInterface(IID* iid) {
  if (!iid) return E_POINTER;
  *iid = m_iid;
  return S_OK;
}

STDMETHODIMP CSimConnectionPoint::GetConnectionPointContainer(IConnectionPointContainer** ppCPC) {
  if (!ppCPC) return E_POINTER;
  *ppCPC = m_pContainer;
  m_pContainer->AddRef();
  return S_OK;
}

STDMETHODIMP CSimConnectionPoint::Advise(IUnknown* sink, DWORD* cookie) {
  if (!cookie) return E_POINTER;
  *cookie = 0;
  if (!sink) return E_POINTER;
  // As ATL's connection points do: the sink must answer the event interface itself.
  Microsoft::WRL::ComPtr<IDispatch> disp;
  if (FAILED(sink->QueryInterface(m_iid, reinterpret_cast<void**>(disp.GetAddressOf()))) || !disp)
    return CONNECT_E_CANNOTCONNECT;
  DWORD id = m_dwNextCookie++;
  m_sinks.emplace(id, disp);
  *cookie = id;
  return S_OK;
}

STDMETHODIMP CSimConnectionPoint::Unadvise(DWORD cookie) {
  return m_sinks.erase(cookie) ? S_OK : CONNECT_E_NOCONNECTION;
}

STDMETHODIMP CSimConnectionPoint::EnumConnections(IEnumConnections** ppEnum) {
  if (ppEnum) *ppEnum = nullptr;
  return E_NOTIMPL;
}

int CSimConnectionPoint::Fire(DISPID id, std::vector<CSimVariant> args) {
  // DISPPARAMS wants the last argument first.
  std::vector<VARIANT> rgvarg(args.size());
  for (size_t i = 0; i < args.size(); ++i) rgvarg[args.size() - 1 - i] = args[i].Get();
  DISPPARAMS dp{rgvarg.empty() ? nullptr : rgvarg.data(), nullptr, static_cast<UINT>(rgvarg.size()), 0};
  // A sink may unadvise (or advise others) while it handles the event.
  std::vector<Microsoft::WRL::ComPtr<IDispatch>> sinks;
  for (const auto& [cookie, sink] : m_sinks) sinks.push_back(sink);
  int called = 0;
  for (const auto& sink : sinks) {
    sink->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &dp, nullptr, nullptr, nullptr);
    ++called;
  }
  CSimCallCounter::Instance().Add(L"Event", std::to_wstring(id));
  return called;
}

}  // namespace kalsim
