// PowerPoint's run-time errors: DISP_E_EXCEPTION whose EXCEPINFO carries the text PowerPoint
// shows ("Shape.Select : Invalid request. ..."). The SCODE is unverified.
#pragma once
#include <string>

#include "sim/engine/sim_error.h"

namespace kalsim::ppt {

constexpr HRESULT kPptErrorCode = static_cast<HRESULT>(0x80048240u);

[[noreturn]] inline void ThrowPpt(const std::wstring& message) { throw CSimError(kPptErrorCode, message); }

}  // namespace kalsim::ppt
