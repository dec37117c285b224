#include "records/uninstall_file.h"

#include <limits>
#include <optional>

#include "base/csv.h"
#include "base/text.h"

namespace mv {

namespace {

constexpr std::string_view kLineEnd = "\r\n";

enum Section { kEntries, kStrings, kAutoClose, kAssociations, kFirewall, kDrivers, kPackages, kRegistry,
               kConditionalDelete, kSectionCount };

// The header line of each section, in the order they are written (the entry list has none).
constexpr std::string_view kHeaders[kSectionCount] = {
    "", "[Strings]", "[AutoClose]", "[Associations]", "[Firewall]", "[INF]", "[MSI]", "[Registry2]",
    "[ConditionalDelete]"};

std::optional<Section> HeaderOf(std::string_view line) {
  for (int s = kStrings; s < kSectionCount; ++s)
    if (line == kHeaders[s]) return static_cast<Section>(s);
  return std::nullopt;
}

void StartSection(std::string& out, Section s) {
  out += "\r\n\r\n";
  out += kHeaders[s];
  out += kLineEnd;
}

void AppendLines(std::string& out, const std::vector<std::string>& lines) {
  for (const std::string& line : lines) {
    out += line;
    out += kLineEnd;
  }
}

// A decimal number of digits only, at most `max`.
template <typename T>
std::optional<T> ParseDecimal(std::string_view text, std::uint64_t max = std::numeric_limits<T>::max()) {
  if (text.empty()) return std::nullopt;
  std::uint64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + static_cast<std::uint64_t>(c - '0');
    if (value > max) return std::nullopt;
  }
  return static_cast<T>(value);
}

struct Line {
  std::size_t number;  // from 1
  std::string_view text;
};

// Lines end with CR LF; a last line without one counts when it is not empty. A lone CR or LF is
// part of its line.
std::vector<Line> SplitLines(std::string_view bytes) {
  std::vector<Line> lines;
  std::size_t start = 0;
  while (start < bytes.size()) {
    std::size_t end = bytes.find(kLineEnd, start);
    if (end == std::string_view::npos) {
      lines.push_back({lines.size() + 1, bytes.substr(start)});
      break;
    }
    lines.push_back({lines.size() + 1, bytes.substr(start, end - start)});
    start = end + kLineEnd.size();
  }
  return lines;
}

std::string Join(const std::vector<Line>& lines) {
  std::string out;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (i > 0) out += kLineEnd;
    out += lines[i].text;
  }
  return out;
}

std::vector<std::string> Texts(const std::vector<Line>& lines) {
  std::vector<std::string> out;
  out.reserve(lines.size());
  for (const Line& line : lines) out.emplace_back(line.text);
  return out;
}

std::string At(std::size_t line, const std::string& what) { return "line " + std::to_string(line) + ": " + what; }

bool ReadStrings(const std::vector<Line>& lines, std::vector<NumberedText>& out, std::string& error) {
  std::optional<int> number;  // of the text being read; empty while it is skipped
  bool started = false;
  std::vector<Line> text;
  auto finish = [&] {
    if (started && number) out.push_back({*number, Utf8ToUtf16(Join(text))});
    text.clear();
  };
  for (const Line& line : lines) {
    if (!line.text.empty() && line.text[0] == '~') {
      finish();
      started = true;
      number = ParseDecimal<int>(line.text.substr(1), kMaxUninstallTextNumber);
      if (number && *number < 1) number.reset();
      continue;
    }
    if (!started) {
      if (!line.text.empty()) {
        error = At(line.number, "text in [Strings] before the first \"~\" number line");
        return false;
      }
      continue;
    }
    text.push_back(line);
  }
  finish();
  return true;
}

// Reads the CSV records of a section, calling `take` with each; false (with `error` set) when the
// text is not valid CSV or `take` refuses a record.
template <typename Take>
bool ReadRecords(const std::vector<Line>& lines, std::string_view section, std::string& error, Take take) {
  if (lines.empty()) return true;
  const std::string text = Join(lines);
  CsvReader reader(text, lines.front().number);
  std::vector<std::string> fields;
  while (reader.Next(fields)) {
    if (std::string why = take(fields); !why.empty()) {
      error = std::string(section) + " line " + std::to_string(reader.record_line()) + ": " + why;
      return false;
    }
  }
  if (reader.failed()) {
    error = std::string(section) + " " + reader.error();
    return false;
  }
  return true;
}

}  // namespace

bool IsUninstallSectionHeader(std::string_view line) { return HeaderOf(line).has_value(); }

std::string ComposeUninstallFile(const UninstallFile& f) {
  std::string out;
  AppendLines(out, f.entries);

  StartSection(out, kStrings);
  for (const NumberedText& s : f.strings) {
    out += '~';
    out += std::to_string(s.number);
    out += kLineEnd;
    out += Utf16ToUtf8(s.text);
    out += kLineEnd;
  }

  if (!f.auto_close.empty()) {
    StartSection(out, kAutoClose);
    for (const AutoCloseEntry& e : f.auto_close)
      out += CsvLine({Utf16ToUtf8(e.window_class), Utf16ToUtf8(e.window_title), Utf16ToUtf8(e.program_name),
                      std::to_string(e.action)});
  }
  const std::pair<Section, const std::vector<std::string>*> line_sections[] = {
      {kAssociations, &f.associations}, {kFirewall, &f.firewall}, {kDrivers, &f.drivers}, {kPackages, &f.packages}};
  for (const auto& [section, lines] : line_sections) {
    if (lines->empty()) continue;
    StartSection(out, section);
    AppendLines(out, *lines);
  }
  if (!f.registry_script.empty()) {
    StartSection(out, kRegistry);
    out += Utf16ToUtf8(f.registry_script);
    if (!out.ends_with(kLineEnd)) out += kLineEnd;
  }
  if (!f.conditional_deletions.empty()) {
    StartSection(out, kConditionalDelete);
    for (const DeletionRecord& d : f.conditional_deletions)
      out += CsvLine({d.path, std::to_string(d.condition), d.comparison, std::to_string(d.flags)});
  }
  return out;
}

UninstallFileResult ReadUninstallFile(std::string_view bytes) {
  UninstallFileResult result;
  std::vector<Line> sections[kSectionCount];
  bool seen[kSectionCount] = {};
  Section current = kEntries;
  for (const Line& line : SplitLines(bytes)) {
    std::optional<Section> header = HeaderOf(line.text);
    if (!header) {
      sections[current].push_back(line);
      continue;
    }
    if (seen[*header]) {
      result.error = At(line.number, "the section " + std::string(kHeaders[*header]) + " appears a second time");
      return result;
    }
    // The separator: the two empty lines written before every header.
    for (int i = 0; i < 2 && !sections[current].empty() && sections[current].back().text.empty(); ++i)
      sections[current].pop_back();
    seen[*header] = true;
    current = *header;
  }

  UninstallFile& f = result.file;
  f.entries = Texts(sections[kEntries]);
  if (!ReadStrings(sections[kStrings], f.strings, result.error)) return result;

  const bool auto_close_ok =
      ReadRecords(sections[kAutoClose], kHeaders[kAutoClose], result.error, [&](const std::vector<std::string>& r) {
        if (r.size() != 4) return std::string();  // skipped, as the uninstaller has always done
        std::optional<std::uint32_t> action = ParseDecimal<std::uint32_t>(r[3]);
        if (!action) return std::string("action is not a number: \"" + r[3] + "\"");
        f.auto_close.push_back({Utf8ToUtf16(r[0]), Utf8ToUtf16(r[1]), Utf8ToUtf16(r[2]), *action});
        return std::string();
      });
  if (!auto_close_ok) return result;

  f.associations = Texts(sections[kAssociations]);
  f.firewall = Texts(sections[kFirewall]);
  f.drivers = Texts(sections[kDrivers]);
  f.packages = Texts(sections[kPackages]);
  if (!sections[kRegistry].empty()) f.registry_script = Utf8ToUtf16(Join(sections[kRegistry]) + std::string(kLineEnd));

  const bool deletions_ok = ReadRecords(
      sections[kConditionalDelete], kHeaders[kConditionalDelete], result.error, [&](const std::vector<std::string>& r) {
        if (r.size() != 4) return "the record has " + std::to_string(r.size()) + " fields, not 4";
        std::optional<std::uint8_t> condition = ParseDecimal<std::uint8_t>(r[1]);
        std::optional<std::uint8_t> flags = ParseDecimal<std::uint8_t>(r[3]);
        if (!condition) return "condition is not a number from 0 to 255: \"" + r[1] + "\"";
        if (!flags) return "flags are not a number from 0 to 255: \"" + r[3] + "\"";
        f.conditional_deletions.push_back({r[0], *condition, r[2], *flags});
        return std::string();
      });
  if (!deletions_ok) return result;

  result.ok = true;
  return result;
}

std::vector<NumberedText> UninstallStrings(const Lists& lists, int language, std::u16string_view banner_title) {
  std::vector<NumberedText> out;
  out.reserve(kUninstallTextNumbers.size() + 1);
  for (int n : kUninstallTextNumbers) out.push_back({n, LanguageText(lists, language, n)});
  out.push_back({kBannerTitleNumber, std::u16string(banner_title)});
  return out;
}

std::vector<AutoCloseEntry> UninstallAutoClose(const std::vector<CloseProgramRecord>& records) {
  std::vector<AutoCloseEntry> out;
  for (const CloseProgramRecord& r : records)
    if (r.flags & kCloseAtUninstall) out.push_back({r.window_class, r.window_title, r.program_name, r.action});
  return out;
}

std::vector<DeletionRecord> UninstallDeletions(const std::vector<DeletionRecord>& records) {
  std::vector<DeletionRecord> out;
  for (const DeletionRecord& r : records)
    if (r.flags & kDeleteAtUninstall) out.push_back(r);
  return out;
}

std::u16string UninstallRegistryScript(const Bytes& package_script, std::u16string_view appended) {
  std::u16string script(package_script.size() / 2, u'\0');
  for (std::size_t i = 0; i < script.size(); ++i) script[i] = static_cast<char16_t>(LoadLe16(&package_script[2 * i]));
  if (!script.empty() && !appended.empty() && !script.ends_with(u"\r\n")) script += u"\r\n";
  script += appended;
  return script;
}

}  // namespace mv
