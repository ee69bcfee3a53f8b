// CProcessMap: one opened named section and the view mapped from it.
#pragma once
#include <windows.h>

class CProcessMap {
 public:
  CProcessMap() = default;
  CProcessMap(const CProcessMap&) = delete;
  CProcessMap& operator=(const CProcessMap&) = delete;
  // Closes the section handle and unmaps a view stored in m_pView.
  virtual ~CProcessMap();

  // Opens the section (unless a handle is held already) and maps all of it. The view goes to
  // the caller, who unmaps it. Returns 1 on success, 0 when the section cannot be opened or
  // mapped.
  int Open(const wchar_t* name, void** view, DWORD openAccess, DWORD mapAccess);

 private:
  HANDLE m_hMapFile = nullptr;
  void* m_pView = nullptr;
};

// A mapped view that unmaps itself; Bytes() is the size of the mapped region, which bounds
// every access to sections whose length this module does not impose.
class CSectionView {
 public:
  // Locking is the caller's business; this only opens and maps.
  CSectionView(const wchar_t* name, bool readOnly);
  CSectionView(const CSectionView&) = delete;
  CSectionView& operator=(const CSectionView&) = delete;
  ~CSectionView();

  void* Data() const { return m_pView; }
  size_t Bytes() const { return m_nBytes; }

 private:
  CProcessMap m_map;  // destroyed after the view is unmapped
  void* m_pView = nullptr;
  size_t m_nBytes = 0;
};
