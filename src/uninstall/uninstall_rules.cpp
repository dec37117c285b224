#include "uninstall/uninstall_rules.h"

#include <algorithm>
#include <charconv>

#include "base/csv.h"
#include "base/path.h"
#include "base/text.h"
#include "engine/extraction_rules.h"
#include "engine/firewall_rules.h"

namespace mv {

std::uint64_t ParseProductFlags(std::u16string_view text) {
  std::string ascii;
  for (const char16_t c : text) {
    if (c > 127) return 0;
    ascii += static_cast<char>(c);
  }
  std::int64_t value = 0;
  const auto [end, ec] = std::from_chars(ascii.data(), ascii.data() + ascii.size(), value);
  if (ec != std::errc() || end != ascii.data() + ascii.size()) return 0;
  return static_cast<std::uint64_t>(value);
}

std::optional<UndoItem> ClassifyUndoLine(std::string_view line) {
  if (line.empty()) return std::nullopt;
  switch (line.front()) {
    case '~': return UndoItem{UndoKind::kFolder, std::string(line.substr(1))};
    case '!': return UndoItem{UndoKind::kRegistryValue, std::string(line.substr(1))};
    case '^': return UndoItem{UndoKind::kRegistryKey, std::string(line.substr(1))};
    case '*': return UndoItem{UndoKind::kRegistryKey64, std::string(line.substr(1))};
    default: return UndoItem{UndoKind::kFile, std::string(line)};
  }
}

std::optional<UndoAssociation> ParseAssociationLine(std::string_view line) {
  static constexpr std::string_view kSeparator = "~!~";
  std::vector<std::string> fields;
  while (fields.size() < 3) {
    const std::size_t at = line.find(kSeparator);
    if (at == std::string_view::npos) break;
    fields.emplace_back(line.substr(0, at));
    line.remove_prefix(at + kSeparator.size());
  }
  fields.emplace_back(line);
  if (fields.size() < 3) return std::nullopt;
  fields.resize(4);
  if (fields[0].empty() || fields[1].empty() || fields[2].empty()) return std::nullopt;
  return UndoAssociation{fields[0], fields[1], fields[2], fields[3]};
}

UninstallLists MakeUninstallLists(const UninstallFile& file) {
  UninstallLists out;
  for (const std::string& line : file.entries)
    if (auto item = ClassifyUndoLine(line)) out.main.push_back(std::move(*item));
  for (const std::string& line : file.associations)
    if (auto a = ParseAssociationLine(line)) out.associations.push_back(std::move(*a));
  out.auto_close = file.auto_close;
  out.strings = file.strings;
  out.firewall = file.firewall;
  out.drivers = file.drivers;
  out.packages = file.packages;
  out.registry_script = file.registry_script;
  out.conditional_deletions = file.conditional_deletions;
  return out;
}

Language UninstallLanguage(const std::vector<NumberedText>& strings) {
  Language language;
  language.texts.resize(kMaxUninstallTextNumber + 1);
  for (const NumberedText& t : strings)
    if (t.number >= 1 && t.number <= kMaxUninstallTextNumber) language.texts[static_cast<std::size_t>(t.number)] = t.text;
  return language;
}

const std::vector<RemovalStep>& RemovalOrder() {
  static const std::vector<RemovalStep> order = {
      RemovalStep::kAssociations,     RemovalStep::kFonts,           RemovalStep::kSharedFiles,
      RemovalStep::kTaskbarPins,      RemovalStep::kInstallerPackages, RemovalStep::kMainList,
      RemovalStep::kPendingOperations, RemovalStep::kFolders,        RemovalStep::kRewriteRecord,
      RemovalStep::kStartMenu,        RemovalStep::kProductRegistry, RemovalStep::kRegistryRecords,
      RemovalStep::kFirewall,         RemovalStep::kDrivers,         RemovalStep::kDeleteTree,
      RemovalStep::kSharedFolder,     RemovalStep::kFinish,          RemovalStep::kNotifyShell,
  };
  return order;
}

int MainListProgress(std::size_t index, std::size_t count) {
  if (count == 0) return 11;
  return 11 + static_cast<int>((81 * static_cast<std::uint64_t>(std::min(index, count))) / count);
}

namespace {

std::u16string FoldedFolder(std::u16string_view folder) {
  std::u16string out = StripTrailingBackslash(folder);
  if (out.size() > 3 && out.back() == u'\\') out.pop_back();
  for (char16_t& c : out) {
    c = AsciiLower(c);
    // Latin-1 capitals (except the multiplication sign) fold like the system folds them.
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) c = static_cast<char16_t>(c + 0x20);
  }
  return out;
}

bool IsDriveRoot(std::u16string_view folder) {
  const std::u16string f = StripTrailingBackslash(folder);
  return f.size() <= 3;
}

}  // namespace

bool SameFolder(std::u16string_view a, std::u16string_view b) { return FoldedFolder(a) == FoldedFolder(b); }

bool IsInsideFolder(std::u16string_view path, std::u16string_view folder) {
  const std::u16string f = FoldedFolder(folder);
  if (f.empty()) return false;
  const std::u16string prefix = f.back() == u'\\' ? f : f + u"\\";
  const std::u16string p = FoldedFolder(path);
  return p.size() > prefix.size() && p.starts_with(prefix);
}

std::vector<std::u16string> QuotedTexts(std::u16string_view text) {
  std::vector<std::u16string> out;
  std::size_t pos = 0;
  while (true) {
    const std::size_t open = text.find(u'"', pos);
    if (open == std::u16string_view::npos) break;
    const std::size_t close = text.find(u'"', open + 1);
    if (close == std::u16string_view::npos) break;
    out.emplace_back(text.substr(open + 1, close - open - 1));
    pos = close + 1;
  }
  return out;
}

std::vector<std::u16string> FoldersLongestFirst(std::vector<std::u16string> folders) {
  std::stable_sort(folders.begin(), folders.end(),
                   [](const std::u16string& x, const std::u16string& y) { return x.size() > y.size(); });
  return folders;
}

std::vector<std::u16string> FolderWalk(std::u16string_view folder, std::u16string_view install_location) {
  std::vector<std::u16string> out;
  std::u16string current = StripTrailingBackslash(folder);
  for (int i = 0; i < 50 && !current.empty(); ++i) {
    if (SameFolder(current, install_location) || IsDriveRoot(current)) break;
    out.push_back(current);
    current = ParentFolder(current, 1);
  }
  return out;
}

SharedCountStep CountDownShared(std::int64_t count) {
  if (count < 1) return {std::nullopt, false};
  const std::uint32_t next = static_cast<std::uint32_t>(std::min<std::int64_t>(count, 0xFFFFFFFFll) - 1);
  return {next, next >= 1};
}

std::vector<SharedEntry> ParseSharedFiles(std::string_view text) {
  std::vector<SharedEntry> out;
  std::size_t pos = 0;
  while (true) {
    const std::size_t open = text.find('"', pos);
    if (open == std::string_view::npos) break;
    const std::size_t close = text.find('"', open + 1);
    if (close == std::string_view::npos) break;
    std::string path(text.substr(open + 1, close - open - 1));
    pos = close + 1;
    SharedEntry e;
    if (!path.empty() && path.back() == '^') e.com_server = true, path.pop_back();
    if (!path.empty() && path.back() == ' ') e.count_only = true, path.pop_back();
    if (!path.empty() && static_cast<unsigned char>(path.back()) == 0xA9) e.type_library = true, path.pop_back();
    e.path = std::move(path);
    if (!e.path.empty()) out.push_back(std::move(e));
  }
  return out;
}

std::vector<RegistryUndo> InterpretRegistryRecords(std::u16string_view script) {
  std::vector<RegistryUndo> out, keys;
  CsvReader16 reader(script);
  std::vector<std::u16string> fields;
  while (reader.Next(fields)) {
    if (fields.size() == 1) {
      const std::u16string& key = fields[0];
      if (std::count(key.begin(), key.end(), u'\\') < 2) continue;
      keys.push_back({RegistryUndo::kDeleteEmptyKey, key, {}, key.starts_with(u"\\HKAU\\")});
    } else if (fields.size() == 5) {
      const std::u16string& kind = fields[4];
      if (kind != u"2" && kind != u"3" && kind != u"5" && kind != u"7") continue;
      out.push_back({RegistryUndo::kDeleteValue, fields[0], fields[1], fields[0].starts_with(u"\\HKAU\\")});
    }
  }
  out.insert(out.end(), keys.rbegin(), keys.rend());
  return out;
}

std::optional<FirewallRemoval> FirewallRemovalOf(std::string_view entry, std::u16string_view install_location,
                                                 const std::function<std::u16string(std::string_view)>& program_path) {
  const std::optional<FirewallRule> rule = SplitFirewallRule(entry);
  if (!rule) return std::nullopt;
  FirewallRemoval removal;
  if (IsFirewallPortTarget(rule->target)) {
    removal.port = FirewallPort(rule->target);
    removal.protocols = FirewallProtocols(rule->protocols);
    if (!removal.port || removal.protocols.empty()) return std::nullopt;
    return removal;
  }
  if (rule->target.empty()) return std::nullopt;
  const std::u16string path = program_path(rule->target);
  if (path.empty()) return std::nullopt;
  removal.program = ResolveAgainst(install_location, path);
  return removal;
}

bool IsSupportAddress(std::u16string_view text) {
  for (const std::u16string_view prefix :
       {u"http://", u"https://", u"ftp://", u"file:///", u"mailto:", u"cid:", u"data:"}) {
    if (text.starts_with(prefix)) return true;
  }
  return false;
}

std::u16string SelfRemovalBatchText(std::u16string_view uninstaller, std::u16string_view install_location,
                                    std::u16string_view uninstall_subdir, std::u16string_view batch_path) {
  const std::u16string quoted_self = u"\"" + std::u16string(uninstaller) + u"\"";
  std::u16string text = u":Repeat\r\ndel " + quoted_self + u"\r\nif exist " + quoted_self + u" goto Repeat\r\n";
  text += u"CHOICE /T 3 /D Y\r\n";
  std::u16string subdir(uninstall_subdir);
  while (!subdir.empty() && subdir.back() == u'\\') subdir.pop_back();
  for (int lines = 0; !subdir.empty() && lines < 50; ++lines) {
    text += u"rd \"" + JoinPath(install_location, subdir) + u"\"\r\n";
    const std::size_t cut = subdir.rfind(u'\\');
    if (cut == std::u16string::npos) break;
    subdir.resize(cut);
  }
  text += u"rd \"" + std::u16string(install_location) + u"\"\r\n";
  text += u"del \"" + std::u16string(batch_path) + u"\"\r\n";
  return text;
}

std::u16string SelfRemovalCommandLine(std::u16string_view comspec, std::u16string_view batch_path) {
  const std::u16string interpreter = comspec.empty() ? std::u16string(u"cmd.exe") : std::u16string(comspec);
  return u"\"" + interpreter + u"\" /c \"" + std::u16string(batch_path) + u"\"";
}

TreeVerdict GuardedFolderVerdict(std::u16string_view folder, const std::vector<std::u16string>& guarded) {
  const bool drive_form = folder.size() >= 3 && ((folder[0] >= u'A' && folder[0] <= u'Z') || (folder[0] >= u'a' && folder[0] <= u'z')) &&
                          folder[1] == u':' && folder[2] == u'\\';
  if (!drive_form) return TreeVerdict::kMalformed;
  if (folder.find(u'/') != std::u16string_view::npos) return TreeVerdict::kMalformed;
  for (std::size_t i = 2; i < folder.size(); ++i) {
    if (folder[i] == u'\\' && i + 1 < folder.size() && folder[i + 1] == u'\\') return TreeVerdict::kMalformed;
  }
  // A "." or ".." component could lead the deletion somewhere else than the name says.
  std::size_t start = 3;
  while (start <= folder.size()) {
    std::size_t end = folder.find(u'\\', start);
    if (end == std::u16string_view::npos) end = folder.size();
    const std::u16string_view part = folder.substr(start, end - start);
    if (part == u"." || part == u"..") return TreeVerdict::kMalformed;
    start = end + 1;
  }
  if (IsDriveRoot(folder)) return TreeVerdict::kDriveRoot;
  // A guarded folder is refused, and so is every folder that holds one.
  const std::u16string mine = FoldedFolder(folder) + u"\\";
  for (const std::u16string& g : guarded) {
    if (g.empty()) continue;
    if (SameFolder(folder, g) || (FoldedFolder(g) + u"\\").starts_with(mine)) return TreeVerdict::kGuarded;
  }
  return TreeVerdict::kAllowed;
}

}  // namespace mv
