// Argument unpacking of DISPPARAMS (named first, positional reversed) and typed access.
#include "sim/engine/sim_args.h"

#include <algorithm>

#include "sim/engine/sim_error.h"
#include "sim/engine/sim_variant.h"

namespace kalsim {

CSimArgs::CSimArgs(const DISPPARAMS& params, size_t declaredCount, size_t skipNamed) {
  const size_t total = params.cArgs;
  const size_t named = params.cNamedArgs;
  if (named > total || skipNamed > named || (total > 0 && !params.rgvarg) ||
      (named > 0 && !params.rgdispidNamedArgs)) {
    throw CSimError(E_INVALIDARG);
  }
  const size_t positional = total - named;
  m_values.assign(std::max(declaredCount, positional), nullptr);
  // rgvarg[total-1] is the first positional argument.
  for (size_t i = 0; i < positional; ++i) m_values[i] = &params.rgvarg[total - 1 - i];
  for (size_t k = skipNamed; k < named; ++k) {
    DISPID id = params.rgdispidNamedArgs[k];
    if (id < 0 || static_cast<size_t>(id) >= declaredCount) throw CSimError(DISP_E_PARAMNOTFOUND);
    if (static_cast<size_t>(id) < positional || m_values[id]) {
      // The same parameter given twice.
      throw CSimError(DISP_E_BADPARAMCOUNT);
    }
    m_values[id] = &params.rgvarg[k];
  }
}

bool CSimArgs::Has(size_t index) const { return index < m_values.size() && !IsMissing(m_values[index]); }

const VARIANT* CSimArgs::Raw(size_t index) const { return Has(index) ? m_values[index] : nullptr; }

const VARIANT& CSimArgs::Required(size_t index) const {
  if (!Has(index)) throw CSimError(DISP_E_PARAMNOTFOUND).WithArg(static_cast<int>(index));
  return *m_values[index];
}

template <class F>
static auto Convert(const VARIANT& v, size_t index, F f) -> decltype(f(v)) {
  try {
    return f(v);
  } catch (CSimError& e) {
    throw e.WithArg(static_cast<int>(index));
  }
}

long CSimArgs::Int(size_t index) const { return Convert(Required(index), index, ToLong); }
double CSimArgs::Double(size_t index) const { return Convert(Required(index), index, ToDouble); }
bool CSimArgs::Bool(size_t index) const { return Convert(Required(index), index, ToBool); }
std::wstring CSimArgs::Str(size_t index) const { return Convert(Required(index), index, ToString); }
Microsoft::WRL::ComPtr<IDispatch> CSimArgs::Disp(size_t index) const {
  return Convert(Required(index), index, ToDispatch);
}

}  // namespace kalsim
