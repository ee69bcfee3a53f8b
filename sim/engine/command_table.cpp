// Ribbon command table of the simulator hosts.
#include "sim/engine/command_table.h"

#include <algorithm>

#include "sim/engine/custom_ui.h"

namespace kalsim {

CSimCommandTable::CSimCommandTable(const std::vector<std::wstring>& idMsos) {
  for (const auto& id : idMsos) m_commands.push_back(CSimCommand{id});
}

void CSimCommandTable::ApplyCustomUi(const std::wstring& xml) {
  const CCustomUi ui = ParseCustomUi(xml);
  if (!ui.valid) return;  // Office ignores custom UI it cannot load
  for (const auto& c : ui.commands) {
    auto it = std::find_if(m_commands.begin(), m_commands.end(), [&](const CSimCommand& r) { return r.idMso == c.idMso; });
    if (it == m_commands.end()) {
      m_commands.push_back(CSimCommand{c.idMso, c.enabled});
    } else {
      it->enabled = c.enabled;
    }
  }
}

const CSimCommand* CSimCommandTable::Find(const std::wstring& idMso) const {
  for (const auto& c : m_commands)
    if (c.idMso == idMso) return &c;
  return nullptr;
}

bool CSimCommandTable::Click(const std::wstring& idMso) {
  auto it = std::find_if(m_commands.begin(), m_commands.end(), [&](const CSimCommand& r) { return r.idMso == idMso; });
  if (it == m_commands.end()) return false;
  if (!it->enabled) {
    ++it->refused;
    return false;
  }
  ++it->executed;
  return true;
}

}  // namespace kalsim
