// CSimVariant: an owning VARIANT with the constructors and coercions the simulated object
// models use. Coercion follows OLE Automation (VariantChangeType), as Office's own does.
#pragma once
#include <windows.h>
#include <oaidl.h>
#include <wrl/client.h>

#include <string>

namespace kalsim {

class CSimVariant {
 public:
  CSimVariant() { VariantInit(&m_var); }
  CSimVariant(const CSimVariant& other);
  CSimVariant(CSimVariant&& other) noexcept;
  CSimVariant& operator=(CSimVariant other) noexcept;
  ~CSimVariant() { VariantClear(&m_var); }

  // Copies a borrowed VARIANT (deep copy, byref values dereferenced).
  static CSimVariant Copy(const VARIANT& value);
  static CSimVariant Empty() { return CSimVariant(); }
  static CSimVariant Int(long value);
  static CSimVariant Short(short value);
  static CSimVariant Float(float value);
  static CSimVariant Double(double value);
  static CSimVariant Bool(bool value);
  static CSimVariant Str(const std::wstring& value);
  static CSimVariant Disp(IDispatch* value);  // AddRefs
  static CSimVariant Missing();               // VT_ERROR / DISP_E_PARAMNOTFOUND

  const VARIANT& Get() const { return m_var; }
  VARIANT* Ptr() { return &m_var; }
  VARTYPE Type() const { return m_var.vt; }
  // Moves the value out into a caller-owned VARIANT (which must be initialised/cleared).
  void Detach(VARIANT* out);

 private:
  VARIANT m_var;
};

// True for an omitted optional argument: VT_ERROR with DISP_E_PARAMNOTFOUND (or VT_EMPTY
// passed by reference to nothing).
bool IsMissing(const VARIANT* value);

// Coercions; each throws CSimError(DISP_E_TYPEMISMATCH) when the value does not convert.
long ToLong(const VARIANT& value);
double ToDouble(const VARIANT& value);
bool ToBool(const VARIANT& value);
std::wstring ToString(const VARIANT& value);
Microsoft::WRL::ComPtr<IDispatch> ToDispatch(const VARIANT& value);

}  // namespace kalsim
