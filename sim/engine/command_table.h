// CSimCommandTable: a host's ribbon commands by idMso, with the states that add-ins' custom UI
// XML sets (<command idMso="..." enabled="false"/>) and the clicks that ran or were refused.
#pragma once
#include <string>
#include <vector>

namespace kalsim {

struct CSimCommand {
  std::wstring idMso;
  bool enabled = true;
  long executed = 0;
  long refused = 0;
};

class CSimCommandTable {
 public:
  explicit CSimCommandTable(const std::vector<std::wstring>& idMsos);

  // Applies the command states of custom UI XML; XML Office would reject changes nothing.
  void ApplyCustomUi(const std::wstring& xml);
  const CSimCommand* Find(const std::wstring& idMso) const;
  // A click: true (counted as executed) when the command exists and is enabled; false (and
  // counted as refused when it exists) otherwise.
  bool Click(const std::wstring& idMso);
  const std::vector<CSimCommand>& Commands() const { return m_commands; }

 private:
  std::vector<CSimCommand> m_commands;
};

}  // namespace kalsim
