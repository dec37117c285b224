// Conversions between the text forms the runtime handles: UTF-16 (std::u16string), UTF-8 and
// 8-bit text (std::string). Invalid sequences become U+FFFD; nothing here throws on bad input.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>

namespace mv {

std::u16string Utf8ToUtf16(std::string_view utf8);
std::string Utf16ToUtf8(std::u16string_view utf16);

// ASCII-only case folding, used wherever the format compares names "without regard to case".
char16_t AsciiLower(char16_t c);
bool EqualsIgnoreAsciiCase(std::u16string_view a, std::u16string_view b);

// One name of a replacement table. Names match without regard to ASCII letter case unless
// `exact_case` is set.
struct VariableName {
  std::u16string_view name;
  bool exact_case = false;
};

// Replaces, row by row in table order, every occurrence of each name by its value. `value_of` is
// called with the row's index only when the name occurs in the text as the row is reached, and at
// most once per row. Later rows see the text as earlier rows left it (a value that contains a later
// name is replaced by that later row); a value is never rescanned by its own row.
void ReplaceNames(std::u16string& text, std::span<const VariableName> table,
                  const std::function<std::u16string(std::size_t)>& value_of);

// Whether stored bytes begin with "{\rtf", after an optional UTF-8 byte-order mark.
bool IsRichText(std::span<const std::uint8_t> bytes);

// Decimal digits of `n`, with a leading "-" when negative.
std::u16string Decimal(std::int64_t n);

}  // namespace mv
