// Small owners for kernel handles and mapped views, so feature code never closes by hand.
#pragma once
#include <windows.h>

#include <utility>

namespace kal {

// Owns a HANDLE that is invalid when null or INVALID_HANDLE_VALUE.
class CHandleOwner {
 public:
  CHandleOwner() = default;
  explicit CHandleOwner(HANDLE h) : m_hHandle(h) {}
  CHandleOwner(const CHandleOwner&) = delete;
  CHandleOwner& operator=(const CHandleOwner&) = delete;
  CHandleOwner(CHandleOwner&& other) noexcept : m_hHandle(other.Detach()) {}
  CHandleOwner& operator=(CHandleOwner&& other) noexcept {
    if (this != &other) Reset(other.Detach());
    return *this;
  }
  ~CHandleOwner() { Reset(); }

  HANDLE Get() const { return m_hHandle; }
  explicit operator bool() const { return m_hHandle && m_hHandle != INVALID_HANDLE_VALUE; }
  HANDLE Detach() { return std::exchange(m_hHandle, nullptr); }
  void Reset(HANDLE h = nullptr) {
    HANDLE old = std::exchange(m_hHandle, h);
    if (old && old != INVALID_HANDLE_VALUE) CloseHandle(old);
  }

 private:
  HANDLE m_hHandle = nullptr;
};

// Owns a view returned by MapViewOfFile.
class CViewOwner {
 public:
  CViewOwner() = default;
  explicit CViewOwner(void* view) : m_pView(view) {}
  CViewOwner(const CViewOwner&) = delete;
  CViewOwner& operator=(const CViewOwner&) = delete;
  CViewOwner(CViewOwner&& other) noexcept : m_pView(std::exchange(other.m_pView, nullptr)) {}
  CViewOwner& operator=(CViewOwner&& other) noexcept {
    if (this != &other) Reset(std::exchange(other.m_pView, nullptr));
    return *this;
  }
  ~CViewOwner() { Reset(); }

  void* Get() const { return m_pView; }
  explicit operator bool() const { return m_pView != nullptr; }
  void Reset(void* view = nullptr) {
    void* old = std::exchange(m_pView, view);
    if (old) UnmapViewOfFile(old);
  }

 private:
  void* m_pView = nullptr;
};

}  // namespace kal
