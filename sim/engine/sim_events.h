// CSimConnectionPoint: one event dispinterface of a simulated application. Sinks advise with
// any object answering the dispinterface IID; Fire() calls Invoke on each with the event's
// DISPID and its arguments in DISPPARAMS order (reversed), as Office does.
#pragma once
#include <windows.h>
#include <ocidl.h>
#include <wrl/client.h>

#include <map>
#include <vector>

#include "sim/engine/sim_variant.h"

namespace kalsim {

class CSimConnectionPoint : public IConnectionPoint {
 public:
  // The connection point lives inside its container and shares its reference count.
  CSimConnectionPoint(IConnectionPointContainer* container, const IID& iid)
      : m_pContainer(container), m_iid(iid) {}

  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
  STDMETHODIMP_(ULONG) AddRef() override { return m_pContainer->AddRef(); }
  STDMETHODIMP_(ULONG) Release() override { return m_pContainer->Release(); }
  STDMETHODIMP GetConnectionInterface(IID* iid) override;
  STDMETHODIMP GetConnectionPointContainer(IConnectionPointContainer** ppCPC) override;
  STDMETHODIMP Advise(IUnknown* sink, DWORD* cookie) override;
  STDMETHODIMP Unadvise(DWORD cookie) override;
  STDMETHODIMP EnumConnections(IEnumConnections** ppEnum) override;

  const IID& Iid() const { return m_iid; }
  size_t SinkCount() const { return m_sinks.size(); }
  // Calls every advised sink; `args` in natural order (byref variants allowed for out
  // arguments such as Cancel). Returns the number of sinks called.
  int Fire(DISPID id, std::vector<CSimVariant> args);
  // Releases every sink (application shutdown). The list is emptied before any sink is
  // released: a release may destroy the sink's owner, whose sinks then unadvise.
  void DropAll() {
    auto sinks = std::move(m_sinks);
    m_sinks.clear();
    sinks.clear();
  }

 private:
  IConnectionPointContainer* m_pContainer;
  IID m_iid;
  DWORD m_dwNextCookie = 1;
  std::map<DWORD, Microsoft::WRL::ComPtr<IDispatch>> m_sinks;
};

}  // namespace kalsim
