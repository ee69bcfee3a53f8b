// Late-bound automation client used by the simulator tests.
#include "disp_client.h"

#include <gtest/gtest.h>

namespace simtest {

CDisp::CDisp(const CSimVariant& v) {
  if (v.Type() == VT_DISPATCH) m_p = v.Get().pdispVal;
}

CCallResult CDisp::Invoke(const std::wstring& member, WORD flags, std::vector<CSimVariant> args,
                          std::vector<std::wstring> named) const {
  CCallResult r;
  if (!m_p) {
    r.hr = E_POINTER;
    return r;
  }
  std::vector<std::wstring> names{member};
  names.insert(names.end(), named.begin(), named.end());
  std::vector<LPOLESTR> raw;
  for (auto& n : names) raw.push_back(const_cast<LPOLESTR>(n.c_str()));
  std::vector<DISPID> ids(names.size());
  r.hr = m_p->GetIDsOfNames(IID_NULL, raw.data(), static_cast<UINT>(raw.size()), 0, ids.data());
  if (FAILED(r.hr)) return r;
  // Named arguments first (they are the last `named.size()` given), then positional reversed.
  // A property put names its value DISPID_PROPERTYPUT.
  const bool put = flags == DISPATCH_PROPERTYPUT;
  const size_t positional = args.size() - named.size() - (put ? 1 : 0);
  std::vector<VARIANT> rgvarg;
  std::vector<DISPID> namedIds;
  if (put) rgvarg.push_back(args.back().Get()), namedIds.push_back(DISPID_PROPERTYPUT);
  for (size_t k = 0; k < named.size(); ++k) {
    rgvarg.push_back(args[positional + k].Get());
    namedIds.push_back(ids[k + 1]);
  }
  for (size_t i = positional; i-- > 0;) rgvarg.push_back(args[i].Get());
  DISPPARAMS dp{rgvarg.empty() ? nullptr : rgvarg.data(), namedIds.empty() ? nullptr : namedIds.data(),
                static_cast<UINT>(rgvarg.size()), static_cast<UINT>(namedIds.size())};
  EXCEPINFO ex{};
  VARIANT result;
  VariantInit(&result);
  r.hr = m_p->Invoke(ids[0], IID_NULL, 0, flags, &dp, put ? nullptr : &result, &ex, nullptr);
  r.value = CSimVariant::Copy(result);
  VariantClear(&result);
  if (r.hr == DISP_E_EXCEPTION) {
    r.scode = ex.scode;
    if (ex.bstrDescription) r.error = ex.bstrDescription;
  }
  SysFreeString(ex.bstrDescription);
  SysFreeString(ex.bstrSource);
  SysFreeString(ex.bstrHelpFile);
  return r;
}

CCallResult CDisp::TryPut(const std::wstring& member, CSimVariant value) const {
  return Invoke(member, DISPATCH_PROPERTYPUT, {std::move(value)});
}

namespace {
std::string Narrow(const std::wstring& s) { return std::string(s.begin(), s.end()); }

// The value of a call that must succeed, through `convert`; `failed` when it did not.
template <typename T, typename F>
T Checked(const CCallResult& r, const std::wstring& what, F convert, T failed) {
  EXPECT_EQ(S_OK, r.hr) << Narrow(what) << " " << Narrow(r.error);
  return SUCCEEDED(r.hr) ? convert(r.value.Get()) : failed;
}
}  // namespace

CDisp CDisp::Obj(const std::wstring& member, std::vector<CSimVariant> args) const {
  CCallResult r = TryGet(member, std::move(args));
  EXPECT_EQ(S_OK, r.hr) << Narrow(member) << " " << Narrow(r.error);
  return CDisp(r.value);
}

long CDisp::Long(const std::wstring& member, std::vector<CSimVariant> args) const {
  return Checked(TryGet(member, std::move(args)), member, kalsim::ToLong, -123456L);
}

double CDisp::Double(const std::wstring& member) const {
  return Checked(TryGet(member), member, kalsim::ToDouble, -123456.0);
}

bool CDisp::Bool(const std::wstring& member) const { return Checked(TryGet(member), member, kalsim::ToBool, false); }

std::wstring CDisp::Str(const std::wstring& member) const {
  return Checked(TryGet(member), member, kalsim::ToString, std::wstring(L"<failed>"));
}

void CDisp::Put(const std::wstring& member, CSimVariant value) const {
  CCallResult r = TryPut(member, std::move(value));
  EXPECT_EQ(S_OK, r.hr) << "put " << Narrow(member) << " " << Narrow(r.error);
}

CSimVariant CDisp::Call(const std::wstring& member, std::vector<CSimVariant> args, std::vector<std::wstring> named) const {
  CCallResult r = TryCall(member, std::move(args), std::move(named));
  EXPECT_EQ(S_OK, r.hr) << "call " << Narrow(member) << " " << Narrow(r.error);
  return r.value;
}

}  // namespace simtest
