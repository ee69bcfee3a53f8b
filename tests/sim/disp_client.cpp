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
  const size_t positional = args.size() - named.size();
  std::vector<VARIANT> rgvarg;
  std::vector<DISPID> namedIds;
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
  UINT argErr = 0;
  r.hr = m_p->Invoke(ids[0], IID_NULL, 0, flags, &dp, &result, &ex, &argErr);
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
  CCallResult r;
  LPOLESTR name = const_cast<LPOLESTR>(member.c_str());
  DISPID id = DISPID_UNKNOWN;
  r.hr = m_p ? m_p->GetIDsOfNames(IID_NULL, &name, 1, 0, &id) : E_POINTER;
  if (FAILED(r.hr)) return r;
  DISPID put = DISPID_PROPERTYPUT;
  VARIANT arg = value.Get();
  DISPPARAMS dp{&arg, &put, 1, 1};
  EXCEPINFO ex{};
  r.hr = m_p->Invoke(id, IID_NULL, 0, DISPATCH_PROPERTYPUT, &dp, nullptr, &ex, nullptr);
  if (r.hr == DISP_E_EXCEPTION) {
    r.scode = ex.scode;
    if (ex.bstrDescription) r.error = ex.bstrDescription;
  }
  SysFreeString(ex.bstrDescription);
  SysFreeString(ex.bstrSource);
  SysFreeString(ex.bstrHelpFile);
  return r;
}

static std::string Narrow(const std::wstring& s) { return std::string(s.begin(), s.end()); }

CDisp CDisp::Obj(const std::wstring& member, std::vector<CSimVariant> args) const {
  CCallResult r = TryGet(member, std::move(args));
  EXPECT_EQ(S_OK, r.hr) << Narrow(member) << " " << Narrow(r.error);
  return CDisp(r.value);
}

long CDisp::Long(const std::wstring& member, std::vector<CSimVariant> args) const {
  CCallResult r = TryGet(member, std::move(args));
  EXPECT_EQ(S_OK, r.hr) << Narrow(member);
  return SUCCEEDED(r.hr) ? kalsim::ToLong(r.value.Get()) : -123456;
}

double CDisp::Double(const std::wstring& member) const {
  CCallResult r = TryGet(member);
  EXPECT_EQ(S_OK, r.hr) << Narrow(member);
  return SUCCEEDED(r.hr) ? kalsim::ToDouble(r.value.Get()) : -123456.0;
}

bool CDisp::Bool(const std::wstring& member) const {
  CCallResult r = TryGet(member);
  EXPECT_EQ(S_OK, r.hr) << Narrow(member);
  return SUCCEEDED(r.hr) && kalsim::ToBool(r.value.Get());
}

std::wstring CDisp::Str(const std::wstring& member) const {
  CCallResult r = TryGet(member);
  EXPECT_EQ(S_OK, r.hr) << Narrow(member);
  return SUCCEEDED(r.hr) ? kalsim::ToString(r.value.Get()) : L"<failed>";
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
