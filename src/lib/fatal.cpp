#include "lib/fatal.h"

#include <atomic>
#include <cstdlib>

namespace mv {

namespace {
std::atomic<FatalHandler> g_handler{nullptr};
}  // namespace

void SetFatalHandler(FatalHandler handler) { g_handler.store(handler); }

void FatalError(const std::u16string& message) {
  if (FatalHandler handler = g_handler.load()) handler(message);
  // A handler that returns, or none at all: the run cannot go on either way.
  std::_Exit(-1);
}

}  // namespace mv
