#include "base/csv.h"

namespace mv {

namespace {

template <typename Char>
bool NeedsQuotes(std::basic_string_view<Char> field) {
  if (field.empty()) return false;
  for (Char c : field) {
    if (c == ',' || c == '"' || c == '\t' || c == '\r' || c == '\n' || c == ';' || c == '|') return true;
  }
  const Char first = field.front();
  return first == ' ' || first == '\'' || first == '#' || field.back() == ' ';
}

template <typename Char>
std::basic_string<Char> Line(const std::vector<std::basic_string<Char>>& fields) {
  std::basic_string<Char> out;
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (i > 0) out += Char(',');
    const std::basic_string<Char>& field = fields[i];
    if (!NeedsQuotes<Char>(field)) {
      out += field;
      continue;
    }
    out += Char('"');
    for (Char c : field) {
      if (c == '"') out += Char('"');
      out += c;
    }
    out += Char('"');
  }
  out += Char('\r');
  out += Char('\n');
  return out;
}

}  // namespace

bool CsvNeedsQuotes(std::string_view field) { return NeedsQuotes(field); }
bool CsvNeedsQuotes(std::u16string_view field) { return NeedsQuotes(field); }

std::string CsvLine(const std::vector<std::string>& fields) { return Line(fields); }
std::u16string CsvLine(const std::vector<std::u16string>& fields) { return Line(fields); }

template <typename Char>
bool BasicCsvReader<Char>::Fail(const std::string& what, std::size_t line) {
  if (error_.empty()) error_ = "line " + std::to_string(line) + ": " + what;
  return false;
}

template <typename Char>
bool BasicCsvReader<Char>::TakeLineEnd() {
  if (pos_ >= text_.size()) return false;
  if (text_[pos_] == '\r') {
    ++pos_;
    if (pos_ < text_.size() && text_[pos_] == '\n') ++pos_;
  } else if (text_[pos_] == '\n') {
    ++pos_;
  } else {
    return false;
  }
  ++line_;
  return true;
}

template <typename Char>
bool BasicCsvReader<Char>::Next(std::vector<String>& fields) {
  fields.clear();
  if (failed() || pos_ >= text_.size()) return false;
  record_line_ = line_;
  for (;;) {
    String field;
    if (text_[pos_] == '"') {
      const std::size_t opened_on = line_;
      ++pos_;
      for (;;) {
        if (pos_ >= text_.size()) return Fail("the quoted field that begins here has no closing quote", opened_on);
        const Char c = text_[pos_];
        if (c == '"') {
          if (pos_ + 1 < text_.size() && text_[pos_ + 1] == '"') {
            field += c;
            pos_ += 2;
            continue;
          }
          ++pos_;
          break;
        }
        if (c == '\r' || c == '\n') {
          // Counted like a line end; CR LF is one.
          field += c;
          ++pos_;
          if (c == '\r' && pos_ < text_.size() && text_[pos_] == '\n') {
            field += text_[pos_];
            ++pos_;
          }
          ++line_;
          continue;
        }
        field += c;
        ++pos_;
      }
      if (pos_ < text_.size() && text_[pos_] != ',' && text_[pos_] != '\r' && text_[pos_] != '\n')
        return Fail("text follows the closing quote of a field", line_);
    } else {
      while (pos_ < text_.size() && text_[pos_] != ',' && text_[pos_] != '\r' && text_[pos_] != '\n') {
        field += text_[pos_];
        ++pos_;
      }
    }
    fields.push_back(std::move(field));
    if (pos_ < text_.size() && text_[pos_] == ',') {
      ++pos_;
      // A comma at the very end still ends an (empty) field.
      if (pos_ >= text_.size()) {
        fields.emplace_back();
        return true;
      }
      continue;
    }
    TakeLineEnd();
    return true;
  }
}

template class BasicCsvReader<char>;
template class BasicCsvReader<char16_t>;

}  // namespace mv
