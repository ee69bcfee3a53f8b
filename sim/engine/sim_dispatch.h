// CSimDispatch: the base of every simulated Office object. It answers IDispatch from the
// object's member table, counts every Invoke, fails the calls that injected faults name, turns handler errors into Office-like results,
// answers the extra interface IIDs Office objects answer, and, for application objects, is a
// connection-point container for the event dispinterfaces.
#pragma once
#include <windows.h>
#include <ocidl.h>
#include <oaidl.h>
#include <wrl/client.h>

#include <atomic>
#include <memory>
#include <vector>

#include "sim/engine/member_table.h"
#include "sim/engine/sim_events.h"

namespace kalsim {

class CSimDispatch : public IDispatch, public IConnectionPointContainer {
 public:
  explicit CSimDispatch(const CSimMemberTable& table) : m_table(table) {}
  virtual ~CSimDispatch();
  CSimDispatch(const CSimDispatch&) = delete;
  CSimDispatch& operator=(const CSimDispatch&) = delete;

  // IUnknown
  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;
  // IDispatch
  STDMETHODIMP GetTypeInfoCount(UINT* count) override;
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** info) override;
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override;
  STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                      EXCEPINFO* excep, UINT* argErr) override;
  // IConnectionPointContainer (answered only when the object has connection points)
  STDMETHODIMP EnumConnectionPoints(IEnumConnectionPoints** ppEnum) override;
  STDMETHODIMP FindConnectionPoint(REFIID riid, IConnectionPoint** ppCP) override;

  const std::wstring& Kind() const { return m_table.Kind(); }
  ULONG RefCount() const { return m_cRef; }
  IDispatch* AsDispatch() { return static_cast<IDispatch*>(this); }
  // Source name written into EXCEPINFO ("Microsoft Word").
  void SetErrorSource(std::wstring source) { m_strSource = std::move(source); }

 protected:
  // The object also answers QueryInterface for `iid` (with its IDispatch).
  void AnswerIid(const IID& iid) { m_extraIids.push_back(iid); }
  CSimConnectionPoint& AddConnectionPoint(const IID& iid);
  CSimConnectionPoint* FindPoint(const IID& iid) const;

 private:
  // DISP_E_EXCEPTION with EXCEPINFO{scode = hr, source, description}.
  HRESULT Raise(EXCEPINFO* excep, HRESULT hr, const std::wstring& description) const;

  const CSimMemberTable& m_table;
  std::atomic<ULONG> m_cRef{0};
  std::vector<IID> m_extraIids;
  std::vector<std::unique_ptr<CSimConnectionPoint>> m_points;
  std::wstring m_strSource = L"Microsoft Office";
};

// Creates a simulated object held by a ComPtr (its reference count starts at one).
template <class T, class... A>
Microsoft::WRL::ComPtr<T> MakeSim(A&&... args) {
  T* raw = new T(std::forward<A>(args)...);
  raw->AddRef();  // objects start at zero references; the ComPtr owns this one
  Microsoft::WRL::ComPtr<T> p;
  // Stored without another AddRef (mingw's ComPtr::Attach adds one, WRL's does not).
  *p.GetAddressOf() = raw;
  return p;
}

// Wraps an object into a VT_DISPATCH result.
template <class T>
CSimVariant DispResult(const Microsoft::WRL::ComPtr<T>& p) {
  return CSimVariant::Disp(p ? p->AsDispatch() : nullptr);
}

}  // namespace kalsim
