// Reader of Office custom UI XML as add-ins return it from GetCustomUI: the commands whose
// idMso state the add-in overrides (<commands><command idMso="..." enabled="false"/>). A small,
// strict XML reader: a document Office would reject (malformed, wrong root or namespace)
// yields valid = false and no commands.
#pragma once
#include <string>
#include <vector>

namespace kalsim {

struct CCustomUiCommand {
  std::wstring idMso;
  bool enabled = true;
};

struct CCustomUi {
  bool valid = false;
  std::wstring error;
  std::wstring ns;  // the root's namespace
  std::vector<CCustomUiCommand> commands;
};

// Namespaces Office accepts for custom UI (2006/01 and 2009/07).
CCustomUi ParseCustomUi(const std::wstring& xml);

}  // namespace kalsim
