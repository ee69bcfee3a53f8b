// Small owning types for BSTR, VARIANT and kernel handles, and the HRESULT helpers that the COM
// plumbing and the add-ins use to return or convert failures. The helpers write no trace lines:
// every trace line of the add-ins is chosen by the caller.
#pragma once
#include <windows.h>
#include <oleauto.h>

#include <string>
#include <utility>

namespace kal {

// Owns one BSTR (SysFreeString on destruction).
class CBstr {
 public:
  CBstr() noexcept = default;
  explicit CBstr(const wchar_t* text) : m_bstr(text ? ::SysAllocString(text) : nullptr) {}
  explicit CBstr(const std::wstring& text)
      : m_bstr(::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {}
  CBstr(const CBstr& other)
      : m_bstr(other.m_bstr ? ::SysAllocStringLen(other.m_bstr, other.Length()) : nullptr) {}
  CBstr(CBstr&& other) noexcept : m_bstr(other.Detach()) {}
  CBstr& operator=(CBstr other) noexcept {
    std::swap(m_bstr, other.m_bstr);
    return *this;
  }
  ~CBstr() { Reset(); }

  // Takes ownership of an existing BSTR.
  static CBstr Attach(BSTR owned) noexcept {
    CBstr b;
    b.m_bstr = owned;
    return b;
  }
  BSTR Get() const noexcept { return m_bstr; }
  // For out parameters: frees the current string and hands out the slot.
  BSTR* Put() noexcept {
    Reset();
    return &m_bstr;
  }
  BSTR Detach() noexcept { return std::exchange(m_bstr, nullptr); }
  void Reset() noexcept {
    if (m_bstr) ::SysFreeString(m_bstr);
    m_bstr = nullptr;
  }
  UINT Length() const noexcept { return m_bstr ? ::SysStringLen(m_bstr) : 0; }
  // Text up to the BSTR's own length (embedded NULs kept); empty for a null BSTR.
  std::wstring Str() const { return m_bstr ? std::wstring(m_bstr, Length()) : std::wstring(); }
  explicit operator bool() const noexcept { return m_bstr != nullptr; }

 private:
  BSTR m_bstr = nullptr;
};

// Owns one VARIANT (VariantClear on destruction). Layout-compatible with VARIANT so arrays of
// it can be handed to DISPPARAMS.
class CVariant {
 public:
  CVariant() noexcept { ::VariantInit(&m_var); }
  CVariant(const CVariant& other) {
    ::VariantInit(&m_var);
    ::VariantCopy(&m_var, const_cast<VARIANT*>(&other.m_var));
  }
  CVariant(CVariant&& other) noexcept {
    m_var = other.m_var;
    ::VariantInit(&other.m_var);
  }
  CVariant& operator=(CVariant other) noexcept {
    std::swap(m_var, other.m_var);
    return *this;
  }
  ~CVariant() { ::VariantClear(&m_var); }

  // Value constructors for the automation types the add-ins pass.
  CVariant(const VARIANT& copyFrom) {  // NOLINT: implicit on purpose, copies
    ::VariantInit(&m_var);
    ::VariantCopy(&m_var, const_cast<VARIANT*>(&copyFrom));
  }
  CVariant(bool value) noexcept : CVariant() {  // NOLINT
    m_var.vt = VT_BOOL;
    m_var.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
  }
  CVariant(int value) noexcept : CVariant() {  // NOLINT
    m_var.vt = VT_I4;
    m_var.lVal = value;
  }
  CVariant(long value) noexcept : CVariant() {  // NOLINT
    m_var.vt = VT_I4;
    m_var.lVal = value;
  }
  CVariant(float value) noexcept : CVariant() {  // NOLINT
    m_var.vt = VT_R4;
    m_var.fltVal = value;
  }
  CVariant(double value) noexcept : CVariant() {  // NOLINT
    m_var.vt = VT_R8;
    m_var.dblVal = value;
  }
  CVariant(const wchar_t* text) : CVariant() {  // NOLINT
    m_var.vt = VT_BSTR;
    m_var.bstrVal = ::SysAllocString(text ? text : L"");
  }
  CVariant(const std::wstring& text) : CVariant() {  // NOLINT
    m_var.vt = VT_BSTR;
    m_var.bstrVal = ::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
  }
  // Holds a counted reference to the object (VT_DISPATCH / VT_UNKNOWN).
  CVariant(IDispatch* object) noexcept : CVariant() {  // NOLINT
    m_var.vt = VT_DISPATCH;
    m_var.pdispVal = object;
    if (object) object->AddRef();
  }
  CVariant(IUnknown* object) noexcept : CVariant() {  // NOLINT
    m_var.vt = VT_UNKNOWN;
    m_var.punkVal = object;
    if (object) object->AddRef();
  }
  // VT_ERROR with the given code (DISP_E_PARAMNOTFOUND marks an omitted optional argument).
  static CVariant Error(SCODE code) noexcept {
    CVariant v;
    v.m_var.vt = VT_ERROR;
    v.m_var.scode = code;
    return v;
  }

  VARIANT* Get() noexcept { return &m_var; }
  const VARIANT* Get() const noexcept { return &m_var; }
  const VARIANT& Ref() const noexcept { return m_var; }
  // For out parameters: clears the current value and hands out the slot.
  VARIANT* Put() noexcept {
    ::VariantClear(&m_var);
    return &m_var;
  }
  VARTYPE Type() const noexcept { return m_var.vt; }
  void Clear() noexcept { ::VariantClear(&m_var); }
  // Moves the value out into a caller-owned VARIANT.
  void Detach(VARIANT* dest) noexcept {
    *dest = m_var;
    ::VariantInit(&m_var);
  }

  // Conversions that fail with an HRESULT instead of guessing (VariantChangeType rules).
  HRESULT ToInt(long* out) const noexcept;
  HRESULT ToFloat(float* out) const noexcept;
  HRESULT ToBool(bool* out) const noexcept;
  HRESULT ToString(std::wstring* out) const;
  // The object inside a VT_DISPATCH (by value or by reference); null otherwise. Not add-ref'd.
  IDispatch* PeekDispatch() const noexcept;

 private:
  VARIANT m_var;
};
static_assert(sizeof(CVariant) == sizeof(VARIANT), "CVariant must stay layout-compatible");

// Owns one kernel handle (CloseHandle); null and INVALID_HANDLE_VALUE count as empty.
class CHandle {
 public:
  CHandle() noexcept = default;
  explicit CHandle(HANDLE owned) noexcept : m_h(owned) {}
  CHandle(const CHandle&) = delete;
  CHandle& operator=(const CHandle&) = delete;
  CHandle(CHandle&& other) noexcept : m_h(other.Detach()) {}
  CHandle& operator=(CHandle&& other) noexcept {
    if (this != &other) Reset(other.Detach());
    return *this;
  }
  ~CHandle() { Reset(); }

  HANDLE Get() const noexcept { return m_h; }
  HANDLE Detach() noexcept { return std::exchange(m_h, nullptr); }
  void Reset(HANDLE owned = nullptr) noexcept {
    if (IsValid()) ::CloseHandle(m_h);
    m_h = owned;
  }
  bool IsValid() const noexcept { return m_h != nullptr && m_h != INVALID_HANDLE_VALUE; }
  explicit operator bool() const noexcept { return IsValid(); }

 private:
  HANDLE m_h = nullptr;
};

// Owns one registry key (RegCloseKey).
class CRegKey {
 public:
  CRegKey() noexcept = default;
  CRegKey(const CRegKey&) = delete;
  CRegKey& operator=(const CRegKey&) = delete;
  CRegKey(CRegKey&& other) noexcept : m_hKey(std::exchange(other.m_hKey, nullptr)) {}
  ~CRegKey() { Reset(); }
  HKEY Get() const noexcept { return m_hKey; }
  HKEY* Put() noexcept {
    Reset();
    return &m_hKey;
  }
  void Reset() noexcept {
    if (m_hKey) ::RegCloseKey(m_hKey);
    m_hKey = nullptr;
  }
  explicit operator bool() const noexcept { return m_hKey != nullptr; }

 private:
  HKEY m_hKey = nullptr;
};

// HRESULT of the calling thread's last Win32 error; E_FAIL when no error code was set.
inline HRESULT HResultFromLastError() noexcept {
  const DWORD error = ::GetLastError();
  return error == ERROR_SUCCESS ? E_FAIL : HRESULT_FROM_WIN32(error);
}
// HRESULT of a Win32 status code (LSTATUS of the registry functions).
inline HRESULT HResultFromWin32(LONG status) noexcept {
  return status == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(static_cast<DWORD>(status));
}

}  // namespace kal

// Early-return helpers (in the spirit of WIL's result macros). They only return; the caller
// decides what, if anything, to trace.
#define KAL_RETURN_IF_FAILED(expr)                   \
  do {                                               \
    const HRESULT kal_hr_ = (expr);                  \
    if (FAILED(kal_hr_)) return kal_hr_;             \
  } while (0)
#define KAL_RETURN_HR_IF(hr, condition)              \
  do {                                               \
    if (condition) return (hr);                      \
  } while (0)
#define KAL_RETURN_HR_IF_NULL(hr, pointer)           \
  do {                                               \
    if ((pointer) == nullptr) return (hr);           \
  } while (0)
#define KAL_RETURN_IF_WIN32_BOOL_FALSE(expr)         \
  do {                                               \
    if (!(expr)) return ::kal::HResultFromLastError(); \
  } while (0)
#define KAL_RETURN_IF_WIN32_ERROR(expr)              \
  do {                                               \
    const LONG kal_status_ = (expr);                 \
    if (kal_status_ != ERROR_SUCCESS)                \
      return ::kal::HResultFromWin32(kal_status_);   \
  } while (0)
// Ends a function-try-block or try-block at a COM boundary: no exception escapes.
#define KAL_CATCH_RETURN()                           \
  catch (...) {                                      \
    return ::kal::HResultFromCaughtException();      \
  }

namespace kal {
// The HRESULT of the exception being handled: the ComError's code, E_OUTOFMEMORY for bad_alloc,
// E_UNEXPECTED for anything else. Call only inside a catch block.
HRESULT HResultFromCaughtException() noexcept;
}  // namespace kal
