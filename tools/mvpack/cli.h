// mvpack's command-line front end, kept in the library so tests can drive it like a user would.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace mvpack {

// Runs mvpack with the given arguments (without the program name); returns the process exit code.
int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace mvpack
