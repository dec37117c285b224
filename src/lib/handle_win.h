// Owners of Win32 resources: each closes its resource when it goes out of scope.
#pragma once

#include <windows.h>

#include <utility>

namespace mv {

// A kernel handle closed with CloseHandle. Both null and INVALID_HANDLE_VALUE count as empty.
class UniqueHandle {
 public:
  UniqueHandle() = default;
  explicit UniqueHandle(HANDLE h) : h_(h) {}
  UniqueHandle(UniqueHandle&& o) noexcept : h_(std::exchange(o.h_, nullptr)) {}
  UniqueHandle& operator=(UniqueHandle&& o) noexcept {
    if (this != &o) reset(std::exchange(o.h_, nullptr));
    return *this;
  }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  ~UniqueHandle() { reset(); }

  HANDLE get() const { return h_; }
  bool valid() const { return h_ && h_ != INVALID_HANDLE_VALUE; }
  explicit operator bool() const { return valid(); }
  void reset(HANDLE h = nullptr) {
    if (valid()) CloseHandle(h_);
    h_ = h;
  }
  HANDLE release() { return std::exchange(h_, nullptr); }

 private:
  HANDLE h_ = nullptr;
};

// A directory search of FindFirstFileW, closed with FindClose.
class UniqueFind {
 public:
  explicit UniqueFind(HANDLE h) : h_(h) {}
  UniqueFind(const UniqueFind&) = delete;
  UniqueFind& operator=(const UniqueFind&) = delete;
  ~UniqueFind() {
    if (valid()) FindClose(h_);
  }
  HANDLE get() const { return h_; }
  bool valid() const { return h_ != INVALID_HANDLE_VALUE && h_ != nullptr; }

 private:
  HANDLE h_;
};

// A module loaded with LoadLibrary*, freed with FreeLibrary.
class UniqueModule {
 public:
  UniqueModule() = default;
  explicit UniqueModule(HMODULE m) : m_(m) {}
  UniqueModule(UniqueModule&& o) noexcept : m_(std::exchange(o.m_, nullptr)) {}
  UniqueModule& operator=(UniqueModule&& o) noexcept {
    if (this != &o) {
      reset();
      m_ = std::exchange(o.m_, nullptr);
    }
    return *this;
  }
  UniqueModule(const UniqueModule&) = delete;
  UniqueModule& operator=(const UniqueModule&) = delete;
  ~UniqueModule() { reset(); }

  HMODULE get() const { return m_; }
  explicit operator bool() const { return m_ != nullptr; }
  void reset() {
    if (m_) FreeLibrary(m_);
    m_ = nullptr;
  }
  // Looks up an export and casts it to the function type the caller names.
  template <typename F>
  F Function(const char* name) const {
    return m_ ? reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(m_, name))) : nullptr;
  }

 private:
  HMODULE m_ = nullptr;
};

}  // namespace mv
