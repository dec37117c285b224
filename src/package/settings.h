// The product's settings: the first part of the decoded settings stream, a fixed sequence of
// fields without names or tags.
//
// `Settings` holds the values exactly as stored, so that WriteSettings(ReadSettings(x)) gives x's
// bytes back (mvpack inspect and build rely on it). The runtime reads the stored values and then
// takes EffectiveSettings(), which fills in the defaults that need no facts about the machine.
//
// Text kinds: W texts are UTF-16 (std::u16string); A texts are raw 8-bit bytes in the package's
// code page (std::string, not converted); binary values are Bytes.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "base/bytes.h"
#include "base/date.h"
#include "package/reader.h"

namespace mv {

// ProductFlags bits that decide the layout of the stream or a default below.
inline constexpr std::uint64_t kFlagUninstaller = 1ull << 2;     // UninstallerIcon present
inline constexpr std::uint64_t kFlagDialogColours = 1ull << 4;   // DialogBG, DialogFG present
inline constexpr std::uint64_t kFlagCompressedChunks = 1ull << 5;  // file-data chunks are xz streams
inline constexpr std::uint64_t kFlagSingleInstance = 1ull << 8;    // the single-instance mutex
inline constexpr std::uint64_t kFlagBackgroundPicture = 1ull << 15;  // the background shows its bitmap
inline constexpr std::uint64_t kFlagMasterProduct = 1ull << 16;  // prerequisite product present
inline constexpr std::uint64_t kFlagNoBackgroundWindow = 1ull << 29;
inline constexpr std::uint64_t kFlagDesktopFolderName = 1ull << 58;  // empty DesktopFolder -> name

// ProductFlags2 (package header) bits that mark the optional colour groups.
inline constexpr std::uint32_t kFlags2ColorSetA = 1u << 24;
inline constexpr std::uint32_t kFlags2ButtonColours = 1u << 25;
inline constexpr std::uint32_t kFlags2ColorSetB = 1u << 26;
inline constexpr std::uint32_t kFlags2ColorSetC = 1u << 27;

// Silent mode forces these ProductFlags changes as soon as the word is read: no folder or
// Start-menu page, no confirmations or questions, no background window, no greeting, no progress
// dialog, no cancel button.
inline constexpr std::uint32_t kSilentLowAnd = 0x7FFFFF7F;
inline constexpr std::uint32_t kSilentLowOr = 0x30600000;
inline constexpr std::uint32_t kSilentHighAnd = 0xFFF7EDE3;
inline constexpr std::uint32_t kSilentHighOr = 0x00000800;

std::uint64_t ApplySilentMode(std::uint64_t product_flags);

// Six signed fields; month 0 means no date, a negative hour no time.
using DateTimeFields = FileDateTime;

struct BuildDateRecord {
  std::uint16_t year = 0;
  std::uint8_t month = 0;
  std::uint8_t day = 0;
  std::array<std::uint8_t, 4> options{};  // build options, kept as stored
  bool operator==(const BuildDateRecord&) const = default;
};

struct Settings {
  // 1-6; the runtime creates its background window and checks the stream's CRC after these.
  std::uint64_t ProductFlags = 0;
  std::uint8_t AutomaticDefault = 0;
  std::u16string TaskbarText;
  std::u16string DisplayTitle;
  double TitleSize = 0;
  std::uint32_t ProgressPosition = 0;
  // 7-20
  std::uint16_t MinProgressTime = 0;  // below 10000
  std::uint8_t ShortcutMode = 0;
  DateTimeFields UninstallerTimes;
  std::u16string Publisher;
  std::u16string DisplayName;
  std::u16string ProductDescription;
  std::uint8_t Bitness = 0;
  std::uint8_t UninstallDataChoice = 0;
  std::u16string SharedPath;
  std::u16string FileOptionText;
  std::u16string ProductStartMenu;
  std::string DisplayVersion;  // A
  std::u16string DefaultInstallDir;
  std::u16string ProductRegistry;
  // 21-30
  Bytes RegistryScript;  // UTF-16 CSV text, kept as stored
  Bytes RegMergeData;
  std::u16string AppPathProgram;
  std::int32_t BitmapSize = 0;  // 0..100
  std::int32_t StretchMode = 0;
  std::int32_t UninstallFonts = 0;
  std::int32_t UninstallShared = 0;
  Bytes GreetingLinkUrl;
  std::vector<Bytes> LicenseFiles;  // at most 20
  std::vector<Bytes> ReadmeFiles;   // at most 20
  // 31-45
  std::u16string UninstallSubdir;
  std::u16string UninstallerFileName;  // Blob8: at most 127 characters
  std::u16string UninstallKeyName;
  std::u16string InstallPathRegistry;  // Blob16
  std::u16string DialogFont;           // Blob16
  std::int32_t DialogZoom = 0;
  std::u16string HeaderTitle;
  std::uint32_t BannerFG = 0;
  std::uint8_t BannerOption = 0;
  std::uint32_t TitleColor = 0;
  std::uint8_t TitleShadow = 0;
  std::uint8_t TitlePosition = 0;
  std::u16string TitleFont;  // Blob16
  std::uint32_t TopColor = 0;
  std::uint32_t BottomColor = 0;
  // 46: the bitmap's byte count, its bytes and BitmapTPI; only the count when the bitmap is empty.
  Bytes BackgroundBitmap;
  std::int32_t BitmapTPI = 0;
  // 47-48: the copyright group is stored only when CopyrightPos is not 0.
  std::uint8_t CopyrightPos = 0;
  std::uint32_t CopyrightColor = 0;
  double CopyrightSize = 0;
  std::u16string CopyrightText;
  std::u16string CopyrightFont;
  // 49: ProductFlags bit 4.
  std::uint32_t DialogBG = 0;
  std::uint32_t DialogFG = 0;
  // 50-53: ProductFlags2 bits 25, 24, 26, 27 (in this stream order).
  std::uint32_t ButtonBG = 0;
  std::uint32_t ButtonFG = 0;
  std::uint32_t ButtonBorder = 0;
  std::array<std::uint32_t, 2> ColorSetA{};  // background, text
  std::array<std::uint32_t, 4> ColorSetB{};  // background, three further colours
  std::array<std::uint32_t, 2> ColorSetC{};  // background, text
  // 54: ProductFlags bit 16.
  std::u16string MasterProductKey;
  std::u16string MasterProductName;
  std::string MasterMinVersion;  // A, code page 1252
  // 55-61
  Bytes StartupSound;  // WAV data
  std::u16string DesktopFolder;
  Bytes DesktopFolderIcon;
  std::string PreInstallBatch;  // the seven batches: A, code page 1252
  std::string PostInstallBatch;
  std::string ExitBatch;
  std::string UninstallBatch1;
  std::string UninstallBatch2;
  std::string UpgradeBatch;
  std::string ReinstallBatch;
  std::array<std::uint8_t, 20> Reserved{};
  std::uint32_t ExcludedWindows = 0;
  std::uint8_t ExternalData = 0;
  // 62: three W launch texts, ten A addresses, FeedbackURL W.
  std::u16string LaunchProgram;
  std::u16string LaunchDocument;
  std::u16string LaunchFile;
  std::string ApprovalUrl;
  std::string StartedUrl;
  std::string InstalledUrl;
  std::string UpgradedUrl;
  std::string DowngradedUrl;
  std::string ReinstalledUrl;
  std::string NotifyURL;
  std::string LinkNotifyUrl;
  std::string CancelUrl;
  std::string FailureUrl;
  std::u16string FeedbackURL;
  // 63-69
  std::string OptionText8;       // Str8z: no zero byte inside
  std::string NoDowngradeBelow;  // Blob8 A
  BuildDateRecord BuildDate;
  std::u16string InstallPassword;
  std::string MinUpgradeVersion;  // A
  Bytes FirewallRules;            // 8-bit lines (paths in path encoding, names in UTF-8)
  std::u16string AddToPathSubfolder;
  // 70: the 52-byte page block, 13 signed 32-bit values. ExtraDiskSpace takes the first two,
  // low half first (a little-endian 64-bit value).
  std::int64_t ExtraDiskSpace = 0;
  std::int32_t IntegrityCheck = 0;
  std::int32_t BlockedStatus = 0;
  std::int32_t ApprovedStatus = 0;
  std::int32_t GreetingDlgStyle = 0;
  std::int32_t LanguageDlgStyle = 0;
  std::int32_t LicenseDlgStyle = 0;
  std::int32_t ReadmeDlgStyle = 0;
  std::int32_t ChooseDirDlgStyle = 0;
  std::int32_t StartMenuDlgStyle = 0;
  std::int32_t ProgressStyle = 0;
  std::int32_t SummaryDlgStyle = 0;
  // 71: ProductFlags bit 2.
  Bytes UninstallerIcon;

  bool operator==(const Settings&) const = default;
};

// Limits checked while reading (corrupt-installer codes 19, 24, 26, 39).
inline constexpr std::uint16_t kMinProgressTimeLimit = 10000;  // this value and above: code 19
inline constexpr std::int32_t kMaxTextFiles = 20;              // licence (24) and readme (26) entries
inline constexpr std::int32_t kMaxBitmapSize = 100;            // BitmapSize outside 0..100: code 39

// Reads fields 1-71 and leaves the reader right after the last one, where the lists begin.
//
// - product_flags2 is the package header's flags word; its bits 24-27 select the colour groups.
// - silent_mode applies the silent ProductFlags changes right after the word is read.
// - after_progress_position (may be empty) is called after field 6 and before field 7 with the
//   fields read so far; the runtime creates its background window there and checks the CRC of the
//   stream (throwing CorruptPackage(25) itself when it differs).
// - A single read that runs past the end leaves its field as it was (the CRC and the end word
//   of the lists reject a truncated stream); range checks throw CorruptPackage with codes 19, 24,
//   26 and 39. A negative licence or readme count is treated as out of range (24, 26).
Settings ReadSettings(PackageReader& reader, std::uint32_t product_flags2, bool silent_mode,
                      const std::function<void(const Settings&)>& after_progress_position = {});

// The exact inverse of ReadSettings for stored values (silent mode aside): the optional groups
// are written when ProductFlags (bits 2, 4, 16), product_flags2 (bits 24-27) and CopyrightPos
// ask for them. Throws std::length_error or std::invalid_argument for values the format cannot
// hold (see PackageWriter; the message names the setting), and std::invalid_argument for more
// than 20 licence or readme entries.
Bytes WriteSettings(const Settings& settings, std::uint32_t product_flags2);

// The stored values with the defaults that need no machine facts applied:
//   ProductDescription, ProductStartMenu, UninstallKeyName, DefaultInstallDir: empty -> DisplayName;
//   SharedPath: empty -> Publisher, or DisplayName when Publisher is blank (empty or only blanks);
//   DesktopFolder: empty -> DisplayName when ProductFlags bit 58 is set;
//   MasterProductKey, MasterProductName: empty -> DisplayName when ProductFlags bit 16 is set;
//   ColorSetC: absent (ProductFlags2 bit 27 clear) -> white background, black text;
//   UninstallerFileName: empty -> "uninstall.exe".
// ColorSetB takes the system's colours when absent; that is the Windows layer's to fill in
// (HasColorSetB tells it). DefaultInstallDir's other rules need the machine's folders.
Settings EffectiveSettings(const Settings& stored, std::uint32_t product_flags2);

// The background is one colour when both gradient ends are equal.
inline bool MonoColor(const Settings& s) { return s.TopColor == s.BottomColor; }
inline bool HasColorSetB(std::uint32_t product_flags2) { return (product_flags2 & kFlags2ColorSetB) != 0; }

}  // namespace mv
