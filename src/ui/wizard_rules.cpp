#include "ui/wizard_rules.h"

#include <algorithm>

#include "base/format.h"
#include "base/text.h"
#include "ui/message_box.h"

namespace mv {

PageStyle StyleOfIndex(std::int32_t index) {
  switch (index) {
    case 0: return PageStyle::kPlain;
    case 1: return PageStyle::kSidePicture;
    case 3: return PageStyle::kFullPicture;
    default: return PageStyle::kBanner;
  }
}

std::u16string TemplateName(PageKind kind, std::int32_t style_index) {
  const char16_t* base = u"";
  switch (kind) {
    case PageKind::kLanguage: base = u"LanguageDlg"; break;
    case PageKind::kGreeting: base = u"GreetingDlg"; break;
    case PageKind::kLicense: base = u"LicenseDlg"; break;
    case PageKind::kReadme: base = u"ReadmeDlg"; break;
    case PageKind::kChooseDir: base = u"ChooseDirDlg"; break;
    case PageKind::kStartMenu: base = u"StartMenuDlg"; break;
    case PageKind::kProgress: base = u"ProgressDlg"; break;
    case PageKind::kSummary: base = u"SummaryDlg"; break;
  }
  if (kind == PageKind::kGreeting && GreetingIsMessageBox(style_index)) return {};
  std::u16string name = base;
  switch (StyleOfIndex(style_index)) {
    case PageStyle::kPlain: return name + u"2";
    case PageStyle::kSidePicture: return name;
    case PageStyle::kBanner: return name + u"3";
    case PageStyle::kFullPicture: return name + u"4";
  }
  return name;
}

int DialogPointSize(std::int32_t dialog_zoom) { return (EffectiveDialogZoom(dialog_zoom) + 5) / 10; }

bool StartMenuTextAcceptable(std::u16string_view text) {
  if (!text.empty() && text.front() == u'\\') return false;
  if (text.find(u"\\\\") != std::u16string_view::npos) return false;
  return text.find_first_of(u"/\"<>|*?:;") == std::u16string_view::npos;
}

namespace {

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t'; }

bool IsDriveLetter(char16_t c) { return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z'); }

std::u16string WithBackslash(std::u16string_view path) {
  std::u16string s(path);
  if (s.empty() || s.back() != u'\\') s += u'\\';
  return s;
}

}  // namespace

std::u16string TrimFolderText(std::u16string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  if (!text.empty() && text.back() == u'\\') text.remove_suffix(1);
  return std::u16string(text);
}

bool IsWellFormedFolder(std::u16string_view folder) {
  std::u16string_view rest;
  if (folder.size() >= 2 && IsDriveLetter(folder[0]) && folder[1] == u':') {
    rest = folder.substr(2);
    if (!rest.empty() && rest.front() != u'\\') return false;  // "C:folder" is relative to the drive
  } else if (folder.size() > 2 && folder[0] == u'\\' && folder[1] == u'\\') {
    rest = folder.substr(2);
    const std::size_t server_end = rest.find(u'\\');
    // A server and a share, both named.
    if (server_end == 0 || server_end == std::u16string_view::npos || server_end + 1 >= rest.size()) return false;
    if (rest[server_end + 1] == u'\\') return false;
  } else {
    return false;
  }
  if (rest.find(u"\\\\") != std::u16string_view::npos) return false;
  for (char16_t c : rest)
    if (c < 32 || std::u16string_view(u"/:*?\"<>|").find(c) != std::u16string_view::npos) return false;
  return true;
}

bool IsSameOrInside(std::u16string_view folder, std::u16string_view outer) {
  if (outer.empty()) return false;
  const std::u16string f = WithBackslash(folder), o = WithBackslash(outer);
  return f.size() >= o.size() && EqualsIgnoreAsciiCase(std::u16string_view(f).substr(0, o.size()), o);
}

std::optional<FolderRefusal> RefuseFolder(std::u16string_view folder, const FolderCheckFacts& facts) {
  const std::u16string text(folder);
  if (!IsWellFormedFolder(folder)) return FolderRefusal{14, text};
  for (const auto& p : facts.protected_folders)
    if (IsSameOrInside(folder, p)) return FolderRefusal{14, text};
  const bool has_drive = folder.size() >= 2 && folder[1] == u':';
  const std::u16string drive = has_drive ? std::u16string(folder.substr(0, 2)) : std::u16string();
  if (has_drive && !facts.drive_exists) return FolderRefusal{16, drive};
  const bool unc = !has_drive;
  if (facts.refuse_network && (unc || facts.drive_type == 4)) return FolderRefusal{66, text};
  if (folder.size() < 4) return FolderRefusal{17, text};
  for (const auto& pf : {facts.program_files, facts.program_files_64})
    if (!pf.empty() && EqualsIgnoreAsciiCase(WithBackslash(folder), WithBackslash(pf))) return FolderRefusal{18, pf};
  if (has_drive) {
    const bool removable_like = facts.drive_type == 2 || facts.drive_type == 5 || facts.drive_type == 6;
    if (facts.drive_type == 5 || facts.read_only_volume || (facts.refuse_removable && removable_like))
      return FolderRefusal{96, drive};
  }
  if (facts.ascii_only && std::any_of(folder.begin(), folder.end(), [](char16_t c) { return c >= 128; }))
    return FolderRefusal{30, text};
  return std::nullopt;
}

std::u16string FolderMessage(const FolderRefusal& refusal, std::u16string_view language_text) {
  if (refusal.text_number == 14) return std::u16string(language_text) + u"\r\n\r\n" + refusal.argument;
  return FormatText(language_text, {refusal.argument});
}

std::u16string SizeText(std::int64_t bytes) {
  if (bytes < 0) bytes = 0;
  if (bytes < 1024) return Decimal(bytes) + u" bytes";
  if (bytes < 1024 * 1024) return Decimal((bytes + 512) / 1024) + u" KB";
  const char16_t* unit = u" MB";
  std::int64_t scale = 1024 * 1024;
  if (bytes >= 1024LL * 1024 * 1024) unit = u" GB", scale *= 1024;
  const std::int64_t tenths = (bytes * 10 + scale / 2) / scale;
  return Decimal(tenths / 10) + u"." + Decimal(tenths % 10) + unit;
}

PageText DecodePageText(std::span<const std::uint8_t> stored) {
  PageText t;
  if (IsRichText(stored)) {
    t.rich = true;
    if (stored.size() >= 3 && stored[0] == 0xEF) stored = stored.subspan(3);
    t.rtf.assign(stored.begin(), stored.end());
    return t;
  }
  std::size_t i = stored.size() >= 2 && stored[0] == 0xFF && stored[1] == 0xFE ? 2 : 0;
  for (; i + 1 < stored.size(); i += 2) t.text += static_cast<char16_t>(stored[i] | (stored[i + 1] << 8));
  return t;
}

std::vector<PageText> PageTexts(const std::vector<Bytes>& stored, const std::u16string& language_text) {
  std::vector<PageText> pages;
  for (const Bytes& b : stored) {
    PageText t = DecodePageText(b);
    if (t.rich ? !t.rtf.empty() : !t.text.empty()) pages.push_back(std::move(t));
  }
  if (!language_text.empty()) {
    const std::string utf8 = Utf16ToUtf8(language_text);
    if (IsRichText(std::span(reinterpret_cast<const std::uint8_t*>(utf8.data()), utf8.size()))) {
      PageText t;
      t.rich = true;
      t.rtf.assign(utf8.begin(), utf8.end());
      pages.push_back(std::move(t));
    } else {
      pages.push_back({false, {}, language_text});
    }
  }
  return pages;
}

std::u16string GreetingLinkText(std::u16string_view text, std::u16string_view address) {
  std::u16string out(text);
  const std::size_t at = out.find(u"<a>");
  if (at == std::u16string::npos) return out;
  out.replace(at, 3, u"<a href=\"" + std::u16string(address) + u"\">");
  return out;
}

Rect HeadingTextRect(const Rect& control, Size text) {
  if (text.cx > control.Width() || text.cy > control.Height())
    return RectAt(control.left, control.top, text.cx, text.cy);
  return CentreIn(control, text);
}

std::vector<CheckBoxPlace> SummaryCheckBoxes(std::int32_t style_index, const SummaryConditions& shown) {
  const struct {
    bool shown;
    int id, text;
  } boxes[] = {{shown.launch, kLaunchBox, 84},
               {shown.document, kOpenDocumentBox, 83},
               {shown.second_document, kSecondDocumentBox, 87},
               {shown.view_log, kViewLogBox, 85}};
  int absent = 0;
  for (const auto& b : boxes) absent += b.shown ? 0 : 1;
  int x = 20, y = 82;
  switch (StyleOfIndex(style_index)) {
    case PageStyle::kPlain: x = 12, y = 60 + 7 * absent; break;
    case PageStyle::kSidePicture:
    case PageStyle::kFullPicture: x = 98, y = 72; break;
    case PageStyle::kBanner: break;
  }
  std::vector<CheckBoxPlace> places;
  for (const auto& b : boxes) {
    if (!b.shown) continue;
    places.push_back({b.id, b.text, Rect{x, y, 275, y + 9}});
    y += 14;
  }
  return places;
}

int PreselectLanguage(const std::vector<std::u16string>& names, std::u16string_view native_name) {
  native_name = native_name.substr(0, native_name.find(u'('));
  while (!native_name.empty() && IsBlank(native_name.back())) native_name.remove_suffix(1);
  for (const std::u16string_view wanted : {native_name, std::u16string_view(u"English")}) {
    if (wanted.empty()) continue;
    for (std::size_t i = 0; i < names.size(); ++i)
      if (names[i] == wanted) return static_cast<int>(i);
  }
  return 0;
}

Rect PlaceProgress(const Rect& dialog, const Rect& area, std::uint32_t placement) {
  int x = dialog.left, y = dialog.top;
  switch (placement & 3) {
    case 1: x = area.left; break;
    case 2: x = area.right - dialog.Width(); break;
    case 3: x = area.left + (area.Width() - dialog.Width()) / 2; break;
  }
  switch (placement & 24) {
    case 8: y = area.top; break;
    case 16: y = area.bottom - dialog.Height(); break;
    case 24: y = area.top + (area.Height() - dialog.Height()) / 2; break;
  }
  return RectAt(x, y, dialog.Width(), dialog.Height());
}

}  // namespace mv
