// Test-owned sections (see section_fixture.h).
#include "tests/exchange/section_fixture.h"

#include <sddl.h>

namespace kaltest {

CTestSection::CTestSection(const wchar_t* name, size_t bytes, DWORD protect) {
  m_hMap.Reset(CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, protect, 0,
                                  static_cast<DWORD>(bytes), name));
  if (!m_hMap) return;
  const DWORD access = protect == PAGE_READONLY ? FILE_MAP_READ : FILE_MAP_ALL_ACCESS;
  m_view.Reset(MapViewOfFile(m_hMap.Get(), access, 0, 0, 0));
}

CTestSection::CTestSection(const wchar_t* name, size_t bytes, const wchar_t* sddl) {
  PSECURITY_DESCRIPTOR sd = nullptr;
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &sd, nullptr))
    return;
  SECURITY_ATTRIBUTES sa = {sizeof(sa), sd, FALSE};
  m_hMap.Reset(CreateFileMappingW(INVALID_HANDLE_VALUE, &sa, PAGE_READWRITE, 0,
                                  static_cast<DWORD>(bytes), name));
  LocalFree(sd);
  if (m_hMap) m_view.Reset(MapViewOfFile(m_hMap.Get(), FILE_MAP_ALL_ACCESS, 0, 0, 0));
}

}  // namespace kaltest
