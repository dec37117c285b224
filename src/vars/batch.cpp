#include "package/lists.h"
#include "vars/batch.h"

#include <array>

#include "base/codepage.h"
#include "base/text.h"

namespace mv {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

bool IsPauseLine(std::string_view line) {
  line = Trim(line);
  if (!line.empty() && line.front() == '@') line = Trim(line.substr(1));
  if (line.size() != 5) return false;
  for (std::size_t i = 0; i < 5; ++i) {
    char c = line[i];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (c != "PAUSE"[i]) return false;
  }
  return true;
}

// The "SET" lines in their order, each with the variable that gives its value.
struct SetRow {
  std::u16string_view name;
  Variable variable;
};
constexpr std::array<SetRow, 58> kSetRows = {{
    {u"Automatic", Variable::kAutomatic},
    {u"InstallDir", Variable::kInstallDir},
    {u"Bits", Variable::kBits},
    {u"UninstallDir", Variable::kUninstallDir},
    {u"SharedDir", Variable::kSharedDir},
    {u"InstallerFilepath", Variable::kInstallerFilepath},
    {u"InstallerDir", Variable::kInstallerDir},
    {u"InstallerFilename", Variable::kInstallerFilename},
    {u"InstallerDrive", Variable::kInstallerDrive},
    {u"SystemDir", Variable::kSystemDir},
    {u"DeviceDir", Variable::kDeviceDir},
    {u"MediaDir", Variable::kMediaDir},
    {u"FavoritesDir", Variable::kFavoritesDir},
    {u"FavoritesAllDir", Variable::kFavoritesAllDir},
    {u"FontDir", Variable::kFontDir},
    {u"DesktopDir", Variable::kDesktopDir},
    {u"DesktopAllDir", Variable::kDesktopAllDir},
    {u"DesktopShortcuts", Variable::kDesktopShortcuts},
    {u"DocumentDir", Variable::kDocumentDir},
    {u"DocumentAllDir", Variable::kDocumentAllDir},
    {u"ProductName", Variable::kProductName},
    {u"CompanyName", Variable::kCompanyName},
    {u"ProgramsDir", Variable::kProgramsDir},
    {u"ProgramsDir32", Variable::kProgramsDir32},
    {u"ProgramsDir64", Variable::kProgramsDir64},
    {u"StartMenuAllDir", Variable::kStartMenuAllDir},
    {u"StartMenuChosen", Variable::kStartMenuChosen},
    {u"StartMenuDir", Variable::kStartMenuDir},
    {u"SMProgramsDir", Variable::kSMProgramsDir},
    {u"SMProgramsAllDir", Variable::kSMProgramsAllDir},
    {u"StartupDir", Variable::kStartupDir},
    {u"StartupAllDir", Variable::kStartupAllDir},
    {u"CommonDir", Variable::kCommonDir},
    {u"CommonDir32", Variable::kCommonDir32},
    {u"CommonDir64", Variable::kCommonDir64},
    {u"Inetpub", Variable::kInetpub},
    {u"AppDataDir", Variable::kAppDataDir},
    {u"AppDataAllDir", Variable::kAppDataAllDir},
    {u"InstallDrive", Variable::kInstallDrive},
    {u"BootDrive", Variable::kBootDrive},
    {u"Version", Variable::kVersion},
    {u"VersionMajor", Variable::kVersionMajor},
    {u"VersionMinor", Variable::kVersionMinor},
    {u"OldVersion", Variable::kOldVersion},
    {u"OldVersionMajor", Variable::kOldVersionMajor},
    {u"OldVersionMinor", Variable::kOldVersionMinor},
    {u"Portable", Variable::kPortable},
    {u"Existing", Variable::kExisting},
    {u"NetworkInstall", Variable::kNetworkInstall},
    {u"Language", Variable::kLanguage},
    {u"LogFilepath", Variable::kLogFilepath},
    {u"UninstallerFilepath", Variable::kUninstallerFilepath},
    {u"OS", Variable::kOS},
    {u"OSMajor", Variable::kOSMajor},
    {u"OSMinor", Variable::kOSMinor},
    {u"OSName", Variable::kOSName},
    {u"OSDescription", Variable::kOSDescription},
    {u"OSServer", Variable::kOSServer},
}};

// Line breaks as CR LF, and one at the end.
std::u16string NormaliseLineBreaks(std::u16string_view text) {
  std::u16string out = ToCrLf(text);
  if (out.size() < 2 || out.compare(out.size() - 2, 2, u"\r\n") != 0) out += u"\r\n";
  return out;
}

bool IsCommandSpecial(char16_t c) {
  switch (c) {
    case u' ': case u'\t': case u'&': case u'|': case u'<': case u'>': case u'^': case u'%': case u'(':
    case u')': case u'!': case u',': case u';': case u'=': case u'"':
      return true;
    default:
      return false;
  }
}

std::u16string Quoted(std::u16string_view path) {
  return NeedsCommandQuotes(path) ? u"\"" + std::u16string(path) + u"\"" : std::u16string(path);
}

}  // namespace

bool IsBlankBatch(std::string_view text) { return Trim(text).empty(); }

std::string RemovePauseLines(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    const std::size_t next = end == std::string_view::npos ? text.size() : end + 1;
    if (!IsPauseLine(text.substr(start, next - start))) out.append(text.substr(start, next - start));
    start = next;
  }
  return out;
}

std::string AppendExtraCommands(std::string text, std::string_view extra) {
  if (extra.empty()) return text;
  if (!text.empty() && text.back() != '\n') text += "\r\n";
  text += extra;
  return text;
}

std::u16string SetLine(std::u16string_view name, std::u16string_view value) {
  std::u16string line = u"SET ";
  line += name;
  line += u'=';
  for (const char16_t c : value) {
    switch (c) {
      case u'%':
        line += u"%%";
        break;
      case u'&': case u'|': case u'<': case u'>': case u'^': case u'"':
        line += u'^';
        line += c;
        break;
      case u'\r': case u'\n':
        line += u' ';
        break;
      default:
        line += c;
    }
  }
  line += u"\r\n";
  return line;
}

std::u16string SetLines(const std::function<std::u16string(Variable)>& value_of, bool uninstall_mode) {
  std::u16string lines;
  for (const SetRow& row : kSetRows) {
    if (uninstall_mode && row.variable == Variable::kExisting) continue;
    lines += SetLine(row.name, value_of(row.variable));
  }
  return lines;
}

Bytes ComposeBatchFile(const BatchFileInputs& in, const std::function<std::u16string(Variable)>& value_of) {
  std::u16string body = u"@echo off\r\n";
  body += SetLines(value_of, in.uninstall_mode);
  body += Cp1252ToUtf16(in.remove_pause ? RemovePauseLines(in.text) : in.text);
  return EncodeBatchText(NormaliseLineBreaks(body), in.utf8_capable);
}

Bytes EncodeBatchText(std::u16string_view body, bool utf8_capable) {
  bool wide = false;
  for (const char16_t c : body) wide = wide || c >= 128;
  const bool utf8 = utf8_capable && wide;
  const std::string bytes = utf8 ? "@chcp 65001 >nul\r\n" + Utf16ToUtf8(body) : "@chcp 1252 >nul\r\n" + Utf16ToCp1252(body);
  return Bytes(bytes.begin(), bytes.end());
}

bool NeedsCommandQuotes(std::u16string_view text) {
  for (const char16_t c : text) {
    if (IsCommandSpecial(c)) return true;
  }
  return false;
}

std::u16string BatchCommand(std::u16string_view batch_path, std::optional<std::u16string_view> capture_path) {
  std::u16string command = Quoted(batch_path);
  if (capture_path) command += u" > " + Quoted(*capture_path);
  return NeedsCommandQuotes(command) ? u"\"" + command + u"\"" : command;
}

std::u16string BatchCommandLine(std::u16string_view interpreter, std::u16string_view command) {
  return u"\"" + std::u16string(interpreter) + u"\" /c " + std::u16string(command);
}

std::string CapturedOutputForLog(std::string_view captured) {
  while (!captured.empty() && IsBlank(captured.back())) captured.remove_suffix(1);
  if (captured.empty()) return {};
  return std::string(captured) + "\r\n\r\n";
}

}  // namespace mv
