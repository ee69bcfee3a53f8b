// CProcessMap and CSectionView.
#include "exchange/process_map.h"

CProcessMap::~CProcessMap() {
  if (m_hMapFile) CloseHandle(m_hMapFile);
  if (m_pView) UnmapViewOfFile(m_pView);
}

int CProcessMap::Open(const wchar_t* name, void** view, DWORD openAccess, DWORD mapAccess) {
  if (!m_hMapFile) {
    m_hMapFile = OpenFileMappingW(openAccess, FALSE, name);
    if (!m_hMapFile) return 0;
  }
  void* mapped = MapViewOfFile(m_hMapFile, mapAccess, 0, 0, 0);
  if (!mapped) return 0;
  *view = mapped;
  return 1;
}

CSectionView::CSectionView(const wchar_t* name, bool readOnly) {
  const DWORD access = readOnly ? FILE_MAP_READ : FILE_MAP_ALL_ACCESS;
  void* view = nullptr;
  if (!m_map.Open(name, &view, access, access)) return;
  MEMORY_BASIC_INFORMATION mbi = {};
  if (VirtualQuery(view, &mbi, sizeof(mbi)) != sizeof(mbi)) {
    UnmapViewOfFile(view);
    return;
  }
  m_pView = view;
  m_nBytes = mbi.RegionSize;
}

CSectionView::~CSectionView() {
  if (m_pView) UnmapViewOfFile(m_pView);
}
