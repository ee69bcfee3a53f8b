// A small late-bound automation client for the simulator tests: calls by name with
// positional and named arguments, as the add-ins call Office.
#pragma once
#include <oaidl.h>
#include <wrl/client.h>

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

inline CSimVariant I(long v) { return CSimVariant::Int(v); }
inline CSimVariant S(const std::wstring& v) { return CSimVariant::Str(v); }
inline CSimVariant R4(float v) { return CSimVariant::Float(v); }
inline CSimVariant B(bool v) { return CSimVariant::Bool(v); }
inline CSimVariant Missing() { return CSimVariant::Missing(); }

// The primary header's Shapes of section `section` of `document`.
inline CDisp HeaderShapesOf(const CDisp& document, long section) {
  return document.Obj(L"Sections").Obj(L"Item", {I(section)}).Obj(L"Headers").Obj(L"Item", {I(1)}).Obj(L"Shapes");
}
// Documents.Open arguments as the add-in passes them: the path and 15 missing ones.
inline std::vector<CSimVariant> OpenArgs(const std::wstring& path) {
  std::vector<CSimVariant> args{S(path)};
  args.resize(16, Missing());
  return args;
}

}  // namespace simtest
