// The decisions taken before the first file is written: what kind of installation this is, whether
// an earlier installation refuses it, the command that hands the run over to the old uninstaller,
// where a registry-sourced folder comes from, the space the files need and which preparation
// batches run. Plain data in and out; preinstallation_win gathers the facts and acts.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "lib/registry_path.h"

namespace mv {

// ProductFlags2: a System Restore point is begun before the files and committed at the end.
inline constexpr std::uint32_t kFlags2RestorePoint = 1u << 1;

enum InstallationKind : int { kKindNew = 0, kKindReinstall = 1, kKindUpgrade = 2, kKindDowngrade = 3 };

// The kind of an installation over an earlier one and the number of the text that announces it.
struct KindDecision {
  InstallationKind kind = kKindReinstall;
  int text_number = 3;
  bool operator==(const KindDecision&) const = default;
};
// With `compare` (ProductFlags bit 36) and both versions known: the same version is a reinstallation
// (text 4), an older one an upgrade (5), a newer one a downgrade (6). Otherwise a reinstallation
// whose versions were not compared (text 3).
KindDecision DecideInstallationKind(std::string_view old_version, std::string_view new_version, bool compare);

// Why an earlier installation refuses this one: the message (its text number, formatted with
// `argument` when it is not empty) and the exit code.
struct Refusal {
  int text_number = 0;
  std::u16string argument;
  int exit_code = 0;
  bool operator==(const Refusal&) const = default;
};
struct ExistingFacts {
  bool force_uninstall = false;    // ProductFlags bit 0
  std::string min_upgrade_version;  // the package's MinUpgradeVersion
  std::string old_version;          // "DisplayVersion" of the earlier installation
  std::string new_version;          // the package's DisplayVersion
  std::u16string no_downgrade_below;  // "NoDowngradeBelow" of the earlier installation
};
// A forced uninstall (text 9, exit 9) when the package asks for it and either has no minimum
// upgrade version or the old version is older than it; else a downgrade barrier (text 106 with the
// barrier, exit 11) when the new version is older than the earlier installation's barrier.
std::optional<Refusal> RefuseOverExisting(const ExistingFacts& facts);

// The old uninstaller's command line: its own command, then " /r:" and this installer's command
// line in double quotes with each of its double quotes turned into a backquote, then " /silent"
// and " /a" for a silent or automatic run.
std::u16string HandOverCommandLine(std::u16string_view uninstall_command, std::u16string_view own_command_line,
                                   bool silent, bool automatic);

// A default installation folder of the form "HKLM\<key>\<value>" or "HKCU\<key>\<value>" (root in
// any letter case) names the registry value holding the folder; nothing for any other text, a root
// other than these two, or a text without a key or value name.
struct RegistryFolder {
  RegistryRoot root = RegistryRoot::kLocalMachine;
  std::u16string key;
  std::u16string value;
  bool operator==(const RegistryFolder&) const = default;
};
std::optional<RegistryFolder> RegistryFolderSource(std::u16string_view default_install_dir);

// The space an installation needs on a drive with clusters of `cluster` bytes: every file rounded up
// to whole clusters, plus the extra space and the uninstaller. A cluster of 0 or less counts as 4096.
std::int64_t RequiredSpace(const std::vector<std::int32_t>& file_sizes, std::int64_t cluster,
                           std::int64_t extra_space, std::int64_t uninstaller_size);

// The batches that follow the pre-installation batch: the upgrade batch for an upgrade; the
// reinstallation batch over an existing installation when the run is a reinstallation or the
// package does not restrict it to one (ProductFlags2 bit 0 clear).
struct PreparationBatches {
  bool upgrade = false;
  bool reinstall = false;
  bool operator==(const PreparationBatches&) const = default;
};
PreparationBatches ChoosePreparationBatches(int kind, bool existing_present, bool reinstall_only_for_same_kind);

}  // namespace mv
