// CSimVariant and the Automation coercions used by every simulated member.
#include "sim/engine/sim_variant.h"

#include "sim/engine/sim_error.h"

namespace kalsim {

void ThrowBadIndex() { throw CSimError(DISP_E_BADINDEX); }

void ThrowOffice(unsigned number, const std::wstring& message) {
  throw CSimError(OfficeErrorCode(number), message);
}

CSimVariant::CSimVariant(const CSimVariant& other) {
  VariantInit(&m_var);
  if (FAILED(VariantCopy(&m_var, const_cast<VARIANT*>(&other.m_var)))) throw CSimError(E_OUTOFMEMORY);
}

CSimVariant::CSimVariant(CSimVariant&& other) noexcept {
  m_var = other.m_var;
  VariantInit(&other.m_var);
}

CSimVariant& CSimVariant::operator=(CSimVariant other) noexcept {
  VARIANT tmp = m_var;
  m_var = other.m_var;
  other.m_var = tmp;
  return *this;
}

CSimVariant CSimVariant::Copy(const VARIANT& value) {
  CSimVariant v;
  if (FAILED(VariantCopyInd(&v.m_var, const_cast<VARIANT*>(&value)))) throw CSimError(DISP_E_TYPEMISMATCH);
  return v;
}

CSimVariant CSimVariant::Int(long value) {
  CSimVariant v;
  v.m_var.vt = VT_I4;
  v.m_var.lVal = value;
  return v;
}

CSimVariant CSimVariant::Short(short value) {
  CSimVariant v;
  v.m_var.vt = VT_I2;
  v.m_var.iVal = value;
  return v;
}

CSimVariant CSimVariant::Float(float value) {
  CSimVariant v;
  v.m_var.vt = VT_R4;
  v.m_var.fltVal = value;
  return v;
}

CSimVariant CSimVariant::Double(double value) {
  CSimVariant v;
  v.m_var.vt = VT_R8;
  v.m_var.dblVal = value;
  return v;
}

CSimVariant CSimVariant::Bool(bool value) {
  CSimVariant v;
  v.m_var.vt = VT_BOOL;
  v.m_var.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
  return v;
}

CSimVariant CSimVariant::Str(const std::wstring& value) {
  CSimVariant v;
  BSTR b = SysAllocStringLen(value.data(), static_cast<UINT>(value.size()));
  if (!b) throw CSimError(E_OUTOFMEMORY);
  v.m_var.vt = VT_BSTR;
  v.m_var.bstrVal = b;
  return v;
}

CSimVariant CSimVariant::Disp(IDispatch* value) {
  CSimVariant v;
  v.m_var.vt = VT_DISPATCH;
  v.m_var.pdispVal = value;
  if (value) value->AddRef();
  return v;
}

CSimVariant CSimVariant::Missing() {
  CSimVariant v;
  v.m_var.vt = VT_ERROR;
  v.m_var.scode = DISP_E_PARAMNOTFOUND;
  return v;
}

void CSimVariant::Detach(VARIANT* out) {
  *out = m_var;
  VariantInit(&m_var);
}

bool IsMissing(const VARIANT* value) {
  if (!value) return true;
  const VARIANT* v = value;
  if (v->vt == (VT_VARIANT | VT_BYREF)) {
    v = v->pvarVal;
    if (!v) return true;
  }
  return v->vt == VT_ERROR && v->scode == DISP_E_PARAMNOTFOUND;
}

namespace {
CSimVariant ChangeType(const VARIANT& value, VARTYPE type) {
  CSimVariant src = CSimVariant::Copy(value);
  CSimVariant dst;
  HRESULT hr = VariantChangeType(dst.Ptr(), src.Ptr(), VARIANT_ALPHABOOL, type);
  if (FAILED(hr)) throw CSimError(DISP_E_TYPEMISMATCH);
  return dst;
}
}  // namespace

long ToLong(const VARIANT& value) { return ChangeType(value, VT_I4).Get().lVal; }

double ToDouble(const VARIANT& value) { return ChangeType(value, VT_R8).Get().dblVal; }

bool ToBool(const VARIANT& value) { return ChangeType(value, VT_BOOL).Get().boolVal != VARIANT_FALSE; }

std::wstring ToString(const VARIANT& value) {
  CSimVariant s = ChangeType(value, VT_BSTR);
  BSTR b = s.Get().bstrVal;
  return b ? std::wstring(b, SysStringLen(b)) : std::wstring();
}

Microsoft::WRL::ComPtr<IDispatch> ToDispatch(const VARIANT& value) {
  CSimVariant v = CSimVariant::Copy(value);
  Microsoft::WRL::ComPtr<IDispatch> out;
  if (v.Type() == VT_DISPATCH) {
    out = v.Get().pdispVal;
  } else if (v.Type() == VT_UNKNOWN && v.Get().punkVal) {
    if (FAILED(v.Get().punkVal->QueryInterface(IID_PPV_ARGS(&out)))) throw CSimError(DISP_E_TYPEMISMATCH);
  } else if (v.Type() != VT_EMPTY && v.Type() != VT_NULL) {
    throw CSimError(DISP_E_TYPEMISMATCH);
  }
  return out;
}

}  // namespace kalsim
