// Lookup in a class table.
#include "core/com/class_table.h"

namespace kal {

const CClassEntry* FindClassEntry(const CClassTable& table, REFCLSID clsid) noexcept {
  for (size_t i = 0; i < table.count; ++i) {
    if (::IsEqualCLSID(*table.rows[i].clsid, clsid)) return &table.rows[i];
  }
  return nullptr;
}

}  // namespace kal
