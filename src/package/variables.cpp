#include "package/variables.h"

#include <algorithm>
#include <limits>

#include "base/text.h"

namespace mv {

namespace {

bool MatchesAt(std::u16string_view text, std::size_t pos, const VariableName& row) {
  if (text.size() - pos < row.name.size()) return false;
  const std::u16string_view candidate = text.substr(pos, row.name.size());
  return row.exact_case ? candidate == row.name : EqualsIgnoreAsciiCase(candidate, row.name);
}

// The first occurrence of the row's name at or after `from`; npos when there is none.
std::size_t FindName(std::u16string_view text, std::size_t from, const VariableName& row) {
  if (row.name.empty()) return std::u16string_view::npos;
  for (std::size_t pos = from; pos < text.size(); ++pos) {
    if (MatchesAt(text, pos, row)) return pos;
  }
  return std::u16string_view::npos;
}

bool IsAsciiLetter(char16_t c) { return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z'); }
bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }
bool IsSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
bool IsSeparator(char16_t c) { return c == u'\\' || c == u'/'; }

std::u16string Padded(int n, std::size_t width) {
  std::u16string digits = Decimal(n);
  if (digits.size() < width) digits.insert(0, width - digits.size(), u'0');
  return digits;
}

// 0 for Monday ... 6 for Sunday, in the proleptic Gregorian calendar.
int Weekday(int year, int month, int day) {
  static constexpr int kOffsets[] = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
  if (month < 3) year -= 1;
  const int sunday_first = ((year + year / 4 - year / 100 + year / 400 + kOffsets[(month - 1) % 12] + day) % 7 + 7) % 7;
  return (sunday_first + 6) % 7;
}

std::u16string NameOr(const std::u16string& name, int number) { return name.empty() ? Decimal(number) : name; }

}  // namespace

void ReplaceNames(std::u16string& text, std::span<const VariableName> table,
                  const std::function<std::u16string(std::size_t)>& value_of) {
  for (std::size_t row = 0; row < table.size(); ++row) {
    std::size_t pos = FindName(text, 0, table[row]);
    if (pos == std::u16string::npos) continue;
    const std::u16string value = value_of(row);
    do {
      text.replace(pos, table[row].name.size(), value);
      pos = FindName(text, pos + value.size(), table[row]);
    } while (pos != std::u16string::npos);
  }
}

namespace {
constexpr std::array<VariableName, kVariableCount> MakeVariableTable() {
  return {{
      {u"%AppDataAllDir%"}, {u"%AppDataDir%"}, {u"%Automatic%"}, {u"%Bits%"}, {u"%BootDrive%"},
      {u"%CommonDir%"}, {u"%CommonDir32%"}, {u"%CommonDir64%"}, {u"%DesktopAllDir%"}, {u"%DesktopDir%"},
      {u"%DesktopShortcuts%"}, {u"%DeviceDir%"}, {u"%DocumentAllDir%"}, {u"%DocumentDir%"}, {u"%Existing%"},
      {u"%FavoritesAllDir%"}, {u"%FavoritesDir%"}, {u"%FontDir%"}, {u"%Inetpub%"}, {u"%InstallDir%"},
      {u"%InstallDrive%"}, {u"%InstallerDir%"}, {u"%InstallerDrive%"}, {u"%InstallerFilename%"},
      {u"%InstallerFilepath%"}, {u"%UninstallerFilepath%"}, {u"%Language%"}, {u"%LogFilepath%"},
      {u"%MediaDir%"}, {u"%NetworkInstall%"}, {u"%OldVersion%"}, {u"%OldVersionMajor%", true},
      {u"%OldVersionMinor%", true}, {u"%Portable%"}, {u"%ProductName%"}, {u"%CompanyName%"},
      {u"%ProgramsDir%"}, {u"%ProgramsDir32%"}, {u"%ProgramsDir64%"}, {u"%SharedDir%"},
      {u"%SMProgramsAllDir%"}, {u"%SMProgramsDir%"}, {u"%StartMenuAllDir%"}, {u"%StartMenuChosen%"},
      {u"%StartMenuDir%"}, {u"%StartupAllDir%"}, {u"%StartupDir%"}, {u"%SystemDir%"}, {u"%Temp%"},
      {u"%UninstallDir%"}, {u"%WinDir%"}, {u"%Version%"}, {u"%VersionMajor%"}, {u"%VersionMinor%"},
      {u"%OS%"}, {u"%OSMajor%"}, {u"%OSMinor%"}, {u"%OSName%"}, {u"%OSDescription%"}, {u"%OSServer%"},
  }};
}

constexpr VariableName kPlaceholderTable[] = {
    {u"<product>", true}, {u"<description>", true}, {u"<os>", true}, {u"<lbdate>", true}};
}  // namespace

const std::array<VariableName, kVariableCount> kVariableTable = MakeVariableTable();

void ReplaceVariables(std::u16string& text, const std::function<std::u16string(Variable)>& value_of) {
  ReplaceNames(text, kVariableTable, [&](std::size_t row) { return value_of(static_cast<Variable>(row)); });
}

void ReplacePlaceholderNames(std::u16string& text, const std::function<std::u16string(Placeholder)>& value_of) {
  ReplaceNames(text, kPlaceholderTable, [&](std::size_t row) { return value_of(static_cast<Placeholder>(row)); });
}

std::int32_t VersionMajor(std::string_view version) {
  std::size_t i = 0;
  while (i < version.size() && IsSpace(version[i])) ++i;
  bool negative = false;
  if (i < version.size() && (version[i] == '+' || version[i] == '-')) negative = version[i++] == '-';
  std::int64_t magnitude = 0;
  constexpr std::int64_t kLimit = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
  for (; i < version.size() && IsDigit(version[i]); ++i) {
    magnitude = std::min(magnitude * 10 + (version[i] - '0'), kLimit);
  }
  if (negative) return static_cast<std::int32_t>(-magnitude);
  return static_cast<std::int32_t>(std::min<std::int64_t>(magnitude, kLimit - 1));
}

std::int32_t VersionMinor(std::string_view version) {
  const std::size_t dot = version.find('.');
  return dot == std::string_view::npos ? 0 : VersionMajor(version.substr(dot + 1));
}

std::u16string VersionPart(std::u16string_view version, std::size_t part) {
  for (std::size_t start = 0, index = 0;; ++index) {
    const std::size_t dot = version.find(u'.', start);
    if (index == part) return std::u16string(version.substr(start, dot == std::u16string_view::npos ? dot : dot - start));
    if (dot == std::u16string_view::npos) return {};
    start = dot + 1;
  }
}

std::u16string DriveOf(std::u16string_view path) {
  if (path.size() >= 2 && IsAsciiLetter(path[0]) && path[1] == u':') return std::u16string(path.substr(0, 2));
  return {};
}

std::u16string FolderOf(std::u16string_view path) {
  const std::size_t slash = path.find_last_of(u"\\/");
  if (slash == std::u16string_view::npos) return {};
  if (slash == 2 && !DriveOf(path).empty()) return std::u16string(path.substr(0, 3));
  return std::u16string(path.substr(0, slash));
}

std::u16string FileNameOf(std::u16string_view path) {
  const std::size_t slash = path.find_last_of(u"\\/");
  return std::u16string(slash == std::u16string_view::npos ? path : path.substr(slash + 1));
}

std::u16string JoinPath(std::u16string_view folder, std::u16string_view name) {
  std::u16string out(folder);
  if (name.empty()) return out;
  if (out.empty() || !IsSeparator(out.back())) out += u'\\';
  out += name;
  return out;
}

std::u16string LogFilePath(std::u16string_view install_dir, std::u16string_view uninstall_subdir) {
  return JoinPath(JoinPath(install_dir, uninstall_subdir), u"Install.log");
}

bool IsRemovableLikeDrive(unsigned drive_type) {
  return drive_type == kDriveRemovable || drive_type == kDriveCdRom || drive_type == kDriveRamDisk;
}

bool IsNetworkLocation(std::u16string_view path, unsigned drive_type) {
  return (path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1])) || drive_type == kDriveRemote;
}

std::u16string Decimal(std::int64_t n) {
  const std::string digits = std::to_string(n);
  return std::u16string(digits.begin(), digits.end());
}

std::u16string FormatShortDate(std::u16string_view pattern, int year, int month, int day, const DateNames& names) {
  std::u16string out;
  for (std::size_t i = 0; i < pattern.size();) {
    const char16_t c = pattern[i];
    if (c == u'\'') {
      // Quoted text; two quotes in a row stand for one quote.
      for (++i; i < pattern.size(); ++i) {
        if (pattern[i] != u'\'') {
          out += pattern[i];
        } else if (i + 1 < pattern.size() && pattern[i + 1] == u'\'') {
          out += u'\'';
          ++i;
        } else {
          ++i;
          break;
        }
      }
      continue;
    }
    std::size_t run = 1;
    while (i + run < pattern.size() && pattern[i + run] == c) ++run;
    const std::size_t month_index = static_cast<std::size_t>(std::clamp(month, 1, 12) - 1);
    switch (c) {
      case u'd':
        if (run <= 2) {
          out += Padded(day, run);
        } else {
          const std::size_t weekday = static_cast<std::size_t>(Weekday(year, month, day));
          out += NameOr(run == 3 ? names.abbreviated_days[weekday] : names.days[weekday], day);
        }
        break;
      case u'M':
        if (run <= 2) {
          out += Padded(month, run);
        } else {
          out += NameOr(run == 3 ? names.abbreviated_months[month_index] : names.months[month_index], month);
        }
        break;
      case u'y':
        out += run <= 2 ? Padded(year % 100, run) : Decimal(year);
        break;
      case u'g':
        break;
      default:
        out.append(run, c);
    }
    i += run;
  }
  return out;
}

std::u16string StripTrailingBackslash(std::u16string_view folder) {
  std::u16string out(folder);
  const bool drive_root = out.size() == 3 && !DriveOf(out).empty();
  if (!drive_root && !out.empty() && out.back() == u'\\') out.pop_back();
  return out;
}

std::u16string FirstFolder(std::initializer_list<FolderSource> sources) {
  for (const FolderSource& source : sources) {
    if (std::u16string folder = source(); !folder.empty()) return StripTrailingBackslash(folder);
  }
  return {};
}

std::u16string ParentFolder(std::u16string_view folder, int levels) {
  std::u16string out = StripTrailingBackslash(folder);
  for (int i = 0; i < levels; ++i) {
    const bool drive_root = out.size() == 3 && !DriveOf(out).empty();
    const std::size_t slash = out.find_last_of(u'\\');
    if (drive_root || slash == std::u16string::npos) return {};
    out = FolderOf(out);
  }
  return out;
}

std::u16string DeviceFolder(std::u16string_view device_path, std::u16string_view windows_dir) {
  std::u16string first(device_path.substr(0, device_path.find(u';')));
  static constexpr VariableName kSystemRoot[] = {{u"%SystemRoot%"}};
  ReplaceNames(first, kSystemRoot, [&](std::size_t) { return std::u16string(windows_dir); });
  return first.empty() ? JoinPath(windows_dir, u"INF") : first;
}

char16_t BootDriveLetter(std::u16string_view boot_dir) {
  if (DriveOf(boot_dir).empty()) return u'C';
  const char16_t letter = boot_dir[0];
  return letter >= u'a' && letter <= u'z' ? static_cast<char16_t>(letter - u'a' + u'A') : letter;
}

}  // namespace mv
