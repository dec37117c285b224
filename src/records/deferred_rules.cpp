#include "records/deferred_rules.h"

#include <optional>

#include "base/format.h"
#include "base/text.h"
#include "package/corrupt.h"

namespace mv {

namespace {

constexpr int kCorruptComparison = 65;

std::optional<std::uint64_t> ParseByteCount(std::string_view text) {
  if (text.empty() || text.size() > 20) return std::nullopt;
  std::uint64_t value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    const std::uint64_t digit = static_cast<std::uint64_t>(c - '0');
    if (value > (UINT64_MAX - digit) / 10) return std::nullopt;
    value = value * 10 + digit;
  }
  return value;
}

// Negative, zero or positive as `file` lies before, on or after the comparison date; the day alone
// when the comparison has no time.
int CompareWithCondition(const FileDateTime& file, const FileDateTime& comparison) {
  if (comparison.HasTime()) return CompareFileDateTime(file, comparison);
  FileDateTime day = file;
  day.hour = -1;
  return CompareFileDateTime(day, comparison);
}

bool IsPendingMark(char16_t c) { return c == u'\\' || c == u'?' || c == u'!'; }

bool IsLineBreak(char c) { return c == '\r' || c == '\n'; }

// Whether the line is "[rename]" (any case, blanks around allowed).
bool IsRenameHeader(std::string_view line) {
  while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
  while (!line.empty() && (line.back() == ' ' || line.back() == '\t')) line.remove_suffix(1);
  constexpr std::string_view kHeader = "[rename]";
  if (line.size() != kHeader.size()) return false;
  for (std::size_t i = 0; i < line.size(); ++i) {
    const char c = line[i] >= 'A' && line[i] <= 'Z' ? static_cast<char>(line[i] - 'A' + 'a') : line[i];
    if (c != kHeader[i]) return false;
  }
  return true;
}

}  // namespace

DeletionCondition ParseDeletionCondition(std::uint8_t condition, std::string_view comparison) {
  DeletionCondition parsed;
  switch (condition) {
    case 1:
    case 2:
    case 3: {
      const std::optional<FileDateTime> date = ParseFileDateTime(comparison);
      if (!date) throw CorruptPackage(kCorruptComparison, "conditional deletion date");
      parsed.test = condition == 1 ? DeletionTest::kDateEqual
                    : condition == 2 ? DeletionTest::kDateNotBefore
                                     : DeletionTest::kDateNotAfter;
      parsed.date = *date;
      return parsed;
    }
    case 4:
    case 5:
    case 6: {
      const std::optional<std::uint64_t> size = ParseByteCount(comparison);
      if (!size) throw CorruptPackage(kCorruptComparison, "conditional deletion size");
      parsed.test = condition == 4 ? DeletionTest::kSizeEqual
                    : condition == 5 ? DeletionTest::kSizeAtLeast
                                     : DeletionTest::kSizeAtMost;
      parsed.size = *size;
      return parsed;
    }
    default:
      return parsed;
  }
}

bool DeletionConditionHolds(const DeletionCondition& condition, const FileDateTime& last_write,
                            std::uint64_t size) {
  switch (condition.test) {
    case DeletionTest::kAlways: return true;
    case DeletionTest::kDateEqual: return CompareWithCondition(last_write, condition.date) == 0;
    case DeletionTest::kDateNotBefore: return CompareWithCondition(last_write, condition.date) >= 0;
    case DeletionTest::kDateNotAfter: return CompareWithCondition(last_write, condition.date) <= 0;
    case DeletionTest::kSizeEqual: return size == condition.size;
    case DeletionTest::kSizeAtLeast: return size >= condition.size;
    case DeletionTest::kSizeAtMost: return size <= condition.size;
  }
  return false;
}

std::u16string DeferredDeletionLine(std::u16string_view path, std::u16string_view failure_message) {
  if (failure_message.empty()) return FormatText(u"File \"%s\" will be deleted after rebooting%s%s\r\n", {path, u"", u"."});
  return FormatText(u"File \"%s\" will be deleted after rebooting%s%s\r\n", {path, u": ", failure_message});
}

std::vector<std::u16string> SplitMultiString(std::u16string_view data) {
  std::vector<std::u16string> strings;
  std::size_t start = 0;
  while (start < data.size()) {
    std::size_t end = data.find(u'\0', start);
    if (end == std::u16string_view::npos) end = data.size();
    strings.emplace_back(data.substr(start, end - start));
    start = end + 1;
  }
  // An odd count ending in an empty string: that one is the list's terminator, not a target.
  if (strings.size() % 2 == 1 && strings.back().empty()) strings.pop_back();
  return strings;
}

std::u16string JoinMultiString(const std::vector<std::u16string>& strings) {
  std::u16string data;
  for (const std::u16string& s : strings) {
    data += s;
    data += u'\0';
  }
  data += u'\0';
  return data;
}

std::u16string PendingPathAsFileName(std::u16string_view path) {
  while (!path.empty() && IsPendingMark(path.front())) path.remove_prefix(1);
  return std::u16string(path);
}

PendingCleanup CleanPendingList(const std::vector<std::u16string>& strings,
                                const std::function<bool(std::u16string_view)>& installed) {
  PendingCleanup result;
  std::size_t i = 0;
  for (; i + 1 < strings.size(); i += 2) {
    const std::u16string& source = strings[i];
    const std::u16string& target = strings[i + 1];
    if (!target.empty()) {
      const std::u16string target_file = PendingPathAsFileName(target);
      if (installed(target_file)) {
        result.log += FormatText(u"File \"%s\" was removed from the list of pending moves.\r\n", {target_file});
        result.sources_to_delete.push_back(PendingPathAsFileName(source));
        result.changed = true;
        continue;
      }
    } else {
      const std::u16string source_file = PendingPathAsFileName(source);
      if (installed(source_file)) {
        result.log += FormatText(u"File \"%s\" was removed from the list of pending deletions.\r\n", {source_file});
        result.changed = true;
        continue;
      }
    }
    result.kept.push_back(source);
    result.kept.push_back(target);
  }
  if (i < strings.size()) result.kept.push_back(strings[i]);
  return result;
}

std::string AddRenameLine(std::string_view ini, std::string_view target, std::string_view source) {
  const std::string line = std::string(target) + "=" + std::string(source);
  std::size_t start = 0;
  while (start < ini.size()) {
    std::size_t end = start;
    while (end < ini.size() && !IsLineBreak(ini[end])) ++end;
    if (IsRenameHeader(ini.substr(start, end - start))) {
      std::string out(ini.substr(0, end));
      out += "\r\n" + line;
      out += ini.substr(end);
      return out;
    }
    start = end;
    if (start < ini.size() && ini[start] == '\r') ++start;
    if (start < ini.size() && ini[start] == '\n') ++start;
  }
  std::string out(ini);
  if (!out.empty() && !IsLineBreak(out.back())) out += "\r\n";
  out += "[rename]\r\n" + line;
  return out;
}

AfterWriteFailure DecideAfterWriteFailure(std::uint32_t error, bool caller_allows, bool product_allows) {
  if (error == kErrorInvalidName) return {};
  if (error == kErrorDiskFull) return {false, true};
  return {caller_allows || product_allows, false};
}

std::u16string WriteFailureHead(std::u16string_view heading, std::u16string_view path) {
  return FormatText(u"\r\n%s %s\r\n", {heading, path});
}

std::u16string DriveMissingLine(std::u16string_view path) {
  const char16_t letter = path.empty() ? u'?' : path[0];
  const char16_t upper = letter >= u'a' && letter <= u'z' ? static_cast<char16_t>(letter - u'a' + u'A') : letter;
  return FormatText(u"Drive %s: is not present.\r\n", {std::u16string(1, upper)});
}

std::u16string ReplacementRegisteredText(std::u16string_view target, std::u16string_view temporary) {
  return FormatText(
      u"\"%s\" was successfully registered for replacement.\r\nTemporary file is \"%s\"\r\nReboot will be required.\r\n\r\n",
      {target, temporary});
}

std::u16string ReplacementNoTemporaryText(std::u16string_view target, std::u16string_view system_message) {
  return FormatText(u"Failed to register '%s' for replacement because no temporary file could be created.\r\n%s\r\n\r\n",
                    {target, system_message});
}

std::u16string ReplacementFailedText(std::u16string_view target, std::u16string_view temporary,
                                     std::u16string_view system_message) {
  return FormatText(u"Failed to register '%s' for replacement with temporary file '%s'\r\n%s\r\n\r\n",
                    {target, temporary, system_message});
}

}  // namespace mv
