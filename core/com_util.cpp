// Conversions of the owning VARIANT and the exception-to-HRESULT mapping used at COM boundaries.
#include "core/com_util.h"

#include <new>

#include "core/automation.h"

namespace kal {

HRESULT CVariant::ToInt(long* out) const noexcept {
  if (!out) return E_POINTER;
  VARIANT converted;
  ::VariantInit(&converted);
  const HRESULT hr = ::VariantChangeType(&converted, const_cast<VARIANT*>(&m_var), 0, VT_I4);
  if (SUCCEEDED(hr)) *out = converted.lVal;
  ::VariantClear(&converted);
  return hr;
}

HRESULT CVariant::ToFloat(float* out) const noexcept {
  if (!out) return E_POINTER;
  VARIANT converted;
  ::VariantInit(&converted);
  const HRESULT hr = ::VariantChangeType(&converted, const_cast<VARIANT*>(&m_var), 0, VT_R4);
  if (SUCCEEDED(hr)) *out = converted.fltVal;
  ::VariantClear(&converted);
  return hr;
}

HRESULT CVariant::ToBool(bool* out) const noexcept {
  if (!out) return E_POINTER;
  VARIANT converted;
  ::VariantInit(&converted);
  const HRESULT hr = ::VariantChangeType(&converted, const_cast<VARIANT*>(&m_var), 0, VT_BOOL);
  if (SUCCEEDED(hr)) *out = converted.boolVal != VARIANT_FALSE;
  ::VariantClear(&converted);
  return hr;
}

HRESULT CVariant::ToString(std::wstring* out) const {
  if (!out) return E_POINTER;
  VARIANT converted;
  ::VariantInit(&converted);
  const HRESULT hr = ::VariantChangeType(&converted, const_cast<VARIANT*>(&m_var), 0, VT_BSTR);
  if (SUCCEEDED(hr)) {
    const CBstr text = CBstr::Attach(converted.bstrVal);
    *out = text.Str();
  } else {
    ::VariantClear(&converted);
  }
  return hr;
}

IDispatch* CVariant::PeekDispatch() const noexcept {
  if (m_var.vt == VT_DISPATCH) return m_var.pdispVal;
  if (m_var.vt == (VT_DISPATCH | VT_BYREF) && m_var.ppdispVal) return *m_var.ppdispVal;
  return nullptr;
}

HRESULT HResultFromCaughtException() noexcept {
  try {
    throw;
  } catch (const ComError& error) {
    return FAILED(error.Error()) ? error.Error() : E_FAIL;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

}  // namespace kal
