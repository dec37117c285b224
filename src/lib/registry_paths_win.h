// Registry keys named by text paths ("\HKLM\Software\Acme"), in either registry view, and the
// every-user pseudo-root "HKAU", whose operations run under each user hive loaded below
// HKEY_USERS.
#pragma once

#include <windows.h>

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "lib/registry_key_win.h"

namespace mv {

// How OpenRegistryPath treats a missing or an existing key.
enum class RegistryOpen {
  kOpenOrCreate,  // open the key, creating it when missing
  kOpenOnly,      // never create
  kCreateNew,     // create; ERROR_ALREADY_EXISTS when the key exists
};

// Rights every key is opened with; the view (0, KEY_WOW64_32KEY or KEY_WOW64_64KEY) is added.
inline constexpr REGSAM kRegistryPathRights = KEY_READ | KEY_SET_VALUE | KEY_CREATE_SUB_KEY | KEY_ENUMERATE_SUB_KEYS;

struct OpenedRegistryKey {
  RegistryKey key;
  LONG error = ERROR_SUCCESS;  // the system error when the key could not be had
  bool created = false;        // the key did not exist before
  explicit operator bool() const { return error == ERROR_SUCCESS; }
};

// `subkey` under `base` (the root itself when empty).
OpenedRegistryKey OpenRegistryKey(HKEY base, std::u16string_view subkey, RegistryOpen mode, REGSAM view = 0);

// The key a path names. ERROR_BAD_PATHNAME for a path the root table refuses and for "HKAU", which
// names no single key (its operations are the path operations below).
OpenedRegistryKey OpenRegistryPath(std::u16string_view path, RegistryOpen mode, REGSAM view = 0);

// The names of the keys directly below HKEY_USERS that are user hives (those of "HKAU").
std::vector<std::wstring> UserHives();

// Operations on a path, "HKAU" included: under HKAU each user hive is opened (never created) and
// the operation repeated there; the result is ERROR_SUCCESS when every hive succeeded, else the
// first hive's error (the remaining hives are still visited).
LONG CreateRegistryKey(std::u16string_view path, REGSAM view = 0);
// Whether setting a value replaces one that exists.
enum class ExistingValue {
  kReplace,
  kKeep,  // a value of that name stays as it is, and the set counts as done
};

// Sets the value in an open key.
LONG SetKeyValue(HKEY key, std::u16string_view name, DWORD type, std::span<const std::uint8_t> data,
                 ExistingValue existing = ExistingValue::kReplace);
// Opens (creating when missing) the key and sets the value.
LONG SetRegistryValue(std::u16string_view path, std::u16string_view name, DWORD type,
                      std::span<const std::uint8_t> data, REGSAM view = 0,
                      ExistingValue existing = ExistingValue::kReplace);
LONG SetRegistryString(std::u16string_view path, std::u16string_view name, std::u16string_view text,
                       REGSAM view = 0);
// Opens the existing key and deletes the value.
LONG DeleteRegistryValue(std::u16string_view path, std::u16string_view name, REGSAM view = 0);

}  // namespace mv
