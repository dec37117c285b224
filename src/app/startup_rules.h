// Decisions of the start-up checks that stop an installation before the wizard: bitness, the
// prerequisite product and where a registry value names the installation folder.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "lib/os_version.h"

namespace mv {

// The bitness a product needs when the running Windows cannot take it (64 or 32), or 0 when it can.
// `bitness` is the package setting: 1 a 64-bit product, 2 a 32-bit product, anything else any.
int BitnessMismatch(int bitness, bool windows_is_64bit);

// What the prerequisite product's Uninstall key held, when a key with an uninstall string was found.
struct PrerequisiteFound {
  std::u16string install_location;
  std::string display_version;
};

enum class PrerequisiteVerdict { kSatisfied, kMissing, kTooOld };

// The prerequisite check: missing when no key was found, or when the default installation folder is
// "<master>" and no location is known; too old when a minimum version is set and the found version
// compares lower.
PrerequisiteVerdict CheckPrerequisite(const std::optional<PrerequisiteFound>& found, std::string_view min_version,
                                      bool default_dir_is_master);

// The package's AutomaticDefault setting applied to the mode the command line chose: 1 turns
// automatic mode on, 2 turns it off unless the run is silent, any other value leaves the command
// line's choice.
bool EffectiveAutomaticMode(int automatic_default, bool automatic_mode, bool silent_mode);

// ProductFlags2 with the bits that only some Windows versions may keep: bit 10 stays only on
// Windows 5.2 with a server product type or on 6.0 and later, and never under Wine.
inline constexpr std::uint32_t kFlags2NeedsServerOrVista = 1u << 10;
std::uint32_t StartupProductFlags2(std::uint32_t product_flags2, const OsInfo& os);

// The approval address's verdict for the HTTP status obtained (0 when none could be obtained).
// Blocked when BlockedStatus is set and equals the status; otherwise not approved when
// ApprovedStatus is set and differs from it. With no status obtainable an approval can never be
// given, so a set ApprovedStatus fails closed, as an unreachable server would.
enum class ApprovalVerdict { kProceed, kBlocked, kNotApproved };
ApprovalVerdict DecideApproval(std::int32_t blocked_status, std::int32_t approved_status, std::int32_t status);

}  // namespace mv
