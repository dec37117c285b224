#include "engine/registry_script.h"

#include <limits>

#include "base/csv.h"
#include "base/path.h"
#include "base/text.h"

namespace mv {

namespace {

constexpr std::u16string_view kBlanks = u" \t\r\n";

std::u16string_view Trim(std::u16string_view text) {
  const std::size_t first = text.find_first_not_of(kBlanks);
  if (first == std::u16string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

// A decimal number of `bits` bits (32 or 64), with an optional "-" (stored as two's complement),
// blanks around it ignored; nullopt for anything else or a number outside the width.
std::optional<std::uint64_t> ParseDecimal(std::u16string_view text, int bits) {
  text = Trim(text);
  const bool negative = !text.empty() && text[0] == u'-';
  if (negative) text.remove_prefix(1);
  if (text.empty()) return std::nullopt;
  const std::uint64_t max = bits == 64 ? std::numeric_limits<std::uint64_t>::max() : 0xFFFFFFFFull;
  // The largest magnitude: the whole range unsigned, half of it (plus one) negative.
  const std::uint64_t limit = negative ? (max >> 1) + 1 : max;
  std::uint64_t value = 0;
  for (char16_t c : text) {
    if (c < u'0' || c > u'9') return std::nullopt;
    const unsigned digit = c - u'0';
    if (value > (limit - digit) / 10) return std::nullopt;
    value = value * 10 + digit;
  }
  if (negative) value = (0 - value) & max;
  return value;
}

Bytes LittleEndian(std::uint64_t value, std::size_t size) {
  Bytes out(size);
  for (std::size_t i = 0; i < size; ++i) out[i] = static_cast<std::uint8_t>(value >> (8 * i));
  return out;
}

Bytes Utf16Bytes(std::u16string_view text) {
  Bytes out;
  out.reserve(text.size() * 2);
  for (char16_t c : text) AppendLe16(out, c);
  return out;
}

int HexDigit(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

// The record as written in the script, without its line end.
std::u16string RecordText(const std::vector<std::u16string>& fields) {
  std::u16string line = CsvLine(fields);
  line.resize(line.size() - 2);
  return line;
}

RegistryAction Illegal(std::u16string text) {
  RegistryAction a;
  a.step = RegistryStep::kIllegal;
  a.text = std::move(text);
  return a;
}

// The value's data by type; false for a type the table does not name or a malformed number.
bool ConvertData(std::uint32_t type, std::u16string_view data, const ExpandText& expand, Bytes& out) {
  switch (type) {
    case 1: out = StringValueData(expand(data)); return true;
    case 2: out = StringValueData(data); return true;
    case 3: out = BinaryValueData(data); return true;
    case 4:
    case 11: {
      const int bits = type == 4 ? 32 : 64;
      const std::optional<std::uint64_t> n = ParseDecimal(data, bits);
      if (!n) return false;
      out = LittleEndian(*n, bits / 8);
      return true;
    }
    case 0:
    case 5:
    case 6:
    case 7:
    case 8:
    case 9:
    case 10: out.clear(); return true;
    default: return false;
  }
}

// The offset just after the line end that ends the line beginning at `start`; the text's size when
// it is the last line. Line ends are CR LF, a lone LF or a lone CR, as the CSV reader counts them.
std::size_t NextLine(std::u16string_view text, std::size_t start) {
  const std::size_t end = text.find_first_of(u"\r\n", start);
  if (end == std::u16string_view::npos) return text.size();
  return end + (text[end] == u'\r' && end + 1 < text.size() && text[end + 1] == u'\n' ? 2 : 1);
}

std::u16string_view LineText(std::u16string_view text, std::size_t start) {
  const std::size_t end = text.find_first_of(u"\r\n", start);
  return text.substr(start, end == std::u16string_view::npos ? std::u16string_view::npos : end - start);
}

bool StartsWithAt(std::u16string_view text, std::size_t at, std::u16string_view part) {
  if (at > text.size() || text.size() - at < part.size()) return false;
  for (std::size_t i = 0; i < part.size(); ++i)
    if (AsciiLower(text[at + i]) != AsciiLower(part[i])) return false;
  return true;
}

std::size_t FindIgnoringCase(std::u16string_view text, std::u16string_view part) {
  if (part.size() > text.size()) return std::u16string_view::npos;
  for (std::size_t at = 0; at + part.size() <= text.size(); ++at)
    if (StartsWithAt(text, at, part)) return at;
  return std::u16string_view::npos;
}

bool EndsWithIgnoringCase(std::u16string_view text, std::u16string_view part) {
  return part.size() <= text.size() && StartsWithAt(text, text.size() - part.size(), part);
}

}  // namespace

RegistryStepsToRun RegistryStepsFor(bool removable_target, std::uint32_t product_flags2) {
  RegistryStepsToRun steps;
  steps.product_key_and_script = !(removable_target && (product_flags2 & kFlags2NoRegistryOnRemovable));
  steps.app_paths = !removable_target;
  return steps;
}

Bytes StringValueData(std::u16string_view text) {
  Bytes out = Utf16Bytes(text);
  out.push_back(0);
  out.push_back(0);
  return out;
}

Bytes BinaryValueData(std::u16string_view text) {
  Bytes out;
  int high = -1;
  for (char16_t c : text) {
    if (c == u' ') continue;
    const int digit = HexDigit(c);
    if (digit < 0) return Utf16Bytes(text);
    if (high < 0) {
      high = digit;
    } else {
      out.push_back(static_cast<std::uint8_t>(high << 4 | digit));
      high = -1;
    }
  }
  if (high >= 0) return Utf16Bytes(text);
  return out;
}

RegistryAction DecideRegistryRecord(const std::vector<std::u16string>& fields, const ExpandText& expand) {
  RegistryAction a;
  if (fields.size() == 1) {
    a.key = std::u16string(Trim(fields[0]));
    if (!a.key.empty()) a.step = RegistryStep::kCreateKey;
    return a;
  }
  if (fields.size() != 5) return Illegal(RecordText(fields));

  const std::optional<std::uint64_t> mode = ParseDecimal(fields[4], 32);
  if (!mode || *mode < 1 || *mode > 7) return Illegal(RecordText(fields));
  a.key = fields[0];
  a.value_name = fields[1];
  switch (*mode) {
    case 2: return a;
    case 4:
    case 5: a.step = RegistryStep::kDeleteValue; return a;
    default: break;
  }
  a.keep_existing = *mode == 6 || *mode == 7;
  const std::optional<std::uint64_t> type = ParseDecimal(fields[2], 32);
  if (!type || !ConvertData(static_cast<std::uint32_t>(*type), fields[3], expand, a.data))
    return Illegal(RecordText(fields));
  a.type = static_cast<std::uint32_t>(*type);
  a.step = RegistryStep::kSetValue;
  return a;
}

std::vector<RegistryAction> PlanRegistryScript(std::u16string_view script, const ExpandText& expand) {
  if (!script.empty() && script[0] == u'\uFEFF') script.remove_prefix(1);
  std::vector<RegistryAction> plan;
  std::vector<std::u16string> fields;
  std::size_t offset = 0;  // where the current reader's text begins
  while (offset < script.size()) {
    const std::u16string_view rest = script.substr(offset);
    CsvReader16 reader(rest);
    while (reader.Next(fields)) plan.push_back(DecideRegistryRecord(fields, expand));
    if (!reader.failed()) break;
    // The malformed record's first line is reported; reading resumes on the line after it.
    std::size_t line_start = 0;
    for (std::size_t line = 1; line < reader.record_line(); ++line) line_start = NextLine(rest, line_start);
    plan.push_back(Illegal(std::u16string(LineText(rest, line_start))));
    offset += NextLine(rest, line_start);
  }
  return plan;
}

std::u16string UninstallValueRecord(std::u16string_view key, std::u16string_view value_name) {
  return CsvLine({std::u16string(key), std::u16string(value_name), u"", u"", u"2"});
}

std::u16string UninstallKeyRecord(std::u16string_view key) { return CsvLine({std::u16string(key)}); }

std::u16string SearchPathFolder(std::u16string_view install_dir, std::u16string_view subfolder) {
  if (subfolder.empty()) return std::u16string(install_dir);
  if (IsAbsoluteFolder(subfolder)) return std::u16string(subfolder);
  return JoinPath(install_dir, subfolder);
}

std::optional<std::u16string> EditSearchPath(std::u16string_view path, std::u16string_view folder, bool add) {
  if (folder.empty()) return std::nullopt;
  const std::u16string element = std::u16string(folder) + u';';
  const std::size_t found = FindIgnoringCase(path, element);
  std::u16string out(path);
  if (found != std::u16string_view::npos) {
    if (add) return std::nullopt;
    out.erase(found, element.size());
    return out;
  }
  if (add) {
    if (EndsWithIgnoringCase(path, folder)) return std::nullopt;
    if (!out.empty() && out.back() != u';') out += u';';
    out += folder;
    return out;
  }
  if (!EndsWithIgnoringCase(path, folder)) return std::nullopt;
  out.resize(out.size() - folder.size());
  if (!out.empty() && out.back() == u';') out.pop_back();
  return out;
}

}  // namespace mv
