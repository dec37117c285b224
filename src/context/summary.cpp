#include "context/summary.h"

#include <utility>

namespace mv {

namespace {

SummaryPageHandler& Handler() {
  static SummaryPageHandler handler;
  return handler;
}

}  // namespace

SummaryPageHandler SetSummaryPageHandler(SummaryPageHandler handler) {
  return std::exchange(Handler(), std::move(handler));
}

bool ShowSummaryPage(bool offer_view_log) { return Handler() ? Handler()(offer_view_log) : false; }

}  // namespace mv
