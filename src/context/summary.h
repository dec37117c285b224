// The wizard's summary page, reachable from the completion step below the user interface. The
// user interface installs the page at start-up; until then nothing is shown and nothing is chosen.
#pragma once

#include <functional>

namespace mv {

// Shows the summary page (offering to view Install.log when `offer_view_log`); true when the
// person asked to view the log. The page's other choices go into the run's record.
using SummaryPageHandler = std::function<bool(bool offer_view_log)>;

// Installs `handler` (an empty one restores the silent default) and returns the one it replaces.
SummaryPageHandler SetSummaryPageHandler(SummaryPageHandler handler);

bool ShowSummaryPage(bool offer_view_log);

}  // namespace mv
