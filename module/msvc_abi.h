// What a Visual C++ client expects of CTavExchg beyond its functions: objects it constructs
// point at a virtual table of Microsoft's layout, whose one slot is the scalar deleting
// destructor. The generated thunks (msvc_exports.tbl) use this for the constructors.
#pragma once
#include "exchange/tav_exchg.h"

extern "C" {
// The slot of Microsoft's scalar deleting destructor: destroys, and frees when bit 0 of flags
// is set; returns the object's address.
using KalMsvcDeletingDestructor = void* (*)(CTavExchg* self, unsigned int flags);
// Exported as CTavExchg's virtual table ("??_7CTavExchg@@6B@").
extern const KalMsvcDeletingDestructor KalMsvcVftable[1];
}

namespace kal {

// Points an object built for a Visual C++ client at KalMsvcVftable and returns it, as
// Microsoft's constructors return this.
CTavExchg* WithMsvcVftable(CTavExchg* self) noexcept;

}  // namespace kal
