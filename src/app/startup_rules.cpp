#include "app/startup_rules.h"

#include "base/version.h"
#include "base/path.h"

namespace mv {

int BitnessMismatch(int bitness, bool windows_is_64bit) {
  if (bitness == 1 && !windows_is_64bit) return 64;
  if (bitness == 2 && windows_is_64bit) return 32;
  return 0;
}

PrerequisiteVerdict CheckPrerequisite(const std::optional<PrerequisiteFound>& found, std::string_view min_version,
                                      bool default_dir_is_master) {
  if (!found || (default_dir_is_master && found->install_location.empty())) return PrerequisiteVerdict::kMissing;
  if (!min_version.empty() && CompareVersions(found->display_version, min_version) < 0)
    return PrerequisiteVerdict::kTooOld;
  return PrerequisiteVerdict::kSatisfied;
}

bool EffectiveAutomaticMode(int automatic_default, bool automatic_mode, bool silent_mode) {
  if (automatic_default == 1) return true;
  if (automatic_default == 2) return silent_mode;
  return automatic_mode;
}

std::uint32_t StartupProductFlags2(std::uint32_t product_flags2, const OsInfo& os) {
  const bool server_2003 = os.major == 5 && os.minor == 2 && os.product_type != kProductWorkstation;
  const bool keeps = (server_2003 || os.major >= 6) && !os.wine_version;
  return keeps ? product_flags2 : product_flags2 & ~kFlags2NeedsServerOrVista;
}

ApprovalVerdict DecideApproval(std::int32_t blocked_status, std::int32_t approved_status, std::int32_t status) {
  if (blocked_status != 0 && blocked_status == status) return ApprovalVerdict::kBlocked;
  if (approved_status != 0 && approved_status != status) return ApprovalVerdict::kNotApproved;
  return ApprovalVerdict::kProceed;
}

}  // namespace mv
