// Small HRESULT-returning helpers over kal::Dispatch for the Office operations whose failures
// are traced one by one (Word, PowerPoint): read an object-valued member into a Dispatch, read
// scalars, and build the 16-bit integer variants some Word methods are given.
#pragma once
#include <string>
#include <utility>

#include "core/automation.h"

namespace kal {

// The object a property get returns; E_NOINTERFACE when the value is not an object.
inline HRESULT TryGetObj(const Dispatch& from, const wchar_t* name, Dispatch* out) noexcept {
  CVariant value;
  HRESULT hr = from.TryGet(name, &value);
  if (FAILED(hr)) return hr;
  *out = Dispatch(value);
  return *out ? S_OK : E_NOINTERFACE;
}

// The object a method (or indexed property) returns.
template <class... A>
HRESULT TryCallObj(const Dispatch& from, const wchar_t* name, Dispatch* out, A&&... args) noexcept {
  CVariant value;
  HRESULT hr = from.TryCall(name, &value, std::forward<A>(args)...);
  if (FAILED(hr)) return hr;
  *out = Dispatch(value);
  return *out ? S_OK : E_NOINTERFACE;
}

inline HRESULT TryGetLong(const Dispatch& from, const wchar_t* name, long* out) noexcept {
  CVariant value;
  HRESULT hr = from.TryGet(name, &value);
  return FAILED(hr) ? hr : value.ToInt(out);
}

inline HRESULT TryGetBool(const Dispatch& from, const wchar_t* name, bool* out) noexcept {
  CVariant value;
  HRESULT hr = from.TryGet(name, &value);
  return FAILED(hr) ? hr : value.ToBool(out);
}

inline HRESULT TryGetDouble(const Dispatch& from, const wchar_t* name, double* out) noexcept {
  CVariant value;
  HRESULT hr = from.TryGet(name, &value);
  if (FAILED(hr)) return hr;
  VARIANT converted;
  ::VariantInit(&converted);
  hr = ::VariantChangeType(&converted, const_cast<VARIANT*>(value.Get()), 0, VT_R8);
  if (SUCCEEDED(hr)) *out = converted.dblVal;
  return hr;
}

inline HRESULT TryGetString(const Dispatch& from, const wchar_t* name, std::wstring* out) noexcept {
  try {
    CVariant value;
    HRESULT hr = from.TryGet(name, &value);
    return FAILED(hr) ? hr : value.ToString(out);
  } catch (...) {
    return E_OUTOFMEMORY;
  }
}

// A VT_I2 variant, for Word methods whose arguments are 16-bit integers.
inline CVariant ShortVariant(short value) noexcept {
  CVariant v;
  VARIANT* raw = v.Put();
  raw->vt = VT_I2;
  raw->iVal = value;
  return v;
}

}  // namespace kal
