// The installer's command line: splitting into atoms, the switches, and the usage text shown for a
// command-line error (exit code 15).
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "context/run_options.h"

namespace mv {

// Converts UTF-16 text to the ANSI code page, unconvertible characters becoming "?". The runtime
// passes the system conversion; portable callers and tests can pass Utf16ToCp1252.
using AnsiConverter = std::function<std::string(std::u16string_view)>;

struct ParsedCommandLine {
  // The switches read before parsing stopped. On an error these are the ones that came before the
  // offending atom: "/silent /bad" is still silent, so the usage box is not shown.
  RunOptions options;
  // Set when the command line is refused: the message for UsageText; the run ends with exit code 15.
  std::optional<std::u16string> usage_error;
};

// Splits a full command line (program path first, as the system hands it over) into atoms. The
// program path is dropped; at most `max_atoms` atoms after it are returned. Atoms are separated by
// space, tab, CR or LF outside quotes. A double quote opens a quoted section that ends at the next
// lone double quote; inside it "" stands for one quote. The section is kept in the atom with its
// enclosing quotes (an unterminated one has only its opening quote), and the atom may continue after
// it. Text after a NUL character is ignored, as the system's command line ends there.
std::vector<std::u16string> SplitCommandLine(std::u16string_view full_command_line,
                                             std::size_t max_atoms = 19);

// Parses the switches (each beginning with "/" or "-", names without regard to case). Parsing stops
// at the first refused atom. "/u" without a product name is refused after all atoms are read, with
// "/u requires Product Name". `to_ansi` converts the /b1: /b2: /b3: texts.
ParsedCommandLine ParseCommandLine(std::u16string_view full_command_line,
                                   const AnsiConverter& to_ansi);

// The text of the usage box: the error message, then the syntax with `exe_file_name` (the file name
// of the executable, without folder) and one line per switch.
std::u16string UsageText(std::u16string_view message, std::u16string_view exe_file_name);

}  // namespace mv
