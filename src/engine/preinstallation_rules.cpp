#include "engine/preinstallation_rules.h"

#include <algorithm>

#include "base/codepage.h"
#include "base/text.h"
#include "base/version.h"

namespace mv {

KindDecision DecideInstallationKind(std::string_view old_version, std::string_view new_version, bool compare) {
  if (!compare || old_version.empty() || new_version.empty()) return {kKindReinstall, 3};
  const int order = CompareVersions(old_version, new_version);
  if (order == 0) return {kKindReinstall, 4};
  return order < 0 ? KindDecision{kKindUpgrade, 5} : KindDecision{kKindDowngrade, 6};
}

std::optional<Refusal> RefuseOverExisting(const ExistingFacts& f) {
  if (f.force_uninstall &&
      (f.min_upgrade_version.empty() || CompareVersions(f.old_version, f.min_upgrade_version) < 0))
    return Refusal{9, u"", 9};
  if (!f.no_downgrade_below.empty() && CompareVersions(Cp1252ToUtf16(f.new_version), f.no_downgrade_below) < 0)
    return Refusal{106, f.no_downgrade_below, 11};
  return std::nullopt;
}

std::u16string HandOverCommandLine(std::u16string_view uninstall_command, std::u16string_view own_command_line,
                                   bool silent, bool automatic) {
  std::u16string quoted(own_command_line);
  std::replace(quoted.begin(), quoted.end(), u'"', u'`');
  std::u16string line = std::u16string(uninstall_command) + u" /r:\"" + quoted + u"\"";
  if (silent) line += u" /silent";
  if (automatic) line += u" /a";
  return line;
}

std::optional<RegistryFolder> RegistryFolderSource(std::u16string_view dir) {
  if (dir.size() < 5 || dir[4] != u'\\') return std::nullopt;
  const bool machine = EqualsIgnoreAsciiCase(dir.substr(0, 4), u"HKLM");
  if (!machine && !EqualsIgnoreAsciiCase(dir.substr(0, 4), u"HKCU")) return std::nullopt;
  const RegistryValuePath where = SplitRegistryValuePath(dir.substr(5));
  if (where.key.empty() || where.value.empty()) return std::nullopt;
  return RegistryFolder{machine ? RegistryRoot::kLocalMachine : RegistryRoot::kCurrentUser, where.key,
                      where.value};
}

std::int64_t RequiredSpace(const std::vector<std::int32_t>& file_sizes, std::int64_t cluster,
                           std::int64_t extra_space, std::int64_t uninstaller_size) {
  if (cluster <= 0) cluster = 4096;
  std::int64_t total = std::max<std::int64_t>(extra_space, 0) + std::max<std::int64_t>(uninstaller_size, 0);
  for (std::int32_t size : file_sizes) {
    if (size <= 0) continue;
    total += (static_cast<std::int64_t>(size) + cluster - 1) / cluster * cluster;
  }
  return total;
}

PreparationBatches ChoosePreparationBatches(int kind, bool existing_present, bool reinstall_only_for_same_kind) {
  PreparationBatches b;
  b.upgrade = kind == kKindUpgrade;
  b.reinstall = existing_present && (kind == kKindReinstall || !reinstall_only_for_same_kind);
  return b;
}

}  // namespace mv
