// Generic IDispatch of simulated Office objects: name lookup, argument unpacking, counting
// and Office-like failures.
#include "sim/engine/sim_dispatch.h"

#include <olectl.h>

#include <new>
#include <stdexcept>

#include "sim/engine/call_counter.h"
#include "sim/engine/sim_arg_recorder.h"
#include "sim/engine/sim_error.h"
#include "sim/engine/sim_faults.h"

namespace kalsim {

CSimDispatch::~CSimDispatch() = default;

STDMETHODIMP CSimDispatch::QueryInterface(REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (riid == IID_IUnknown || riid == IID_IDispatch) {
    *ppv = AsDispatch();
  } else if (riid == IID_IConnectionPointContainer && !m_points.empty()) {
    *ppv = static_cast<IConnectionPointContainer*>(this);
  } else {
    for (const IID& iid : m_extraIids)
      if (iid == riid) *ppv = AsDispatch();
  }
  if (!*ppv) return E_NOINTERFACE;
  AddRef();
  return S_OK;
}

STDMETHODIMP_(ULONG) CSimDispatch::AddRef() { return ++m_cRef; }

STDMETHODIMP_(ULONG) CSimDispatch::Release() {
  ULONG n = --m_cRef;
  if (n == 0) delete this;
  return n;
}

STDMETHODIMP CSimDispatch::GetTypeInfoCount(UINT* count) {
  if (!count) return E_POINTER;
  *count = 0;
  return S_OK;
}

STDMETHODIMP CSimDispatch::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
  if (info) *info = nullptr;
  return DISP_E_BADINDEX;
}

STDMETHODIMP CSimDispatch::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
  if (!names || !ids || count == 0) return E_INVALIDARG;
  for (UINT i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
  const CSimMember* m = names[0] ? m_table.Find(names[0]) : nullptr;
  if (!m) return DISP_E_UNKNOWNNAME;
  ids[0] = m->id;
  HRESULT hr = S_OK;
  // Further names are parameter names; their DISPIDs are the parameter positions.
  for (UINT i = 1; i < count; ++i) {
    for (size_t p = 0; names[i] && p < m->params.size(); ++p) {
      if (CompareStringOrdinal(names[i], -1, m->params[p].c_str(), -1, TRUE) == CSTR_EQUAL)
        ids[i] = static_cast<DISPID>(p);
    }
    if (ids[i] == DISPID_UNKNOWN) hr = DISP_E_UNKNOWNNAME;
  }
  return hr;
}

STDMETHODIMP CSimDispatch::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                  EXCEPINFO* excep, UINT* argErr) {
  const CSimMember* m = m_table.Find(id);
  CSimCallCounter::Instance().Add(Kind(), m ? m->strName : L"#" + std::to_wstring(id));
  if (!m) return DISP_E_MEMBERNOTFOUND;
  DISPPARAMS none{nullptr, nullptr, 0, 0};
  const DISPPARAMS& dp = params ? *params : none;
  // Before the fault and the member: an argument handed to Office counts as handed whatever
  // becomes of the call.
  CSimArgRecorder::Instance().Offer(*m, dp);
  HRESULT hrFault = S_OK;
  std::wstring faultText;
  if (CSimFaults::Instance().Match(Kind(), m->strName, &hrFault, &faultText)) {
    return faultText.empty() ? hrFault : Raise(excep, hrFault, faultText);
  }
  // Keeps the object alive while a handler runs (a handler may drop the last outside ref).
  Microsoft::WRL::ComPtr<IDispatch> self(AsDispatch());
  try {
    if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
      if (!m->put) return DISP_E_MEMBERNOTFOUND;
      if (dp.cNamedArgs < 1 || !dp.rgdispidNamedArgs || dp.rgdispidNamedArgs[0] != DISPID_PROPERTYPUT ||
          dp.cArgs < 1)
        return DISP_E_PARAMNOTOPTIONAL;
      CSimArgs args(dp, m->params.size(), 1);
      CSimVariant value = CSimVariant::Copy(dp.rgvarg[0]);
      m->put(*this, args, value.Get());
      return S_OK;
    }
    if (!(flags & (DISPATCH_METHOD | DISPATCH_PROPERTYGET)) || !m->get) return DISP_E_MEMBERNOTFOUND;
    if (!m->bMethod && dp.cArgs > 0) return DISP_E_BADPARAMCOUNT;
    CSimArgs args(dp, m->params.size());
    CSimVariant value = m->get(*this, args);
    if (result) {
      VariantClear(result);
      value.Detach(result);
    }
    return S_OK;
  } catch (const CSimError& e) {
    if (argErr && e.ArgIndex() >= 0) {
      // puArgErr indexes rgvarg, which is reversed.
      *argErr = dp.cArgs > static_cast<UINT>(e.ArgIndex()) ? dp.cArgs - 1 - e.ArgIndex() : 0;
    }
    return e.IsException() ? Raise(excep, e.Code(), e.Message()) : e.Code();
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return Raise(excep, E_FAIL, L"Unexpected failure in the simulated object.");
  }
}

HRESULT CSimDispatch::Raise(EXCEPINFO* excep, HRESULT hr, const std::wstring& description) const {
  if (excep) {
    *excep = EXCEPINFO{};
    excep->scode = hr;
    excep->bstrSource = SysAllocString(m_strSource.c_str());
    excep->bstrDescription = SysAllocString(description.c_str());
  }
  return DISP_E_EXCEPTION;
}

STDMETHODIMP CSimDispatch::EnumConnectionPoints(IEnumConnectionPoints** ppEnum) {
  if (ppEnum) *ppEnum = nullptr;
  return E_NOTIMPL;
}

STDMETHODIMP CSimDispatch::FindConnectionPoint(REFIID riid, IConnectionPoint** ppCP) {
  if (!ppCP) return E_POINTER;
  *ppCP = FindPoint(riid);
  if (!*ppCP) return CONNECT_E_NOCONNECTION;
  (*ppCP)->AddRef();
  return S_OK;
}

CSimConnectionPoint& CSimDispatch::AddConnectionPoint(const IID& iid) {
  m_points.push_back(std::make_unique<CSimConnectionPoint>(static_cast<IConnectionPointContainer*>(this), iid));
  return *m_points.back();
}

CSimConnectionPoint* CSimDispatch::FindPoint(const IID& iid) const {
  for (const auto& p : m_points)
    if (p->Iid() == iid) return p.get();
  return nullptr;
}

}  // namespace kalsim
