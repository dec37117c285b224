#include "lib/registry_path.h"

#include "base/text.h"

namespace mv {

namespace {
struct RootName {
  const char16_t* long_name;
  const char16_t* short_name;
  RegistryRoot root;
};
constexpr RootName kRoots[] = {
    {u"HKEY_LOCAL_MACHINE", u"HKLM", RegistryRoot::kLocalMachine},
    {u"HKEY_CURRENT_USER", u"HKCU", RegistryRoot::kCurrentUser},
    {u"HKEY_CLASSES_ROOT", u"HKCR", RegistryRoot::kClassesRoot},
    {u"HKEY_USERS", u"HKU", RegistryRoot::kUsers},
    {u"HKEY_CURRENT_CONFIG", u"HKCC", RegistryRoot::kCurrentConfig},
    {u"HKEY_DYN_DATA", u"HKDD", RegistryRoot::kDynData},
    {nullptr, u"HKAU", RegistryRoot::kAllUsers},
};
}  // namespace

std::optional<RegistryPath> ParseRegistryPath(std::u16string_view path) {
  if (!path.empty() && path[0] == u'\\') path.remove_prefix(1);
  std::size_t slash = path.find(u'\\');
  std::u16string_view name = path.substr(0, slash);
  for (const RootName& r : kRoots) {
    if (EqualsIgnoreAsciiCase(name, r.short_name) || (r.long_name && EqualsIgnoreAsciiCase(name, r.long_name))) {
      std::u16string subkey = slash == std::u16string_view::npos ? std::u16string() : std::u16string(path.substr(slash + 1));
      return RegistryPath{r.root, subkey};
    }
  }
  return std::nullopt;
}

bool IsAllUsersHive(std::u16string_view name) {
  constexpr std::u16string_view kClasses = u"_Classes";
  return !name.empty() &&
         !(name.size() >= kClasses.size() && EqualsIgnoreAsciiCase(name.substr(name.size() - kClasses.size()), kClasses));
}

RegistryValuePath SplitRegistryValuePath(std::u16string_view path) {
  std::size_t slash = path.find_last_of(u'\\');
  if (slash == std::u16string_view::npos) return {};
  return {std::u16string(path.substr(0, slash)), std::u16string(path.substr(slash + 1))};
}

}  // namespace mv
