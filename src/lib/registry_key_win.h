// An open registry key, closed when it goes out of scope, with the reads the runtime needs.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <utility>

#include "lib/registry_path.h"

namespace mv {

// The system's key for a root; null for the every-user pseudo-root, which has none.
HKEY RootKey(RegistryRoot root);

class RegistryKey {
 public:
  RegistryKey() = default;
  explicit RegistryKey(HKEY key) : key_(key) {}
  RegistryKey(RegistryKey&& o) noexcept : key_(std::exchange(o.key_, nullptr)) {}
  RegistryKey& operator=(RegistryKey&& o) noexcept {
    if (this != &o) {
      reset();
      key_ = std::exchange(o.key_, nullptr);
    }
    return *this;
  }
  RegistryKey(const RegistryKey&) = delete;
  RegistryKey& operator=(const RegistryKey&) = delete;
  ~RegistryKey() { reset(); }

  // Opens `subkey` under `root` for reading; `view` is 0, KEY_WOW64_32KEY or KEY_WOW64_64KEY.
  static RegistryKey Open(HKEY root, const wchar_t* subkey, REGSAM access = KEY_READ, REGSAM view = 0);

  HKEY get() const { return key_; }
  explicit operator bool() const { return key_ != nullptr; }
  void reset() {
    if (key_) RegCloseKey(key_);
    key_ = nullptr;
  }

  bool HasValue(const wchar_t* name) const;
  // A REG_SZ or REG_EXPAND_SZ value (not expanded) of at most `max_chars` characters; nullopt when
  // it is missing, of another type or longer.
  std::optional<std::wstring> ReadString(const wchar_t* name, std::size_t max_chars = 32767) const;

 private:
  HKEY key_ = nullptr;
};

}  // namespace mv
