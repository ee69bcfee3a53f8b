// Case-insensitive member registry of a simulated object kind.
#include "sim/engine/member_table.h"

namespace kalsim {

static bool SameName(const std::wstring& a, const std::wstring& b) {
  return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()),
                              TRUE) == CSTR_EQUAL;
}

CSimMember& CSimMemberTable::Add(const std::wstring& name) {
  auto m = std::make_unique<CSimMember>();
  m->strName = name;
  m->id = static_cast<DISPID>(m_members.size() + 1);
  m_members.push_back(std::move(m));
  return *m_members.back();
}

void CSimMemberTable::SetDefault(const std::wstring& name) {
  const CSimMember* m = Find(name);
  m_idDefault = m ? m->id : DISPID_UNKNOWN;
}

const CSimMember* CSimMemberTable::Find(const std::wstring& name) const {
  for (const auto& m : m_members)
    if (SameName(m->strName, name)) return m.get();
  return nullptr;
}

const CSimMember* CSimMemberTable::Find(DISPID id) const {
  if (id == DISPID_VALUE) id = m_idDefault;
  if (id < 1 || static_cast<size_t>(id) > m_members.size()) return nullptr;
  return m_members[id - 1].get();
}

}  // namespace kalsim
