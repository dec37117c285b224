// A settings value with every field set to a distinct value and every optional group present,
// shared by the stream and the JSON tests.
#pragma once

#include <cstdint>
#include <string>

#include "package/settings.h"

namespace mv::testing {

// Header flags that put every colour group into the stream.
inline constexpr std::uint32_t kAllGroupsFlags2 =
    kFlags2ColorSetA | kFlags2ButtonColours | kFlags2ColorSetB | kFlags2ColorSetC | 0x1000;

inline Bytes Seq(std::size_t n, std::uint8_t first) {
  Bytes b(n);
  for (std::size_t i = 0; i < n; ++i) b[i] = static_cast<std::uint8_t>(first + i);
  return b;
}

inline Settings FullSettings() {
  Settings s;
  s.ProductFlags = kFlagUninstaller | kFlagDialogColours | kFlagMasterProduct | kFlagDesktopFolderName |
                   (1ull << 22) | (1ull << 63) | (1ull << 51) | 0x1;
  s.AutomaticDefault = 2;
  s.TaskbarText = u"Taskbar \u00e9";
  s.DisplayTitle = u"Title \u20ac";
  s.TitleSize = 1.25;
  s.ProgressPosition = 3 | 24;
  s.MinProgressTime = 9999;
  s.ShortcutMode = 1;
  s.UninstallerTimes = {2024, 2, 29, 23, 59, 58};
  s.Publisher = u"Publisher";
  s.DisplayName = u"Product";
  s.ProductDescription = u"Description";
  s.Bitness = 1;
  s.UninstallDataChoice = 3;
  s.SharedPath = u"Shared";
  s.FileOptionText = u"Removable";
  s.ProductStartMenu = u"Menu";
  s.DisplayVersion = "1.2.3\x80";                   // the euro sign in code page 1252
  s.DefaultInstallDir = std::u16string(200, u'd');  // 400 bytes: the three-byte prefix
  s.ProductRegistry = u"Vendor\\Product";
  s.RegistryScript = Bytes{'H', 0, 'K', 0};
  s.RegMergeData = Seq(5, 0xF0);
  s.AppPathProgram = u"app.exe";
  s.BitmapSize = 100;
  s.StretchMode = 3;
  s.UninstallFonts = 2;
  s.UninstallShared = -1;
  s.GreetingLinkUrl = Seq(3, 'a');
  s.LicenseFiles = {Seq(4, 1), Bytes{}, Seq(2, 9)};
  s.ReadmeFiles = {Seq(7, 0x30)};
  s.UninstallSubdir = u"uninst";
  s.UninstallerFileName = u"uninstall.exe";
  s.UninstallKeyName = u"KeyName";
  s.InstallPathRegistry = u"HKLM\\Software\\X\\Path";
  s.DialogFont = u"Tahoma";
  s.DialogZoom = 125;
  s.HeaderTitle = u"Header";
  s.BannerFG = 0x00112233;
  s.BannerOption = 7;
  s.TitleColor = 0x00445566;
  s.TitleShadow = 2;
  s.TitlePosition = 5;
  s.TitleFont = u"Arial";
  s.TopColor = 0x00778899;
  s.BottomColor = 0x00AABBCC;
  s.BackgroundBitmap = Seq(9, 'B');
  s.BitmapTPI = -1;
  s.CopyrightPos = 4;
  s.CopyrightColor = 0x00010203;
  s.CopyrightSize = 0.75;
  s.CopyrightText = u"(c) Someone";
  s.CopyrightFont = std::u16string(u"Font") + char16_t{0xD800};  // an unpaired surrogate
  s.DialogBG = 0x00040506;
  s.DialogFG = 0x00070809;
  s.ButtonBG = 0x000A0B0C;
  s.ButtonFG = 0x000D0E0F;
  s.ButtonBorder = 0xFF101112;  // a colour with its top byte set
  s.ColorSetA = {0x00131415, 0x00161718};
  s.ColorSetB = {0x00191A1B, 0x001C1D1E, 0x001F2021, 0x00222324};
  s.ColorSetC = {0x00252627, 0x00282930};
  s.MasterProductKey = u"MasterKey";
  s.MasterProductName = u"Master";
  s.MasterMinVersion = "2.0";
  s.StartupSound = Seq(6, 'R');
  s.DesktopFolder = u"Desk";
  s.DesktopFolderIcon = Seq(5, 0x10);
  s.PreInstallBatch = std::string(255, 'p');  // low byte 255: the 32-bit prefix
  s.PostInstallBatch = "post";
  s.ExitBatch = "exit";
  s.UninstallBatch1 = "u1";
  s.UninstallBatch2 = "u2";
  s.UpgradeBatch = "upgrade";
  s.ReinstallBatch = "reinstall";
  for (std::size_t i = 0; i < s.Reserved.size(); ++i) s.Reserved[i] = static_cast<std::uint8_t>(0xE0 + i);
  s.ExcludedWindows = 0x80000001;
  s.ExternalData = 1;
  s.LaunchProgram = u"run.exe";
  s.LaunchDocument = u"doc.txt";
  s.LaunchFile = u"file.txt";
  s.ApprovalUrl = "http://a.example/approve";
  s.StartedUrl = "s";
  s.InstalledUrl = "i";
  s.UpgradedUrl = "u";
  s.DowngradedUrl = "d";
  s.ReinstalledUrl = "r";
  s.NotifyURL = "n";
  s.LinkNotifyUrl = "l";
  s.CancelUrl = "c";
  s.FailureUrl = "f";
  s.FeedbackURL = u"feedback";
  s.OptionText8 = "3.1";
  s.NoDowngradeBelow = "1.0";
  s.BuildDate = {2024, 12, 31, {1, 2, 3, 4}};
  s.InstallPassword = u"secret";
  s.MinUpgradeVersion = "0.9";
  s.FirewallRules = Bytes{'8', '0', ';', 'n', ';', '1', ';', '0', 0xFF};  // not UTF-8
  s.AddToPathSubfolder = u"bin";
  s.ExtraDiskSpace = 0x123456789ALL;
  s.IntegrityCheck = 1;
  s.BlockedStatus = 11;
  s.ApprovedStatus = 12;
  s.GreetingDlgStyle = 13;
  s.LanguageDlgStyle = 14;
  s.LicenseDlgStyle = 15;
  s.ReadmeDlgStyle = 16;
  s.ChooseDirDlgStyle = 17;
  s.StartMenuDlgStyle = 18;
  s.ProgressStyle = 19;
  s.SummaryDlgStyle = 20;
  s.UninstallerIcon = Seq(8, 0x40);
  return s;
}

}  // namespace mv::testing
