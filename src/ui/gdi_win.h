// Owners of GDI and window resources: each releases its resource when it goes out of scope.
#pragma once

#include <windows.h>

#include <utility>

namespace mv {

// A GDI object (font, brush, bitmap, region) deleted with DeleteObject.
template <typename T>
class UniqueGdi {
 public:
  UniqueGdi() = default;
  explicit UniqueGdi(T h) : h_(h) {}
  UniqueGdi(UniqueGdi&& o) noexcept : h_(std::exchange(o.h_, nullptr)) {}
  UniqueGdi& operator=(UniqueGdi&& o) noexcept {
    if (this != &o) reset(std::exchange(o.h_, nullptr));
    return *this;
  }
  UniqueGdi(const UniqueGdi&) = delete;
  UniqueGdi& operator=(const UniqueGdi&) = delete;
  ~UniqueGdi() { reset(); }
  T get() const { return h_; }
  explicit operator bool() const { return h_ != nullptr; }
  void reset(T h = nullptr) {
    if (h_) DeleteObject(h_);
    h_ = h;
  }

 private:
  T h_ = nullptr;
};
using UniqueFont = UniqueGdi<HFONT>;
using UniqueBrush = UniqueGdi<HBRUSH>;
using UniqueBitmap = UniqueGdi<HBITMAP>;

// An icon made for this process (not a shared system icon), destroyed with DestroyIcon.
class UniqueIcon {
 public:
  UniqueIcon() = default;
  explicit UniqueIcon(HICON h) : h_(h) {}
  UniqueIcon(UniqueIcon&& o) noexcept : h_(std::exchange(o.h_, nullptr)) {}
  UniqueIcon& operator=(UniqueIcon&& o) noexcept {
    if (this != &o) reset(std::exchange(o.h_, nullptr));
    return *this;
  }
  UniqueIcon(const UniqueIcon&) = delete;
  UniqueIcon& operator=(const UniqueIcon&) = delete;
  ~UniqueIcon() { reset(); }
  HICON get() const { return h_; }
  void reset(HICON h = nullptr) {
    if (h_) DestroyIcon(h_);
    h_ = h;
  }

 private:
  HICON h_ = nullptr;
};

// A window's device context from GetDC, released with ReleaseDC.
class WindowDC {
 public:
  explicit WindowDC(HWND window) : window_(window), dc_(GetDC(window)) {}
  WindowDC(const WindowDC&) = delete;
  WindowDC& operator=(const WindowDC&) = delete;
  ~WindowDC() {
    if (dc_) ReleaseDC(window_, dc_);
  }
  HDC get() const { return dc_; }
  explicit operator bool() const { return dc_ != nullptr; }

 private:
  HWND window_;
  HDC dc_;
};

// A memory device context from CreateCompatibleDC, deleted with DeleteDC.
class MemoryDC {
 public:
  explicit MemoryDC(HDC compatible) : dc_(CreateCompatibleDC(compatible)) {}
  MemoryDC(const MemoryDC&) = delete;
  MemoryDC& operator=(const MemoryDC&) = delete;
  ~MemoryDC() {
    if (dc_) DeleteDC(dc_);
  }
  HDC get() const { return dc_; }
  explicit operator bool() const { return dc_ != nullptr; }

 private:
  HDC dc_;
};

// Selects an object into a device context for the scope, then puts the previous one back.
class SelectScope {
 public:
  SelectScope(HDC dc, HGDIOBJ object) : dc_(dc), old_(object ? SelectObject(dc, object) : nullptr) {}
  SelectScope(const SelectScope&) = delete;
  SelectScope& operator=(const SelectScope&) = delete;
  ~SelectScope() {
    if (old_ && old_ != HGDI_ERROR) SelectObject(dc_, old_);
  }

 private:
  HDC dc_;
  HGDIOBJ old_;
};

// The pixels per inch of the monitor showing `window` (or of the screen without one).
int DpiOf(HWND window);

}  // namespace mv
