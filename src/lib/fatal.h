// The fatal-error path as the lower layers see it. A file service that cannot go on (a required file
// that will not open) calls FatalError; the application installs the handler that shows the message
// and ends the run, so the library never reaches up into the application.
#pragma once

#include <string>

namespace mv {

// Shows nothing and returns nothing: a handler ends the process. Until one is installed, FatalError
// ends the process with -1 at once.
using FatalHandler = void (*)(const std::u16string& message);

void SetFatalHandler(FatalHandler handler);

[[noreturn]] void FatalError(const std::u16string& message);

}  // namespace mv
