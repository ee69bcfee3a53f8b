// The one automation helper for every late-bound Office call. kal::Dispatch reaches members by
// name through IDispatch with positional, named (kal::Named) and omitted (kal::Missing)
// arguments. Get/Put/Call throw kal::ComError on failure (the HRESULT, from EXCEPINFO's scode
// for DISP_E_EXCEPTION, with the system's text for it); TryGet/TryPut/TryCall return the
// HRESULT for calls whose failure is an expected outcome.
#pragma once
#include <windows.h>
#include <oaidl.h>
#include <wrl/client.h>

#include <exception>
#include <string>
#include <utility>
#include <vector>

#include "core/com_util.h"

namespace kal {

// A failed COM or automation call: the HRESULT, and the server's own description when it gave
// one in EXCEPINFO.
class ComError : public std::exception {
 public:
  explicit ComError(HRESULT hr, std::wstring description = std::wstring());
  HRESULT Error() const noexcept { return m_hr; }
  // The text for trace lines: MessageOfHResult(Error()). The server's description is not
  // part of it, so every failure of one HRESULT reads the same in the trace.
  const wchar_t* Message() const noexcept { return m_message.c_str(); }
  // EXCEPINFO's description (or the caller's explanation); may be empty.
  const std::wstring& Description() const noexcept { return m_description; }
  const char* what() const noexcept override { return m_what.c_str(); }

 private:
  HRESULT m_hr;
  std::wstring m_description;
  std::wstring m_message;
  std::string m_what;
};

// The message text of an HRESULT as the COM error class gives it: the system's message
// (FormatMessage) with its trailing line break removed (the final period stays); else, for a
// dispatch error code 0x80040200..0x8004FFFF, "IDispatch error #<code - 0x80040200>"; else
// "Unknown error 0x<hr in upper-case hex>".
std::wstring MessageOfHResult(HRESULT hr);

// One argument of an automation call: positional, or named for an optional parameter.
struct CArgument {
  CArgument(CVariant value) : m_value(std::move(value)) {}  // NOLINT: implicit on purpose
  CArgument(std::wstring name, CVariant value) : m_name(std::move(name)), m_value(std::move(value)) {}
  bool IsNamed() const noexcept { return !m_name.empty(); }
  std::wstring m_name;
  CVariant m_value;
};

// A named argument: kal::Named(L"Password", L"secret").
inline CArgument Named(const wchar_t* name, CVariant value) {
  return CArgument(name, std::move(value));
}
// An omitted optional argument: VT_ERROR with DISP_E_PARAMNOTFOUND.
inline CVariant Missing() { return CVariant::Error(DISP_E_PARAMNOTFOUND); }

class Dispatch {
 public:
  Dispatch() noexcept = default;
  Dispatch(IDispatch* object) noexcept : m_p(object) {}  // NOLINT: add-refs, implicit on purpose
  explicit Dispatch(Microsoft::WRL::ComPtr<IDispatch> object) noexcept : m_p(std::move(object)) {}
  // The object held by a VT_DISPATCH (or VT_UNKNOWN answering IDispatch) variant; empty for
  // any other value.
  explicit Dispatch(const CVariant& value) noexcept;

  IDispatch* Get() const noexcept { return m_p.Get(); }
  explicit operator bool() const noexcept { return m_p != nullptr; }
  void Reset() noexcept { m_p.Reset(); }

  // Property get (DISPATCH_PROPERTYGET) with optional arguments.
  template <class... A>
  CVariant Get(const wchar_t* name, A&&... args) const {
    return Invoke(name, DISPATCH_PROPERTYGET, MakeArgs(std::forward<A>(args)...));
  }
  // The object returned by a property get; ComError when it is not an object.
  template <class... A>
  Dispatch GetObj(const wchar_t* name, A&&... args) const {
    return ToObject(name, Get(name, std::forward<A>(args)...));
  }
  // Property put (DISPATCH_PROPERTYPUT, the value named DISPID_PROPERTYPUT).
  void Put(const wchar_t* name, const CVariant& value) const;
  // Method call (DISPATCH_METHOD | DISPATCH_PROPERTYGET, as late-bound callers do).
  template <class... A>
  CVariant Call(const wchar_t* name, A&&... args) const {
    return Invoke(name, DISPATCH_METHOD | DISPATCH_PROPERTYGET,
                  MakeArgs(std::forward<A>(args)...));
  }
  template <class... A>
  Dispatch CallObj(const wchar_t* name, A&&... args) const {
    return ToObject(name, Call(name, std::forward<A>(args)...));
  }

  // The same calls returning the HRESULT; result may be null. Never throw for COM failures.
  template <class... A>
  HRESULT TryGet(const wchar_t* name, CVariant* result, A&&... args) const noexcept {
    try {
      return TryInvoke(name, DISPATCH_PROPERTYGET, MakeArgs(std::forward<A>(args)...), result);
    } catch (...) {
      return E_OUTOFMEMORY;  // only building the argument list can throw
    }
  }
  HRESULT TryPut(const wchar_t* name, const CVariant& value) const noexcept;
  template <class... A>
  HRESULT TryCall(const wchar_t* name, CVariant* result, A&&... args) const noexcept {
    try {
      return TryInvoke(name, DISPATCH_METHOD | DISPATCH_PROPERTYGET,
                       MakeArgs(std::forward<A>(args)...), result);
    } catch (...) {
      return E_OUTOFMEMORY;
    }
  }

  // The general form: any flags, arguments in natural order. Throws ComError.
  CVariant Invoke(const wchar_t* name, WORD flags, std::vector<CArgument> args) const;
  // The general form returning the HRESULT; description (optional) receives EXCEPINFO's
  // description, or what went wrong before the call; empty when there is none.
  HRESULT TryInvoke(const wchar_t* name, WORD flags, std::vector<CArgument> args,
                    CVariant* result, std::wstring* description = nullptr) const noexcept;

 private:
  template <class... A>
  static std::vector<CArgument> MakeArgs(A&&... args) {
    std::vector<CArgument> list;
    list.reserve(sizeof...(A));
    (list.emplace_back(CArgument(std::forward<A>(args))), ...);
    return list;
  }
  static Dispatch ToObject(const wchar_t* name, const CVariant& value);

  Microsoft::WRL::ComPtr<IDispatch> m_p;
};

}  // namespace kal
