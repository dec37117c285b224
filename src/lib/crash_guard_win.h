// A guard around calls into foreign code that may crash (trust providers, self-registration of COM
// servers, type libraries, driver installation): a processor fault inside the guarded call ends the
// call instead of the run.
#pragma once

#include <functional>

namespace mv {

// Runs `body` and returns true when it completed. A processor fault inside it (an access violation,
// an illegal or privileged instruction, an integer division by zero, a page that cannot be read in,
// a floating-point fault) or a C++ exception escaping from it ends `body` there and gives false. The
// frames of `body` are abandoned as they stood, without their destructors: guard only calls whose
// failure the run survives, and keep the guarded lambda free of resources of its own. Guards nest;
// a stack overflow is not caught (the stack has no room left to recover on).
bool RunGuarded(const std::function<void()>& body);

}  // namespace mv
