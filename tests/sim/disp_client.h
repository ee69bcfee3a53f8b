// A small late-bound automation client for the simulator tests: calls by name with
// positional and named arguments, as the add-ins call Office; and an event sink recording
// what a simulated application fires.
#pragma once
#include <windows.h>

#include <oaidl.h>
#include <wrl/client.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "sim/engine/sim_variant.h"

namespace simtest {

using kalsim::CSimVariant;

struct CCallResult {
  HRESULT hr = E_FAIL;
  CSimVariant value;
  std::wstring error;  // EXCEPINFO description of a DISP_E_EXCEPTION
  HRESULT scode = S_OK;
};

class CDisp {
 public:
  CDisp() = default;
  explicit CDisp(IDispatch* p) : m_p(p) {}
  explicit CDisp(const CSimVariant& v);
  IDispatch* Get() const { return m_p.Get(); }
  explicit operator bool() const { return m_p != nullptr; }

  // `named` names the last named.size() arguments.
  CCallResult Invoke(const std::wstring& member, WORD flags, std::vector<CSimVariant> args = {},
                     std::vector<std::wstring> named = {}) const;
  CCallResult TryGet(const std::wstring& member, std::vector<CSimVariant> args = {}) const {
    return Invoke(member, DISPATCH_PROPERTYGET | DISPATCH_METHOD, std::move(args));
  }
  CCallResult TryPut(const std::wstring& member, CSimVariant value) const;
  CCallResult TryCall(const std::wstring& member, std::vector<CSimVariant> args = {},
                      std::vector<std::wstring> named = {}) const {
    return Invoke(member, DISPATCH_METHOD, std::move(args), std::move(named));
  }

  // Forms that record a test failure when the call fails.
  CDisp Obj(const std::wstring& member, std::vector<CSimVariant> args = {}) const;
  CDisp Item(long index) const { return Obj(L"Item", {CSimVariant::Int(index)}); }
  CDisp Item(const std::wstring& name) const { return Obj(L"Item", {CSimVariant::Str(name)}); }
  long Long(const std::wstring& member, std::vector<CSimVariant> args = {}) const;
  double Double(const std::wstring& member) const;
  bool Bool(const std::wstring& member) const;
  std::wstring Str(const std::wstring& member) const;
  void Put(const std::wstring& member, CSimVariant value) const;
  CSimVariant Call(const std::wstring& member, std::vector<CSimVariant> args = {},
                   std::vector<std::wstring> named = {}) const;

 private:
  Microsoft::WRL::ComPtr<IDispatch> m_p;
};

// An event sink living on the stack: answers IUnknown and `iid`, records each event's DISPID
// and hands its DISPPARAMS (arguments as received, last first) to `onEvent`.
class CEventSink : public IDispatch {
 public:
  using Handler = std::function<void(DISPID, const DISPPARAMS&)>;
  explicit CEventSink(const IID& iid, Handler onEvent = nullptr)
      : m_iid(iid), m_onEvent(std::move(onEvent)) {}
  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
    *ppv = riid == IID_IUnknown || riid == m_iid ? static_cast<IDispatch*>(this) : nullptr;
    if (*ppv) AddRef();
    return *ppv ? S_OK : E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++m_cRef; }
  STDMETHODIMP_(ULONG) Release() override { return --m_cRef; }
  STDMETHODIMP GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* dp, VARIANT*, EXCEPINFO*,
                      UINT*) override {
    m_ids.push_back(id);
    if (m_onEvent) m_onEvent(id, *dp);
    return S_OK;
  }
  ULONG m_cRef = 0;
  std::vector<DISPID> m_ids;

 private:
  IID m_iid;
  Handler m_onEvent;
};

inline CSimVariant I(long v) { return CSimVariant::Int(v); }
inline CSimVariant S(const std::wstring& v) { return CSimVariant::Str(v); }
inline CSimVariant R4(float v) { return CSimVariant::Float(v); }
inline CSimVariant B(bool v) { return CSimVariant::Bool(v); }
inline CSimVariant Missing() { return CSimVariant::Missing(); }

// A path in the temporary folder.
inline std::wstring TempPath(const std::wstring& name) {
  wchar_t dir[MAX_PATH];
  GetTempPathW(MAX_PATH, dir);
  return dir + name;
}
// The primary header's Shapes of section `section` of `document`.
inline CDisp HeaderShapesOf(const CDisp& document, long section) {
  return document.Obj(L"Sections").Item(section).Obj(L"Headers").Item(1).Obj(L"Shapes");
}
// A text and 15 missing arguments, as the add-ins call Documents.Open (the path) and
// Worksheet.Protect (the password).
inline std::vector<CSimVariant> TextThen15Missing(const std::wstring& text) {
  std::vector<CSimVariant> args{S(text)};
  args.resize(16, Missing());
  return args;
}

}  // namespace simtest
