// The classes KalMsAddin.dll serves: one add-in per Office application.
#pragma once
#include "core/com/class_table.h"

namespace kal {

// Word, Excel and PowerPoint, in registration order.
const CClassTable& ModuleClassTable() noexcept;

}  // namespace kal
