// CTavExchg's virtual table as Visual C++ clients see it. Their objects share nothing with the
// GCC-built ones but the vptr slot at offset 0: the class has no data members.
#include "module/msvc_abi.h"

#include <cstring>

namespace {

void* ScalarDeletingDestructor(CTavExchg* self, unsigned int flags) {
  self->CTavExchg::~CTavExchg();
  // Visual C++'s operator new (the Universal C runtime's malloc) allocates from the process
  // heap, so the object goes back there.
  if (flags & 1u) HeapFree(GetProcessHeap(), 0, self);
  return self;
}

}  // namespace

extern "C" const KalMsvcDeletingDestructor KalMsvcVftable[1] = {&ScalarDeletingDestructor};

namespace kal {

CTavExchg* WithMsvcVftable(CTavExchg* self) noexcept {
  const void* table = KalMsvcVftable;
  // The vptr is the object's first (and only) field in both compilers' layouts.
  static_assert(sizeof(CTavExchg) == sizeof(void*), "CTavExchg holds only its vptr");
  std::memcpy(static_cast<void*>(self), &table, sizeof(table));
  return self;
}

}  // namespace kal
