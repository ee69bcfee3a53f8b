// QueryInterface table search shared by every COM class of the module.
#include "core/com/com_object.h"

namespace kal {

void* FindInterface(void* object, const CInterfaceEntry* entries, REFIID riid) noexcept {
  if (!object || !entries || !entries[0].piid) return nullptr;
  // The first row stands for the object's identity.
  if (::IsEqualIID(riid, IID_IUnknown)) return entries[0].cast(object);
  for (const CInterfaceEntry* entry = entries; entry->piid; ++entry) {
    if (::IsEqualIID(riid, *entry->piid)) return entry->cast(object);
  }
  return nullptr;
}

}  // namespace kal
