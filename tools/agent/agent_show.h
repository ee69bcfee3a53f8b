// "TavRegedit.exe show": the block's current state, read through the accessor.
#pragma once

namespace kal {
namespace agent {
int ShowBlock();
}  // namespace agent
}  // namespace kal
