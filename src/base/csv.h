// Comma-separated records as the installer writes and reads them: in Uninstall.dat (8-bit text) and
// in the registry script (UTF-16 text). One writer and one reader serve both text kinds.
//
// Writing: fields are separated by ","; a field is enclosed in double quotes when it contains a
// comma, a double quote, a tab, a carriage return, a line feed, ";" or "|", or begins with a space,
// an apostrophe or "#", or ends with a space; a double quote inside a quoted field is doubled; the
// record ends with "\r\n".
//
// Reading: a record ends at CR LF, a lone LF or a lone CR outside quotes, or at the end of the text.
// A field that begins with a double quote is quoted: it runs to the next lone double quote ("" inside
// stands for one) and may hold line breaks; only a comma, a line end or the end of the text may
// follow it. In a field that does not begin with a quote every character is literal. Whatever a
// record holds, the writer's line for it reads back as the same fields.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace mv {

// Whether the writer encloses `field` in quotes.
bool CsvNeedsQuotes(std::string_view field);
bool CsvNeedsQuotes(std::u16string_view field);

// One record: the fields, quoted where needed, separated by "," and ended by "\r\n". A record has
// at least one field; an empty list is written as one empty field.
std::string CsvLine(const std::vector<std::string>& fields);
std::u16string CsvLine(const std::vector<std::u16string>& fields);

// Reads records one at a time from a text that it does not copy (the text must outlive the reader).
template <typename Char>
class BasicCsvReader {
 public:
  using String = std::basic_string<Char>;
  using View = std::basic_string_view<Char>;

  // `first_line` is the number the text's first line gets in error texts and record_line().
  explicit BasicCsvReader(View text, std::size_t first_line = 1) : text_(text), line_(first_line) {}

  // Reads the next record into `fields` (replacing what they held). False at the end of the text
  // and on malformed input; failed() tells the two apart, and a failed reader stays failed.
  bool Next(std::vector<String>& fields);

  bool failed() const { return !error_.empty(); }
  // What was malformed, with the line it was found on; empty while nothing was.
  const std::string& error() const { return error_; }
  // The line (from 1) on which the last record read began.
  std::size_t record_line() const { return record_line_; }

 private:
  bool Fail(const std::string& what, std::size_t line);
  // Consumes a line end at the current position; false when there is none.
  bool TakeLineEnd();

  View text_;
  std::size_t pos_ = 0;
  std::size_t line_;
  std::size_t record_line_ = 0;
  std::string error_;
};

using CsvReader = BasicCsvReader<char>;
using CsvReader16 = BasicCsvReader<char16_t>;

}  // namespace mv
