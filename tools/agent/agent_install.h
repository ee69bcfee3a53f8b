// Installing the reference agent: the Run value in the 32-bit registry view, the base bitmap
// of the Excel watermark and the two INI files beside TavRegedit.exe.
#pragma once
#include <string>

namespace kal {
namespace agent {

int InstallAgent(const std::wstring& dir);
int UninstallAgent();

}  // namespace agent
}  // namespace kal
