#include "vars/variables.h"

#include <algorithm>
#include <limits>

#include "base/text.h"
#include "records/record_paths.h"

namespace mv {

namespace {

bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }
bool IsSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

}  // namespace

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

std::u16string LogFilePath(std::u16string_view install_dir, std::u16string_view uninstall_subdir) {
  return RecordFilePath(install_dir, uninstall_subdir, kInstallLogName);
}

}  // namespace mv
