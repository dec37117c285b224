#include "lib/registry_paths_win.h"

#include <functional>
#include <vector>

#include "lib/registry_path.h"

namespace mv {

namespace {

std::wstring Wide(std::u16string_view s) { return std::wstring(s.begin(), s.end()); }

// Runs `operation` with the base key and subkey a path names: once for an ordinary root, once per
// user hive for HKAU.
LONG OnPath(std::u16string_view path, REGSAM view, const std::function<LONG(HKEY, std::u16string_view)>& operation) {
  const std::optional<RegistryPath> parsed = ParseRegistryPath(path);
  if (!parsed) return ERROR_BAD_PATHNAME;
  if (parsed->root != RegistryRoot::kAllUsers) return operation(RootKey(parsed->root), parsed->subkey);
  LONG first_error = ERROR_SUCCESS;
  for (const std::wstring& hive_name : UserHives()) {
    HKEY hive = nullptr;
    LONG error = RegOpenKeyExW(HKEY_USERS, hive_name.c_str(), 0, kRegistryPathRights | view, &hive);
    const RegistryKey owner(error == ERROR_SUCCESS ? hive : nullptr);
    if (error == ERROR_SUCCESS) error = operation(owner.get(), parsed->subkey);
    if (first_error == ERROR_SUCCESS) first_error = error;
  }
  return first_error;
}

}  // namespace

std::vector<std::wstring> UserHives() {
  std::vector<std::wstring> hives;
  wchar_t name[256];
  for (DWORD index = 0;; ++index) {
    DWORD length = static_cast<DWORD>(std::size(name));
    const LONG error = RegEnumKeyExW(HKEY_USERS, index, name, &length, nullptr, nullptr, nullptr, nullptr);
    if (error == ERROR_MORE_DATA) continue;  // longer than any hive name
    if (error != ERROR_SUCCESS) break;
    const std::u16string_view hive(reinterpret_cast<const char16_t*>(name), length);
    if (IsAllUsersHive(hive)) hives.emplace_back(name, length);
  }
  return hives;
}

OpenedRegistryKey OpenRegistryKey(HKEY base, std::u16string_view subkey, RegistryOpen mode, REGSAM view) {
  OpenedRegistryKey result;
  const std::wstring name = Wide(subkey);
  HKEY key = nullptr;
  if (mode == RegistryOpen::kOpenOnly) {
    result.error = RegOpenKeyExW(base, name.c_str(), 0, kRegistryPathRights | view, &key);
  } else {
    DWORD disposition = 0;
    result.error = RegCreateKeyExW(base, name.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, kRegistryPathRights | view,
                                   nullptr, &key, &disposition);
    result.created = result.error == ERROR_SUCCESS && disposition == REG_CREATED_NEW_KEY;
  }
  if (result.error != ERROR_SUCCESS) return result;
  result.key = RegistryKey(key);
  if (mode == RegistryOpen::kCreateNew && !result.created) {
    result.key.reset();
    result.error = ERROR_ALREADY_EXISTS;
  }
  return result;
}

OpenedRegistryKey OpenRegistryPath(std::u16string_view path, RegistryOpen mode, REGSAM view) {
  const std::optional<RegistryPath> parsed = ParseRegistryPath(path);
  if (!parsed || parsed->root == RegistryRoot::kAllUsers) {
    OpenedRegistryKey refused;
    refused.error = ERROR_BAD_PATHNAME;
    return refused;
  }
  return OpenRegistryKey(RootKey(parsed->root), parsed->subkey, mode, view);
}

LONG CreateRegistryKey(std::u16string_view path, REGSAM view) {
  return OnPath(path, view, [&](HKEY base, std::u16string_view subkey) {
    return OpenRegistryKey(base, subkey, RegistryOpen::kOpenOrCreate, view).error;
  });
}

LONG SetKeyValue(HKEY key, std::u16string_view name, DWORD type, std::span<const std::uint8_t> data,
                 ExistingValue existing) {
  const std::wstring value_name = Wide(name);
  if (existing == ExistingValue::kKeep &&
      RegQueryValueExW(key, value_name.c_str(), nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS)
    return ERROR_SUCCESS;
  return RegSetValueExW(key, value_name.c_str(), 0, type, data.data(), static_cast<DWORD>(data.size()));
}

LONG SetRegistryValue(std::u16string_view path, std::u16string_view name, DWORD type,
                      std::span<const std::uint8_t> data, REGSAM view, ExistingValue existing) {
  return OnPath(path, view, [&](HKEY base, std::u16string_view subkey) {
    OpenedRegistryKey opened = OpenRegistryKey(base, subkey, RegistryOpen::kOpenOrCreate, view);
    if (!opened) return opened.error;
    return SetKeyValue(opened.key.get(), name, type, data, existing);
  });
}

LONG SetRegistryString(std::u16string_view path, std::u16string_view name, std::u16string_view text, REGSAM view) {
  std::u16string terminated(text);
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(terminated.c_str());
  return SetRegistryValue(path, name, REG_SZ, {bytes, (terminated.size() + 1) * sizeof(char16_t)}, view);
}

LONG DeleteRegistryValue(std::u16string_view path, std::u16string_view name, REGSAM view) {
  const std::wstring value_name = Wide(name);
  return OnPath(path, view, [&](HKEY base, std::u16string_view subkey) {
    OpenedRegistryKey opened = OpenRegistryKey(base, subkey, RegistryOpen::kOpenOnly, view);
    if (!opened) return opened.error;
    return RegDeleteValueW(opened.key.get(), value_name.c_str());
  });
}

}  // namespace mv
