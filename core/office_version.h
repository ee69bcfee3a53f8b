// The version number an Office application reports in Application.Version ("16.0", "11.0").
// Pure code, free of windows.h.
#pragma once
#include <string>

namespace kal {

// Scans "%d.%d"; a missing minor number reads as 0. False when not even the major number is
// there (major and minor are then left alone).
bool ParseOfficeVersion(const std::wstring& version, int* major, int* minor);

}  // namespace kal
