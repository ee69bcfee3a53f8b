// Application.Version scanning.
#include "core/office_version.h"

#include <cwchar>

namespace kal {

bool ParseOfficeVersion(const std::wstring& version, int* major, int* minor) {
  int a = 0;
  int b = 0;
  const int fields = std::swscanf(version.c_str(), L"%d.%d", &a, &b);
  if (fields < 1) return false;
  if (major) *major = a;
  if (minor) *minor = fields >= 2 ? b : 0;
  return true;
}

}  // namespace kal
