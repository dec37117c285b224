#include "lib/registry_key_win.h"

#include <vector>

namespace mv {

HKEY RootKey(RegistryRoot root) {
  switch (root) {
    case RegistryRoot::kLocalMachine: return HKEY_LOCAL_MACHINE;
    case RegistryRoot::kCurrentUser: return HKEY_CURRENT_USER;
    case RegistryRoot::kClassesRoot: return HKEY_CLASSES_ROOT;
    case RegistryRoot::kUsers: return HKEY_USERS;
    case RegistryRoot::kCurrentConfig: return HKEY_CURRENT_CONFIG;
    case RegistryRoot::kDynData: return HKEY_DYN_DATA;
    case RegistryRoot::kAllUsers: return nullptr;
  }
  return nullptr;
}

RegistryKey RegistryKey::Open(HKEY root, const wchar_t* subkey, REGSAM access, REGSAM view) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(root, subkey, 0, access | view, &key) != ERROR_SUCCESS) return RegistryKey();
  return RegistryKey(key);
}

bool RegistryKey::HasValue(const wchar_t* name) const {
  return key_ && RegQueryValueExW(key_, name, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

std::optional<std::wstring> RegistryKey::ReadString(const wchar_t* name, std::size_t max_chars) const {
  if (!key_) return std::nullopt;
  DWORD type = 0, bytes = 0;
  if (RegQueryValueExW(key_, name, nullptr, &type, nullptr, &bytes) != ERROR_SUCCESS) return std::nullopt;
  if (type != REG_SZ && type != REG_EXPAND_SZ) return std::nullopt;
  if (bytes / sizeof(wchar_t) > max_chars + 1) return std::nullopt;
  std::vector<wchar_t> buffer(bytes / sizeof(wchar_t) + 1, L'\0');
  DWORD size = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
  if (RegQueryValueExW(key_, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &size) != ERROR_SUCCESS)
    return std::nullopt;
  // The stored text may or may not carry its terminating zero; it ends at the first one.
  std::wstring text(buffer.data(), std::min<std::size_t>(size / sizeof(wchar_t), buffer.size()));
  std::size_t zero = text.find(L'\0');
  if (zero != std::wstring::npos) text.resize(zero);
  if (text.size() > max_chars) return std::nullopt;
  return text;
}

}  // namespace mv
