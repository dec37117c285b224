// Registry paths as the package writes them: an optional leading backslash, a root by its short or
// long name (any letter case), then a backslash and the subkey path.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace mv {

enum class RegistryRoot { kLocalMachine, kCurrentUser, kClassesRoot, kUsers, kCurrentConfig, kDynData, kAllUsers };

struct RegistryPath {
  RegistryRoot root;
  std::u16string subkey;  // empty for the root itself
};

// The root and subkey of `path`; nullopt (the bad-path-name error) for an unknown root or a root
// name followed by anything but a backslash. "HKAU" is the every-user pseudo-root.
std::optional<RegistryPath> ParseRegistryPath(std::u16string_view path);

// Whether a key below HKEY_USERS is a user hive that the every-user pseudo-root reaches. The
// "<sid>_Classes" keys are not: each is the class part of a user's hive, mounted again under
// that user's "Software\Classes".
bool IsAllUsersHive(std::u16string_view name);

// A registry path whose last element names a value: "HKLM\Software\Acme\InstallPath" is the key
// "HKLM\Software\Acme" and the value "InstallPath". Empty key or value when there is no backslash.
struct RegistryValuePath {
  std::u16string key;
  std::u16string value;
};
RegistryValuePath SplitRegistryValuePath(std::u16string_view path);

}  // namespace mv
