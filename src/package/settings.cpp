#include "package/settings.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

#include "package/corrupt.h"
#include "package/writer.h"

namespace mv {

namespace {

constexpr std::size_t kDateTimeSize = 24;
constexpr std::size_t kBuildDateSize = 8;
constexpr std::size_t kPageBlockSize = 52;

DateTimeFields DecodeDateTime(const std::array<std::uint8_t, kDateTimeSize>& b) {
  auto at = [&](int i) { return static_cast<std::int32_t>(LoadLe32(&b[4 * i])); };
  return {at(0), at(1), at(2), at(3), at(4), at(5)};
}

void EncodeDateTime(PackageWriter& w, const DateTimeFields& t) {
  for (std::int32_t v : {t.year, t.month, t.day, t.hour, t.minute, t.second}) w.I32(v);
}

BuildDateRecord DecodeBuildDate(const std::array<std::uint8_t, kBuildDateSize>& b) {
  BuildDateRecord d;
  d.year = LoadLe16(&b[0]);
  d.month = b[2];
  d.day = b[3];
  std::copy_n(b.begin() + 4, 4, d.options.begin());
  return d;
}

// The page block's values in stored order; ExtraDiskSpace occupies the first two.
template <class S>
auto PageBlockValues(S& s) {
  return std::array{&s.IntegrityCheck,    &s.BlockedStatus,   &s.ApprovedStatus, &s.GreetingDlgStyle,
                    &s.LanguageDlgStyle,  &s.LicenseDlgStyle, &s.ReadmeDlgStyle, &s.ChooseDirDlgStyle,
                    &s.StartMenuDlgStyle, &s.ProgressStyle,   &s.SummaryDlgStyle};
}

// Licence and readme lists: an i32 count, then that many Blob32 entries.
void ReadTextFiles(PackageReader& r, std::vector<Bytes>& files, int code) {
  std::int32_t count = 0;
  r.Read(count);
  if (count < 0 || count > kMaxTextFiles) throw CorruptPackage(code);
  for (std::int32_t i = 0; i < count; ++i) {
    Bytes entry;
    r.Blob32(entry);
    files.push_back(std::move(entry));
  }
}

void WriteTextFiles(PackageWriter& w, const std::vector<Bytes>& files, const char* what) {
  if (files.size() > static_cast<std::size_t>(kMaxTextFiles)) {
    throw std::invalid_argument(std::string("more than 20 ") + what + " entries");
  }
  w.I32(static_cast<std::int32_t>(files.size()));
  for (const Bytes& f : files) w.Blob32(f);
}

// Runs one write and names the setting in the error when its value does not fit the format.
template <class F>
void Named(const char* name, F&& write) {
  try {
    write();
  } catch (const std::length_error& e) {
    throw std::length_error(std::string(name) + ": " + e.what());
  } catch (const std::invalid_argument& e) {
    throw std::invalid_argument(std::string(name) + ": " + e.what());
  }
}

bool IsBlank(std::u16string_view text) { return text.find_first_not_of(u" \t") == std::u16string_view::npos; }

}  // namespace

std::uint64_t ApplySilentMode(std::uint64_t product_flags) {
  std::uint32_t low = static_cast<std::uint32_t>(product_flags);
  std::uint32_t high = static_cast<std::uint32_t>(product_flags >> 32);
  low = (low & kSilentLowAnd) | kSilentLowOr;
  high = (high & kSilentHighAnd) | kSilentHighOr;
  return (static_cast<std::uint64_t>(high) << 32) | low;
}

Settings ReadSettings(PackageReader& r, std::uint32_t product_flags2, bool silent_mode,
                      const std::function<void(const Settings&)>& after_progress_position) {
  Settings s;
  r.Read(s.ProductFlags);
  if (silent_mode) s.ProductFlags = ApplySilentMode(s.ProductFlags);
  r.Read(s.AutomaticDefault);
  r.Read(s.TaskbarText);
  r.Read(s.DisplayTitle);
  r.Read(s.TitleSize);
  r.Read(s.ProgressPosition);
  if (after_progress_position) after_progress_position(s);

  r.Read(s.MinProgressTime);
  if (s.MinProgressTime >= kMinProgressTimeLimit) throw CorruptPackage(19);
  r.Read(s.ShortcutMode);
  if (std::array<std::uint8_t, kDateTimeSize> times{}; r.Read(times))
    s.UninstallerTimes = DecodeDateTime(times);
  r.Read(s.Publisher);
  r.Read(s.DisplayName);
  r.Read(s.ProductDescription);
  r.Read(s.Bitness);
  r.Read(s.UninstallDataChoice);
  r.Read(s.SharedPath);
  r.Read(s.FileOptionText);
  r.Read(s.ProductStartMenu);
  r.Read(s.DisplayVersion);
  r.Read(s.DefaultInstallDir);
  r.Read(s.ProductRegistry);
  r.Blob32(s.RegistryScript);
  r.Read(s.RegMergeData);
  r.Read(s.AppPathProgram);
  r.Read(s.BitmapSize);
  if (s.BitmapSize < 0 || s.BitmapSize > kMaxBitmapSize) throw CorruptPackage(39);
  r.Read(s.StretchMode);
  r.Read(s.UninstallFonts);
  r.Read(s.UninstallShared);
  r.Blob16(s.GreetingLinkUrl);
  ReadTextFiles(r, s.LicenseFiles, 24);
  ReadTextFiles(r, s.ReadmeFiles, 26);
  r.Read(s.UninstallSubdir);
  r.Blob8W(s.UninstallerFileName);
  r.Read(s.UninstallKeyName);
  r.Blob16W(s.InstallPathRegistry);
  r.Blob16W(s.DialogFont);
  r.Read(s.DialogZoom);
  r.Read(s.HeaderTitle);
  r.Colour(s.BannerFG);
  r.Read(s.BannerOption);
  r.Colour(s.TitleColor);
  r.Read(s.TitleShadow);
  r.Read(s.TitlePosition);
  r.Blob16W(s.TitleFont);
  r.Colour(s.TopColor);
  r.Colour(s.BottomColor);

  if (std::int32_t size = 0; r.Read(size) && size >= 1) {
    r.Block(static_cast<std::size_t>(size), s.BackgroundBitmap);
    r.Read(s.BitmapTPI);
  }

  r.Read(s.CopyrightPos);
  if (s.CopyrightPos != 0) {
    r.Colour(s.CopyrightColor);
    r.Read(s.CopyrightSize);
    r.Read(s.CopyrightText);
    r.Read(s.CopyrightFont);
  }
  if (s.ProductFlags & kFlagDialogColours) {
    r.Colour(s.DialogBG);
    r.Colour(s.DialogFG);
  }
  if (product_flags2 & kFlags2ButtonColours) {
    r.Colour(s.ButtonBG);
    r.Colour(s.ButtonFG);
    r.Colour(s.ButtonBorder);
  }
  if (product_flags2 & kFlags2ColorSetA) {
    for (auto& c : s.ColorSetA) r.Colour(c);
  }
  if (product_flags2 & kFlags2ColorSetB) {
    for (auto& c : s.ColorSetB) r.Colour(c);
  }
  if (product_flags2 & kFlags2ColorSetC) {
    for (auto& c : s.ColorSetC) r.Colour(c);
  }
  if (s.ProductFlags & kFlagMasterProduct) {
    r.Read(s.MasterProductKey);
    r.Read(s.MasterProductName);
    r.Read(s.MasterMinVersion);
  }

  r.Read(s.StartupSound);
  r.Read(s.DesktopFolder);
  r.Blob32(s.DesktopFolderIcon);
  for (std::string* batch : {&s.PreInstallBatch, &s.PostInstallBatch, &s.ExitBatch, &s.UninstallBatch1,
                             &s.UninstallBatch2, &s.UpgradeBatch, &s.ReinstallBatch}) {
    r.Read(*batch);
  }
  r.Read(s.Reserved);
  r.Read(s.ExcludedWindows);
  r.Read(s.ExternalData);

  r.Read(s.LaunchProgram);
  r.Read(s.LaunchDocument);
  r.Read(s.LaunchFile);
  for (std::string* url : {&s.ApprovalUrl, &s.StartedUrl, &s.InstalledUrl, &s.UpgradedUrl, &s.DowngradedUrl,
                           &s.ReinstalledUrl, &s.NotifyURL, &s.LinkNotifyUrl, &s.CancelUrl, &s.FailureUrl}) {
    r.Read(*url);
  }
  r.Read(s.FeedbackURL);

  r.Str8z(s.OptionText8);
  r.Blob8A(s.NoDowngradeBelow);
  if (std::array<std::uint8_t, kBuildDateSize> date{}; r.Read(date)) s.BuildDate = DecodeBuildDate(date);
  r.Read(s.InstallPassword);
  r.Read(s.MinUpgradeVersion);
  r.Read(s.FirewallRules);
  r.Read(s.AddToPathSubfolder);

  if (std::array<std::uint8_t, kPageBlockSize> page{}; r.Read(page)) {
    s.ExtraDiskSpace = static_cast<std::int64_t>(LoadLe64(&page[0]));
    std::size_t offset = 8;
    for (std::int32_t* value : PageBlockValues(s)) {
      *value = static_cast<std::int32_t>(LoadLe32(&page[offset]));
      offset += 4;
    }
  }

  if (s.ProductFlags & kFlagUninstaller) r.Blob32(s.UninstallerIcon);
  return s;
}

Bytes WriteSettings(const Settings& s, std::uint32_t product_flags2) {
  PackageWriter w;
  w.U64(s.ProductFlags);
  w.U8(s.AutomaticDefault);
  w.StrW(s.TaskbarText);
  w.StrW(s.DisplayTitle);
  w.F64(s.TitleSize);
  w.U32(s.ProgressPosition);

  w.U16(s.MinProgressTime);
  w.U8(s.ShortcutMode);
  EncodeDateTime(w, s.UninstallerTimes);
  w.StrW(s.Publisher);
  w.StrW(s.DisplayName);
  w.StrW(s.ProductDescription);
  w.U8(s.Bitness);
  w.U8(s.UninstallDataChoice);
  w.StrW(s.SharedPath);
  w.StrW(s.FileOptionText);
  w.StrW(s.ProductStartMenu);
  w.StrA(s.DisplayVersion);
  w.StrW(s.DefaultInstallDir);
  w.StrW(s.ProductRegistry);
  w.Blob32(s.RegistryScript);
  w.Str(s.RegMergeData);
  w.StrW(s.AppPathProgram);
  w.I32(s.BitmapSize);
  w.I32(s.StretchMode);
  w.I32(s.UninstallFonts);
  w.I32(s.UninstallShared);
  Named("GreetingLinkUrl", [&] { w.Blob16(s.GreetingLinkUrl); });
  WriteTextFiles(w, s.LicenseFiles, "licence");
  WriteTextFiles(w, s.ReadmeFiles, "readme");
  w.StrW(s.UninstallSubdir);
  Named("UninstallerFileName", [&] { w.Blob8W(s.UninstallerFileName); });
  w.StrW(s.UninstallKeyName);
  Named("InstallPathRegistry", [&] { w.Blob16W(s.InstallPathRegistry); });
  Named("DialogFont", [&] { w.Blob16W(s.DialogFont); });
  w.I32(s.DialogZoom);
  w.StrW(s.HeaderTitle);
  w.Colour(s.BannerFG);
  w.U8(s.BannerOption);
  w.Colour(s.TitleColor);
  w.U8(s.TitleShadow);
  w.U8(s.TitlePosition);
  Named("TitleFont", [&] { w.Blob16W(s.TitleFont); });
  w.Colour(s.TopColor);
  w.Colour(s.BottomColor);

  if (s.BackgroundBitmap.size() > 0x7FFFFFFF) throw std::length_error("background bitmap too large");
  w.I32(static_cast<std::int32_t>(s.BackgroundBitmap.size()));
  if (!s.BackgroundBitmap.empty()) {
    w.Block(s.BackgroundBitmap);
    w.I32(s.BitmapTPI);
  }

  w.U8(s.CopyrightPos);
  if (s.CopyrightPos != 0) {
    w.Colour(s.CopyrightColor);
    w.F64(s.CopyrightSize);
    w.StrW(s.CopyrightText);
    w.StrW(s.CopyrightFont);
  }
  if (s.ProductFlags & kFlagDialogColours) {
    w.Colour(s.DialogBG);
    w.Colour(s.DialogFG);
  }
  if (product_flags2 & kFlags2ButtonColours) {
    w.Colour(s.ButtonBG);
    w.Colour(s.ButtonFG);
    w.Colour(s.ButtonBorder);
  }
  if (product_flags2 & kFlags2ColorSetA) {
    for (auto c : s.ColorSetA) w.Colour(c);
  }
  if (product_flags2 & kFlags2ColorSetB) {
    for (auto c : s.ColorSetB) w.Colour(c);
  }
  if (product_flags2 & kFlags2ColorSetC) {
    for (auto c : s.ColorSetC) w.Colour(c);
  }
  if (s.ProductFlags & kFlagMasterProduct) {
    w.StrW(s.MasterProductKey);
    w.StrW(s.MasterProductName);
    w.StrA(s.MasterMinVersion);
  }

  w.Str(s.StartupSound);
  w.StrW(s.DesktopFolder);
  w.Blob32(s.DesktopFolderIcon);
  for (const std::string* batch : {&s.PreInstallBatch, &s.PostInstallBatch, &s.ExitBatch, &s.UninstallBatch1,
                                   &s.UninstallBatch2, &s.UpgradeBatch, &s.ReinstallBatch}) {
    w.StrA(*batch);
  }
  w.Block(s.Reserved);
  w.U32(s.ExcludedWindows);
  w.U8(s.ExternalData);

  w.StrW(s.LaunchProgram);
  w.StrW(s.LaunchDocument);
  w.StrW(s.LaunchFile);
  for (const std::string* url :
       {&s.ApprovalUrl, &s.StartedUrl, &s.InstalledUrl, &s.UpgradedUrl, &s.DowngradedUrl, &s.ReinstalledUrl,
        &s.NotifyURL, &s.LinkNotifyUrl, &s.CancelUrl, &s.FailureUrl}) {
    w.StrA(*url);
  }
  w.StrW(s.FeedbackURL);

  Named("OptionText8", [&] { w.Str8z(s.OptionText8); });
  Named("NoDowngradeBelow", [&] { w.Blob8A(s.NoDowngradeBelow); });
  w.U16(s.BuildDate.year);
  w.U8(s.BuildDate.month);
  w.U8(s.BuildDate.day);
  w.Block(s.BuildDate.options);
  w.StrW(s.InstallPassword);
  w.StrA(s.MinUpgradeVersion);
  w.Str(s.FirewallRules);
  w.StrW(s.AddToPathSubfolder);

  w.U64(static_cast<std::uint64_t>(s.ExtraDiskSpace));
  for (const std::int32_t* value : PageBlockValues(s)) w.I32(*value);

  if (s.ProductFlags & kFlagUninstaller) w.Blob32(s.UninstallerIcon);
  return w.Take();
}

Settings EffectiveSettings(const Settings& stored, std::uint32_t product_flags2) {
  Settings s = stored;
  const std::u16string& name = s.DisplayName;
  for (std::u16string* text :
       {&s.ProductDescription, &s.ProductStartMenu, &s.UninstallKeyName, &s.DefaultInstallDir}) {
    if (text->empty()) *text = name;
  }
  if (s.SharedPath.empty()) s.SharedPath = IsBlank(s.Publisher) ? name : s.Publisher;
  if (s.DesktopFolder.empty() && (s.ProductFlags & kFlagDesktopFolderName)) s.DesktopFolder = name;
  if (s.ProductFlags & kFlagMasterProduct) {
    if (s.MasterProductKey.empty()) s.MasterProductKey = name;
    if (s.MasterProductName.empty()) s.MasterProductName = name;
  }
  if (!(product_flags2 & kFlags2ColorSetC)) s.ColorSetC = {0xFFFFFF, 0x000000};
  // Without a name the uninstaller would be registered as its folder, which nothing can run.
  if (s.UninstallerFileName.empty()) s.UninstallerFileName = u"uninstall.exe";
  return s;
}

}  // namespace mv
