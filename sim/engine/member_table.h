// CSimMemberTable: the members of one simulated object kind, registered by name. Lookup is
// case-insensitive, as Office's is; DISPIDs are assigned in registration order from 1, and the
// default member (Item, Value) also answers DISPID_VALUE.
#pragma once
#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "sim/engine/sim_args.h"
#include "sim/engine/sim_variant.h"

namespace kalsim {

class CSimDispatch;

struct CSimMember {
  using Getter = std::function<CSimVariant(CSimDispatch&, const CSimArgs&)>;
  using Setter = std::function<void(CSimDispatch&, const CSimArgs&, const VARIANT&)>;
  std::wstring strName;
  DISPID id = DISPID_UNKNOWN;
  std::vector<std::wstring> params;  // parameter names, for named arguments
  Getter get;                        // property get (or method: see bMethod)
  Setter put;
  bool bMethod = false;
};

class CSimMemberTable {
 public:
  explicit CSimMemberTable(std::wstring kind) : m_strKind(std::move(kind)) {}
  const std::wstring& Kind() const { return m_strKind; }

  CSimMember& Add(const std::wstring& name);
  void SetDefault(const std::wstring& name);

  const CSimMember* Find(const std::wstring& name) const;
  const CSimMember* Find(DISPID id) const;

 private:
  std::wstring m_strKind;
  std::vector<std::unique_ptr<CSimMember>> m_members;
  DISPID m_idDefault = DISPID_UNKNOWN;
};

// Registers members of a concrete object type T with handlers written against T.
template <class T>
class CSimTableBuilder {
 public:
  explicit CSimTableBuilder(CSimMemberTable& table) : m_table(table) {}

  // Read-only or read-write property. G: CSimVariant(T&); S: void(T&, const VARIANT&).
  template <class G>
  CSimTableBuilder& Get(const std::wstring& name, G get) {
    m_table.Add(name).get = [get](CSimDispatch& self, const CSimArgs&) {
      return get(static_cast<T&>(self));
    };
    return *this;
  }
  template <class G, class S>
  CSimTableBuilder& Prop(const std::wstring& name, G get, S put) {
    CSimMember& m = m_table.Add(name);
    m.get = [get](CSimDispatch& self, const CSimArgs&) { return get(static_cast<T&>(self)); };
    m.put = [put](CSimDispatch& self, const CSimArgs&, const VARIANT& v) { put(static_cast<T&>(self), v); };
    return *this;
  }
  // Method (also callable as a parameterised property get). M: CSimVariant(T&, const CSimArgs&).
  template <class M>
  CSimTableBuilder& Method(const std::wstring& name, std::vector<std::wstring> params, M method) {
    CSimMember& m = m_table.Add(name);
    m.params = std::move(params);
    m.bMethod = true;
    m.get = [method](CSimDispatch& self, const CSimArgs& args) { return method(static_cast<T&>(self), args); };
    return *this;
  }
  CSimTableBuilder& Default(const std::wstring& name) {
    m_table.SetDefault(name);
    return *this;
  }

 private:
  CSimMemberTable& m_table;
};

}  // namespace kalsim
