// Formatting of texts that come from the package or the system, such as a language text with a "%d"
// for a code. Such texts are data, not trusted format strings: only the directives named here are
// replaced, arguments are used in order, and anything else is copied literally.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace mv {

// One argument for FormatText: a number (for %d, %i, %u, %x, %X) or a text (for %s).
struct FormatArg {
  FormatArg(long long n) : is_number(true), number(n) {}
  FormatArg(int n) : is_number(true), number(n) {}
  FormatArg(unsigned n) : is_number(true), number(n) {}
  FormatArg(std::u16string_view s) : is_number(false), text(s) {}
  FormatArg(const std::u16string& s) : is_number(false), text(s) {}
  FormatArg(const char16_t* s) : is_number(false), text(s) {}
  bool is_number;
  long long number = 0;
  std::u16string text;
};

// Replaces %d %i %u %x %X %s (with an optional "l" or "I64"-free "ll" length) by the arguments in
// order and "%%" by "%". A directive without an argument left, or of the other kind, is kept as
// written. Width and precision forms such as "%02d" are honoured for numbers.
std::u16string FormatText(std::u16string_view format, const std::vector<FormatArg>& args);

}  // namespace mv
