#include "engine/shortcut_rules.h"

#include "base/path.h"
#include "base/text.h"

namespace mv {

namespace {

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t'; }

std::u16string TrimStart(std::u16string_view text) {
  std::size_t start = 0;
  while (start < text.size() && IsBlank(text[start])) ++start;
  return std::u16string(text.substr(start));
}

ShortcutEntry UninstallerEntry(const ShortcutSources& s) {
  ShortcutEntry e;
  e.target = s.uninstaller_path;
  e.arguments = u"/u:\"" + s.uninstall_key_name + u"\"";
  e.name = s.uninstaller_name;
  e.icon = s.uninstaller_icon;
  e.uninstaller = true;
  return e;
}

}  // namespace

std::vector<ShortcutEntry> BuildShortcutList(const ShortcutSources& s) {
  std::vector<ShortcutEntry> list;
  for (ShortcutEntry e : s.stored) {
    e.from_settings = true;
    list.push_back(std::move(e));
  }
  list.insert(list.end(), s.from_files.begin(), s.from_files.end());
  if (s.uninstall_support) {
    if (s.product_flags & kFlagUninstallerStartMenu) {
      ShortcutEntry e = UninstallerEntry(s);
      e.start_menu = 1;
      list.push_back(std::move(e));
    }
    if (s.product_flags & kFlagUninstallerDesktop) {
      ShortcutEntry e = UninstallerEntry(s);
      e.desktop = 1;
      list.push_back(std::move(e));
    }
    if (s.product_flags & kFlagUninstallerInDataFolder) {
      ShortcutEntry e = UninstallerEntry(s);
      e.folder = s.uninstall_data_folder;
      e.on_removable = true;
      list.push_back(std::move(e));
    }
    if (s.product_flags2 & kFlags2UninstallerInInstallFolder) {
      ShortcutEntry e = UninstallerEntry(s);
      e.folder = s.install_dir;
      e.on_removable = true;
      list.push_back(std::move(e));
    }
  }
  if (s.product_flags & kFlagLogShortcut) {
    ShortcutEntry e;
    e.target = s.log_path;
    e.name = s.log_name;
    e.start_menu = 1;
    list.push_back(std::move(e));
  }
  return list;
}

bool ShortcutSelected(const ShortcutEntry& entry, std::uint32_t product_flags2, bool removable_target) {
  if ((product_flags2 & kFlags2RemovableOnlyMarked) && removable_target) return entry.on_removable;
  return true;
}

std::u16string TrimBlanks(std::u16string_view text) {
  std::size_t end = text.size();
  while (end > 0 && IsBlank(text[end - 1])) --end;
  return TrimStart(text.substr(0, end));
}

std::optional<ProgramAndArguments> SplitFirstQuoted(std::u16string_view text) {
  const std::size_t open = text.find(u'"');
  if (open == std::u16string_view::npos) return std::nullopt;
  const std::size_t close = text.find(u'"', open + 1);
  if (close == std::u16string_view::npos) return std::nullopt;
  return ProgramAndArguments{TrimBlanks(text.substr(open + 1, close - open - 1)), TrimStart(text.substr(close + 1))};
}

std::optional<ProgramAndArguments> SplitTildeArguments(std::u16string_view arguments) {
  if (!arguments.starts_with(u"~\"")) return std::nullopt;
  return SplitFirstQuoted(arguments.substr(1));
}

ProgramAndArguments SplitCommandLine(std::u16string_view command) {
  const std::u16string text = TrimBlanks(command);
  if (text.starts_with(u'"')) {
    if (auto split = SplitFirstQuoted(text)) return {split->program, TrimBlanks(split->arguments)};
    return {text.substr(1), {}};
  }
  const std::size_t blank = text.find_first_of(u" \t");
  if (blank == std::u16string::npos) return {text, {}};
  return {text.substr(0, blank), TrimBlanks(std::u16string_view(text).substr(blank))};
}

ProgramAndArguments SplitPinTarget(std::u16string_view target) {
  if (auto split = SplitFirstQuoted(target)) return {split->program, TrimBlanks(split->arguments)};
  return {std::u16string(target), {}};
}

std::u16string SanitizeShortcutName(std::u16string_view name) {
  std::u16string out(name);
  for (char16_t& c : out) {
    if (c < 0x20 || c == u':' || c == u'"' || c == u'?' || c == u'*' || c == u'<' || c == u'>' || c == u'|' ||
        c == u'/')
      c = u'_';
  }
  return out;
}

unsigned ShortcutFlags(std::uint8_t show_state, bool all_users) {
  unsigned flags = all_users ? kLinkAllUsers : 0;
  if (show_state == 1) flags |= kLinkMinimised;
  if (show_state == 2) flags |= kLinkMaximised;
  return flags;
}

std::u16string ShortcutLinkPath(ShortcutPlace place, const ShortcutFolders& folders, std::u16string_view explicit_folder,
                                std::u16string_view name) {
  std::u16string_view folder;
  switch (place) {
    case ShortcutPlace::kDesktop: folder = folders.desktop; break;
    case ShortcutPlace::kDesktopFolder: folder = folders.desktop_folder; break;
    case ShortcutPlace::kStartMenu: folder = folders.start_menu; break;
    case ShortcutPlace::kStartup: folder = folders.startup; break;
    case ShortcutPlace::kFolder: folder = explicit_folder; break;
  }
  return JoinPath(folder, name);
}

std::u16string_view ShortcutLogFormat(ShortcutPlace place) {
  switch (place) {
    case ShortcutPlace::kDesktop: return u"Desktop Shortcut(%s) >>> %s\r\n";
    case ShortcutPlace::kDesktopFolder: return u"Desktop Folder Shortcut(%s) >>> %s\r\n";
    case ShortcutPlace::kStartMenu: return u"Start Menu Shortcut(%s) >>> %s\r\n";
    case ShortcutPlace::kStartup: return u"Startup Shortcut(%s) >>> %s\r\n";
    case ShortcutPlace::kFolder: break;
  }
  return u"Shortcut(%s) >>> %s\r\n";
}

std::vector<UninstallItem> ShortcutUninstallItems(ShortcutPlace place, std::u16string_view link_file,
                                                  std::u16string_view name) {
  std::vector<UninstallItem> items{{std::u16string(link_file), UninstallEntryKind::kFile}};
  const bool sub_folder = name.find(u'\\') != std::u16string_view::npos;
  // A sub-folder made for the link is recorded at every place (Startup included), so that removing
  // the links leaves no empty folder behind.
  if (place == ShortcutPlace::kFolder || sub_folder)
    items.push_back({FolderOf(link_file), UninstallEntryKind::kFolder});
  return items;
}

std::u16string PinnedLinkPath(std::u16string_view app_data, std::u16string_view pin_name) {
  return JoinPath(JoinPath(app_data, u"Microsoft\\Internet Explorer\\Quick Launch\\User Pinned\\TaskBar"),
                  LinkFilePath(pin_name));
}

}  // namespace mv
