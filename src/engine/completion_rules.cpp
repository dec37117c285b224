#include "engine/completion_rules.h"

#include <cstdio>
#include <limits>

#include "base/real_text.h"
#include "base/text.h"
#include "context/exit_code.h"
#include "package/corrupt.h"

namespace mv {

namespace {

using Form = UninstallValueForm;

// Builds the table row by row; every row names its form explicitly.
class ValueTable {
 public:
  void Text(std::u16string_view name, std::u16string_view text) { Add(name, Form::kText).text = text; }
  void TextOrDelete(std::u16string_view name, std::u16string_view text) {
    if (text.empty()) return Delete(name);
    Text(name, text);
  }
  void Text8(std::u16string_view name, std::string_view text) { Add(name, Form::kText8).text8 = text; }
  void Text8OrDelete(std::u16string_view name, std::string_view text) {
    if (text.empty()) return Delete(name);
    Text8(name, text);
  }
  void Number(std::u16string_view name, std::uint32_t n) { Add(name, Form::kNumber).number = n; }
  void NumberOrDelete(std::u16string_view name, std::uint32_t n) {
    if (n == 0) return Delete(name);
    Number(name, n);
  }
  void Qword(std::u16string_view name, std::uint64_t n) { Add(name, Form::kQword).number = n; }
  void Colour(std::u16string_view name, std::uint32_t colour) { Text8(name, ColourText(colour)); }
  void Real(std::u16string_view name, double value) { Text8(name, RealText(value)); }
  void Delete(std::u16string_view name) { Add(name, Form::kDelete); }

  std::vector<UninstallValue> Take() { return std::move(values_); }

 private:
  UninstallValue& Add(std::u16string_view name, Form form) {
    values_.push_back({std::u16string(name), form, {}, {}, 0});
    return values_.back();
  }
  std::vector<UninstallValue> values_;
};

std::uint32_t LeadingDecimal(std::string_view text) {
  std::uint64_t n = 0;
  for (char ch : text) {
    if (ch < '0' || ch > '9') break;
    n = n * 10 + static_cast<std::uint64_t>(ch - '0');
    if (n > std::numeric_limits<std::uint32_t>::max()) return std::numeric_limits<std::uint32_t>::max();
  }
  return static_cast<std::uint32_t>(n);
}

}  // namespace

std::u16string UninstallArguments(std::u16string_view key_name) {
  return u"/u:\"" + std::u16string(key_name) + u"\"";
}

std::u16string UninstallCommand(std::u16string_view uninstaller_path, std::u16string_view key_name) {
  return u"\"" + std::u16string(uninstaller_path) + u"\" " + UninstallArguments(key_name);
}

std::optional<std::pair<std::uint32_t, std::uint32_t>> VersionMajorMinor(std::string_view version) {
  const std::size_t dot = version.find('.');
  if (dot == std::string_view::npos) return std::nullopt;
  return std::pair{LeadingDecimal(version.substr(0, dot)), LeadingDecimal(version.substr(dot + 1))};
}

std::string ColourText(std::uint32_t colour) {
  char text[8];
  std::snprintf(text, sizeof text, "%02X%02X%02X", colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF);
  return text;
}

std::vector<UninstallValue> UninstallValues(const Settings& s, std::uint32_t product_flags2,
                                            const UninstallFacts& f) {
  ValueTable t;
  const std::u16string arguments = UninstallArguments(s.UninstallKeyName);
  t.Text(u"UninstallString", UninstallCommand(f.uninstaller_path, s.UninstallKeyName));
  t.Text(u"QuietUninstallString", u"\"" + f.uninstaller_path + u"\" /a " + arguments);
  t.Text(u"DisplayName", s.DisplayName);
  t.Text(u"InstallSource", f.installer_path);
  t.TextOrDelete(u"Publisher", s.Publisher);
  t.Number(u"Bitness", s.Bitness);
  t.Text8OrDelete(u"DisplayVersion", s.DisplayVersion);
  t.Text8OrDelete(u"NoDowngradeBelow", s.NoDowngradeBelow);
  if (!f.product_icon_path.empty()) t.Text(u"DisplayIcon", f.product_icon_path);
  if (const auto version = VersionMajorMinor(s.DisplayVersion)) {
    t.Number(u"VersionMajor", version->first);
    t.Number(u"VersionMinor", version->second);
  }
  t.TextOrDelete(u"ProductRegistry", s.ProductRegistry);
  t.TextOrDelete(u"ProductStartMenu", f.start_menu_folder);
  t.TextOrDelete(u"SharedPath", f.shared_folder);
  t.Text8OrDelete(u"ProductFonts", f.product_fonts);
  t.Text8(u"ProductFlags", std::to_string(static_cast<std::int64_t>(s.ProductFlags)));
  t.Text8(u"ProductFlags2", std::to_string(product_flags2));
  t.Text8OrDelete(u"UninstallBatch1", s.UninstallBatch1);
  t.Text8OrDelete(u"UninstallBatch2", s.UninstallBatch2);
  t.Text8OrDelete(u"SharedFiles", f.shared_files);
  t.TextOrDelete(u"UninstallSubdir", s.UninstallSubdir);
  t.TextOrDelete(u"AddToPathSubfolder", s.AddToPathSubfolder);
  t.NumberOrDelete(u"ShortcutMode", s.ShortcutMode);
  t.Text8OrDelete(u"NotifyURL", s.NotifyURL);
  t.Text8OrDelete(u"SupportOffer", f.support_offer);
  t.TextOrDelete(u"DesktopFolder", s.DesktopFolder);
  t.Number(u"UninstallFonts", static_cast<std::uint32_t>(s.UninstallFonts));
  t.Number(u"UninstallShared", static_cast<std::uint32_t>(s.UninstallShared));
  t.Qword(u"Session", f.session);
  t.TextOrDelete(u"Language", f.language_name);
  t.Number(u"ProgressStyle", static_cast<std::uint32_t>(s.ProgressStyle));
  t.TextOrDelete(u"FeedbackURL", s.FeedbackURL);
  const std::uint64_t kib = f.bytes_written / 1024;
  if (kib > std::numeric_limits<std::uint32_t>::max())
    t.Delete(u"EstimatedSize");
  else
    t.Number(u"EstimatedSize", static_cast<std::uint32_t>(kib));
  t.Text(u"TaskbarText", s.TaskbarText);
  t.Text(u"DialogFont", s.DialogFont);
  t.Colour(u"BannerFG", s.BannerFG);
  if (s.ProductFlags & kFlagDialogColours) {
    t.Colour(u"DialogFG", s.DialogFG);
    t.Colour(u"DialogBG", s.DialogBG);
  }
  if (product_flags2 & kFlags2ButtonColours) {
    t.Colour(u"ButtonBG", s.ButtonBG);
    t.Colour(u"ButtonFG", s.ButtonFG);
    t.Colour(u"ButtonBorder", s.ButtonBorder);
  }
  t.Number(u"DialogZoom", static_cast<std::uint32_t>(s.DialogZoom));
  if (!(s.ProductFlags & kFlagNoBackgroundWindow)) {
    t.Text(u"DisplayTitle", s.DisplayTitle);
    t.Number(u"TitleColor", s.TitleColor);
    t.Real(u"TitleSize", s.TitleSize);
    t.Number(u"TopColor", s.TopColor);
    if (MonoColor(s))
      t.Delete(u"BottomColor");
    else
      t.Number(u"BottomColor", s.BottomColor);
    t.Number(u"MonoColor", MonoColor(s) ? 1 : 0);
    t.Number(u"TitleShadow", s.TitleShadow);
    t.Number(u"TitlePosition", s.TitlePosition);
    t.Text(u"TitleFont", s.TitleFont);
    t.Text(u"CopyrightText", s.CopyrightText);
    t.Text(u"CopyrightFont", s.CopyrightFont);
    t.Real(u"CopyrightSize", s.CopyrightSize);
    t.Colour(u"CopyrightColor", s.CopyrightColor);
    t.Number(u"CopyrightPos", s.CopyrightPos);
  }
  if ((s.ProductFlags & kFlagBackgroundPicture) && !s.BackgroundBitmap.empty()) {
    t.Number(u"BitmapSize", static_cast<std::uint32_t>(s.BitmapSize));
    if (s.BitmapTPI == 0)
      t.Delete(u"BitmapTPI");
    else
      t.Number(u"BitmapTPI", static_cast<std::uint32_t>(s.BitmapTPI));
    t.Number(u"StretchMode", static_cast<std::uint32_t>(s.StretchMode));
  } else {
    t.Delete(u"BitmapSize");
    t.Delete(u"BitmapTPI");
    t.Delete(u"StretchMode");
  }
  return t.Take();
}

std::string InstallDateText(int year, int month, int day) {
  char text[16];
  std::snprintf(text, sizeof text, "%04d%02d%02d", year % 10000, month % 100, day % 100);
  return text;
}

ExtraValuePlan PlanExtraValue(std::u16string_view name, std::uint8_t kind, std::u16string_view value) {
  ExtraValuePlan plan;
  const std::size_t slash = name.rfind(u'\\');
  if (slash == std::u16string_view::npos) {
    plan.value_name = name;
  } else {
    plan.key = name.substr(0, slash);
    plan.value_name = name.substr(slash + 1);
  }
  switch (kind) {
    case 1:
    case 2:
      plan.expandable = kind == 2;
      plan.form = value.empty() ? Form::kDelete : Form::kText;
      plan.text = value;
      break;
    case 4: {
      const std::string digits = Utf16ToUtf8(value);
      plan.form = Form::kNumber;
      plan.number = LeadingDecimal(digits);
      break;
    }
    default: throw CorruptPackage(200, "uninstall value of unknown kind");
  }
  return plan;
}

std::vector<std::optional<std::u16string>> SavedTextNames(const std::vector<Bytes>& entries, std::u16string_view stem) {
  std::vector<std::optional<std::u16string>> names(entries.size());
  int number = 0;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    if (entries[i].empty()) continue;
    ++number;
    std::u16string name(stem);
    if (number != 1 || i + 1 != entries.size()) name += Decimal(number);
    name += IsRichText(entries[i]) ? u".rtf" : u".txt";
    names[i] = std::move(name);
  }
  return names;
}

Bytes SavedTextBytes(std::span<const std::uint8_t> stored) {
  if (IsRichText(stored)) return Bytes(stored.begin(), stored.end());
  if (stored.size() >= 2 && stored[0] == 0xFF && stored[1] == 0xFE) stored = stored.subspan(2);
  Bytes out{0xFF, 0xFE};
  out.insert(out.end(), stored.begin(), stored.begin() + static_cast<std::ptrdiff_t>(stored.size() & ~std::size_t{1}));
  return out;
}

RestartAction DecideRestart(const RestartFacts& f) {
  if (!f.pending || f.no_restart) return RestartAction::kNone;
  if (!f.automatic || f.ask_always) return RestartAction::kAsk;
  return RestartAction::kRestart;
}

int CompletionExitCode(bool restart_pending, bool disk_full) {
  if (restart_pending) return kExitRestartPending;
  if (disk_full) return kExitDiskFull;
  return kExitSuccess;
}

bool CountsAsEmptyFolder(const std::vector<std::u16string>& names) {
  for (const std::u16string& name : names)
    if (!EqualsIgnoreAsciiCase(name, u"thumbs.db") && !EqualsIgnoreAsciiCase(name, u"desktop.ini")) return false;
  return true;
}

}  // namespace mv
