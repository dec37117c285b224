// The start-up checks that may stop an installation before the wizard, in their order.
#pragma once

namespace mv {

// The approval address: with BlockedStatus or ApprovedStatus set, the address's HTTP status decides
// whether the installation may go on (exit 18 when blocked, 19 when not approved).
void CheckApproval();

// Bitness, excluded Windows versions, the prerequisite product, the single-instance mutex, the
// existing-installation lookup and the start-up sound. A failed check shows its message (as
// ShowError allows) and ends the run with its exit code.
void RunStartupChecks();

}  // namespace mv
