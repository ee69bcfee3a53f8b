// Late-bound calls through IDispatch: name lookup, DISPPARAMS in the order COM expects, and
// failures turned into ComError carrying the HRESULT and the server's own description.
#include "core/automation.h"

#include <cwchar>

namespace kal {
namespace {

std::string Narrow(const std::wstring& text) {
  if (text.empty()) return std::string();
  const int bytes = ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()),
                                          nullptr, 0, nullptr, nullptr);
  if (bytes <= 0) return std::string();
  std::string out(static_cast<size_t>(bytes), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), &out[0], bytes,
                        nullptr, nullptr);
  return out;
}

// HRESULT and description of a DISP_E_EXCEPTION; the EXCEPINFO strings are freed here.
HRESULT TakeException(EXCEPINFO* info, std::wstring* text) {
  if (info->pfnDeferredFillIn) info->pfnDeferredFillIn(info);
  const CBstr source = CBstr::Attach(info->bstrSource);
  const CBstr description = CBstr::Attach(info->bstrDescription);
  const CBstr helpFile = CBstr::Attach(info->bstrHelpFile);
  info->bstrSource = info->bstrDescription = info->bstrHelpFile = nullptr;
  HRESULT hr = info->scode;
  if (!FAILED(hr)) {
    // A server that only filled wCode: the ITF range that wCode values map to.
    hr = info->wCode ? MAKE_HRESULT(SEVERITY_ERROR, FACILITY_ITF, 0x200 + info->wCode)
                     : DISP_E_EXCEPTION;
  }
  *text = description.Str();
  const size_t nul = text->find(L'\0');
  if (nul != std::wstring::npos) text->resize(nul);
  return hr;
}

}  // namespace

ComError::ComError(HRESULT hr, std::wstring description)
    : m_hr(hr), m_description(std::move(description)), m_message(MessageOfHResult(hr)) {
  m_what = Narrow(m_message);
}

std::wstring MessageOfHResult(HRESULT hr) {
  // The text of the usual COM error class (_com_error::ErrorMessage, Microsoft Learn: "Returns
  // the string message for the HRESULT ... If the HRESULT is a mapped 16-bit wCode, then a
  // generic message 'IDispatch error #<wCode>' is returned. If no message is found ... 'Unknown
  // error'"). _com_error::WCode: "If the HRESULT is within the range 0x80040200 to 0x8004FFFF,
  // the WCode method returns the HRESULT minus 0x80040200"; WCodeToHRESULT maps back.
  constexpr unsigned long kFirstDispatchCode = 0x80040200ul;
  constexpr unsigned long kLastDispatchCode = 0x8004FFFFul;
  wchar_t* buffer = nullptr;
  const DWORD length = ::FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, static_cast<DWORD>(hr), 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::wstring text;
  if (length && buffer) text.assign(buffer, length);
  if (buffer) ::LocalFree(buffer);
  // One trailing line break goes; the message's own final period stays.
  if (!text.empty() && text.back() == L'\n') {
    text.pop_back();
    if (!text.empty() && text.back() == L'\r') text.pop_back();
  }
  if (!text.empty()) return text;
  const unsigned long code = static_cast<unsigned long>(hr);
  wchar_t fallback[48];
  if (code >= kFirstDispatchCode && code <= kLastDispatchCode) {
    std::swprintf(fallback, 48, L"IDispatch error #%d", static_cast<int>(code - kFirstDispatchCode));
  } else {
    std::swprintf(fallback, 48, L"Unknown error 0x%0lX", code);
  }
  return fallback;
}

Dispatch::Dispatch(const CVariant& value) noexcept {
  if (IDispatch* object = value.PeekDispatch()) {
    m_p = object;
  } else if (value.Type() == VT_UNKNOWN && value.Ref().punkVal) {
    value.Ref().punkVal->QueryInterface(IID_PPV_ARGS(&m_p));
  }
}

Dispatch Dispatch::ToObject(const wchar_t* name, const CVariant& value) {
  Dispatch object(value);
  if (!object) {
    throw ComError(DISP_E_TYPEMISMATCH,
                   std::wstring(name ? name : L"") + L" did not return an object");
  }
  return object;
}

void Dispatch::Put(const wchar_t* name, const CVariant& value) const {
  std::vector<CArgument> args;
  args.emplace_back(value);
  Invoke(name, DISPATCH_PROPERTYPUT, std::move(args));
}

HRESULT Dispatch::TryPut(const wchar_t* name, const CVariant& value) const noexcept {
  try {
    std::vector<CArgument> args;
    args.emplace_back(value);
    return TryInvoke(name, DISPATCH_PROPERTYPUT, std::move(args), nullptr);
  } catch (...) {
    return E_OUTOFMEMORY;
  }
}

CVariant Dispatch::Invoke(const wchar_t* name, WORD flags, std::vector<CArgument> args) const {
  CVariant result;
  std::wstring description;
  const HRESULT hr = TryInvoke(name, flags, std::move(args), &result, &description);
  if (FAILED(hr)) throw ComError(hr, description);
  return result;
}

HRESULT Dispatch::TryInvoke(const wchar_t* name, WORD flags, std::vector<CArgument> args,
                            CVariant* result, std::wstring* description) const noexcept try {
  std::wstring ignored;
  std::wstring& text = description ? *description : ignored;
  text.clear();
  if (result) result->Clear();
  if (!m_p) {
    text = L"no object";
    return E_POINTER;
  }
  if (!name) return E_INVALIDARG;

  // Put: the value is the DISPID_PROPERTYPUT argument, the rest stay positional.
  const bool isPut = (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0;
  std::vector<const CArgument*> named;
  std::vector<const CArgument*> positional;
  const CArgument* putValue = nullptr;
  for (size_t i = 0; i < args.size(); ++i) {
    if (isPut && i + 1 == args.size() && !args[i].IsNamed()) {
      putValue = &args[i];
    } else if (args[i].IsNamed()) {
      named.push_back(&args[i]);
    } else {
      positional.push_back(&args[i]);
    }
  }

  // One GetIDsOfNames for the member and the names of its named arguments.
  std::vector<LPOLESTR> names;
  names.push_back(const_cast<LPOLESTR>(name));
  for (const CArgument* arg : named) names.push_back(const_cast<LPOLESTR>(arg->m_name.c_str()));
  std::vector<DISPID> ids(names.size(), DISPID_UNKNOWN);
  HRESULT hr = m_p->GetIDsOfNames(IID_NULL, names.data(), static_cast<UINT>(names.size()),
                                  LOCALE_USER_DEFAULT, ids.data());
  if (FAILED(hr)) {
    text = std::wstring(L"unknown name ") + name;
    return hr;
  }

  // rgvarg: named arguments first (the put value leading), then the positional ones reversed.
  std::vector<VARIANT> rgvarg;
  std::vector<DISPID> namedIds;
  if (putValue) {
    rgvarg.push_back(*putValue->m_value.Get());
    namedIds.push_back(DISPID_PROPERTYPUT);
  }
  for (size_t i = 0; i < named.size(); ++i) {
    rgvarg.push_back(*named[i]->m_value.Get());
    namedIds.push_back(ids[i + 1]);
  }
  for (auto it = positional.rbegin(); it != positional.rend(); ++it) {
    rgvarg.push_back(*(*it)->m_value.Get());
  }
  // The VARIANTs are shallow copies of values still owned by args: the callee only reads them.
  DISPPARAMS params = {};
  params.rgvarg = rgvarg.empty() ? nullptr : rgvarg.data();
  params.cArgs = static_cast<UINT>(rgvarg.size());
  params.rgdispidNamedArgs = namedIds.empty() ? nullptr : namedIds.data();
  params.cNamedArgs = static_cast<UINT>(namedIds.size());

  EXCEPINFO excep = {};
  UINT argErr = 0;
  CVariant local;
  VARIANT* out = isPut ? nullptr : (result ? result->Put() : local.Put());
  hr = m_p->Invoke(ids[0], IID_NULL, LOCALE_USER_DEFAULT, flags, &params, out, &excep, &argErr);
  if (hr == DISP_E_EXCEPTION) hr = TakeException(&excep, &text);
  return hr;
} catch (...) {
  return E_OUTOFMEMORY;
}

}  // namespace kal
