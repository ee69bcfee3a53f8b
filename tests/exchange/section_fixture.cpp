// Test-owned sections (see section_fixture.h).
#include "tests/exchange/section_fixture.h"

#include <sddl.h>

namespace kaltest {

namespace {
// Clears the whole field, then copies the text (cut to leave a terminator).
template <typename Char, size_t N>
void SetField(Char (&field)[N], const Char* text) {
  std::memset(field, 0, sizeof(field));
  for (size_t i = 0; i + 1 < N && text[i]; ++i) field[i] = text[i];
}
}  // namespace

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

void CTestExchangeSection::SetUser(const char* name) { SetField(Block().userName, name); }

void CTestExchangeSection::SetProtectScreen(const char* list) {
  SetField(Block().protectScreen, list);
}

void CTestExchangeSection::AddTav(DWORD pid, uint32_t readOnlyFlag) {
  const int n = Block().tavInfoCount++;
  _TAV_EXCHG_INFO& r = Block().tavInfo[n];
  std::memset(&r, 0, sizeof(r));
  r.infoId = 1000 + n;
  r.processId = pid;
  r.readOnlyFlag = readOnlyFlag;
}

void CTestExchangeSection::AddSmart(DWORD pid) {
  _SMART_EXCHG_INFO& r = Block().smartInfo[Block().smartInfoCount++];
  std::memset(&r, 0, sizeof(r));
  r.processId = pid;
}

void CTestExchangeSection::SetWatermarkPolicy(uint32_t tavFile, uint32_t smartFile) {
  _PRINT_EXCHG_INFO& p = Block().printPolicy;
  std::memset(&p, 0, sizeof(p));
  p.readWatermark = 1;
  p.tavFileWatermark = tavFile;
  p.smartFileWatermark = smartFile;
  p.watermarkFontSize = 48;
  p.watermarkTransparency = 40;
  SetField(p.watermarkColor, L"255,0,0");
  SetField(p.watermarkFont, L"Arial");
  SetField(p.watermarkText, L"Confidential");
}

}  // namespace kaltest
