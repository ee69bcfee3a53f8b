// CSimArgs: the arguments of one Invoke in their natural (declared) order. DISPPARAMS carries
// named arguments first and positional arguments reversed; this class undoes both, so member
// handlers read argument i of their parameter list whatever way the caller passed it.
#pragma once
#include <windows.h>
#include <oaidl.h>
#include <wrl/client.h>

#include <string>
#include <vector>

namespace kalsim {

class CSimArgs {
 public:
  CSimArgs() = default;
  // `skipNamed` is the number of leading named arguments that are not parameters (the
  // DISPID_PROPERTYPUT value of a property put). Throws CSimError on a bad named DISPID.
  CSimArgs(const DISPPARAMS& params, size_t declaredCount, size_t skipNamed = 0);
  // Arguments built in code (natural order).
  explicit CSimArgs(std::vector<const VARIANT*> values) : m_values(std::move(values)) {}

  size_t Count() const { return m_values.size(); }
  bool Has(size_t index) const;
  const VARIANT* Raw(size_t index) const;

  // Required arguments: throw DISP_E_PARAMNOTFOUND when missing, DISP_E_TYPEMISMATCH when
  // the value does not convert (with the argument's index).
  long Int(size_t index) const;
  double Double(size_t index) const;
  bool Bool(size_t index) const;
  std::wstring Str(size_t index) const;
  Microsoft::WRL::ComPtr<IDispatch> Disp(size_t index) const;

  // Optional arguments with a default.
  long Int(size_t index, long fallback) const { return Has(index) ? Int(index) : fallback; }
  double Double(size_t index, double fallback) const { return Has(index) ? Double(index) : fallback; }
  bool Bool(size_t index, bool fallback) const { return Has(index) ? Bool(index) : fallback; }
  std::wstring Str(size_t index, const std::wstring& fallback) const {
    return Has(index) ? Str(index) : fallback;
  }

 private:
  const VARIANT& Required(size_t index) const;
  std::vector<const VARIANT*> m_values;
};

}  // namespace kalsim
