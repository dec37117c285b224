#include "package/settings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <optional>

#include "package/corrupt.h"
#include "package/writer.h"
#include "settings_fixture.h"

namespace mv {
namespace {

using testing::FullSettings;
using testing::kAllGroupsFlags2;

Settings Read(const Bytes& stream, std::uint32_t flags2, bool silent = false) {
  PackageReader r(stream);
  return ReadSettings(r, flags2, silent);
}

// Offset of the first occurrence of a 32-bit little-endian value.
std::size_t OffsetOf(const Bytes& stream, std::uint32_t value) {
  Bytes pattern;
  AppendLe32(pattern, value);
  const auto it = std::search(stream.begin(), stream.end(), pattern.begin(), pattern.end());
  EXPECT_NE(it, stream.end()) << std::hex << value;
  return static_cast<std::size_t>(it - stream.begin());
}

// The corrupt-installer code ReadSettings throws, or nullopt when it reads the stream.
std::optional<int> CodeOf(const Bytes& stream, std::uint32_t flags2) {
  try {
    Read(stream, flags2);
    return std::nullopt;
  } catch (const CorruptPackage& e) {
    return e.code();
  }
}

TEST(Settings, EveryFieldRoundTripsAndTheReaderStopsAfterTheLast) {
  const Settings full = FullSettings();
  const Bytes stream = WriteSettings(full, kAllGroupsFlags2);

  Bytes with_lists = stream;
  with_lists.insert(with_lists.end(), {0x97, 0x2B, 0xE8, 0xD3});  // whatever follows
  PackageReader r(with_lists);
  const Settings back = ReadSettings(r, kAllGroupsFlags2, false);
  EXPECT_FALSE(r.failed());
  EXPECT_EQ(r.position(), stream.size());
  EXPECT_TRUE(back == full);
  EXPECT_EQ(WriteSettings(back, kAllGroupsFlags2), stream);
}

TEST(Settings, OptionalGroupsTakeBytesOnlyWhenFlagged) {
  struct Case {
    const char* name;
    std::function<void(Settings&, std::uint32_t&)> drop;
    std::size_t bytes_saved;
  } cases[] = {
      {"copyright",
       [](Settings& s, std::uint32_t&) {
         s.CopyrightPos = 0;
         s.CopyrightColor = 0;
         s.CopyrightSize = 0;
         s.CopyrightText.clear();
         s.CopyrightFont.clear();
       },
       4 + 8 + (1 + 2 * 11) + (1 + 2 * 5)},
      {"dialog colours",
       [](Settings& s, std::uint32_t&) {
         s.ProductFlags &= ~kFlagDialogColours;
         s.DialogBG = s.DialogFG = 0;
       },
       8},
      {"button colours",
       [](Settings& s, std::uint32_t& f) {
         f &= ~kFlags2ButtonColours;
         s.ButtonBG = s.ButtonFG = s.ButtonBorder = 0;
       },
       12},
      {"all colour groups of the header flags",
       [](Settings& s, std::uint32_t& f) {
         f &= ~0x0F000000u;
         s.ButtonBG = s.ButtonFG = s.ButtonBorder = 0;
         s.ColorSetA = {};
         s.ColorSetB = {};
         s.ColorSetC = {};
       },
       12 + 8 + 16 + 8},
      {"master product",
       [](Settings& s, std::uint32_t&) {
         s.ProductFlags &= ~kFlagMasterProduct;
         s.MasterProductKey.clear();
         s.MasterProductName.clear();
         s.MasterMinVersion.clear();
       },
       (1 + 2 * 9) + (1 + 2 * 6) + (1 + 3)},
      {"uninstaller icon",
       [](Settings& s, std::uint32_t&) {
         s.ProductFlags &= ~kFlagUninstaller;
         s.UninstallerIcon.clear();
       },
       4 + 8},
      {"background bitmap",
       [](Settings& s, std::uint32_t&) {
         s.BackgroundBitmap.clear();
         s.BitmapTPI = 0;
       },
       9 + 4},
  };
  const std::size_t full_size = WriteSettings(FullSettings(), kAllGroupsFlags2).size();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Settings s = FullSettings();
    std::uint32_t flags2 = kAllGroupsFlags2;
    c.drop(s, flags2);
    const Bytes stream = WriteSettings(s, flags2);
    EXPECT_EQ(full_size - stream.size(), c.bytes_saved);
    EXPECT_TRUE(Read(stream, flags2) == s);
  }
}

TEST(Settings, GroupsFollowEachOtherInStreamOrder) {
  const Bytes full = WriteSettings(FullSettings(), kAllGroupsFlags2);
  const std::size_t copyright = OffsetOf(full, 0x00010203);
  const std::size_t dialog = OffsetOf(full, 0x00040506);
  const std::size_t buttons = OffsetOf(full, 0x000A0B0C);
  const std::size_t set_a = OffsetOf(full, 0x00131415);
  const std::size_t set_b = OffsetOf(full, 0x00191A1B);
  const std::size_t set_c = OffsetOf(full, 0x00252627);
  const std::size_t bottom = OffsetOf(full, 0x00AABBCC);
  // BottomColor, bitmap count + 9 bytes + BitmapTPI, CopyrightPos, then the copyright group.
  EXPECT_EQ(copyright, bottom + 4 + 4 + 9 + 4 + 1);
  EXPECT_EQ(dialog, copyright + 4 + 8 + (1 + 2 * 11) + (1 + 2 * 5));
  EXPECT_EQ(buttons, dialog + 8);
  EXPECT_EQ(set_a, buttons + 12);
  EXPECT_EQ(set_b, set_a + 8);
  EXPECT_EQ(set_c, set_b + 16);

  // Without the copyright line and the bitmap, the dialog colours follow CopyrightPos at once;
  // without any colour group the prerequisite product follows them.
  Settings s = FullSettings();
  s.CopyrightPos = 0;
  s.BackgroundBitmap.clear();
  const Bytes bare = WriteSettings(s, 0);
  const std::size_t bare_bottom = OffsetOf(bare, 0x00AABBCC);
  EXPECT_EQ(bare[bare_bottom + 8], 0);  // CopyrightPos
  EXPECT_EQ(OffsetOf(bare, 0x00040506), bare_bottom + 4 + 4 + 1);
  EXPECT_EQ(bare[bare_bottom + 4 + 4 + 1 + 8], 2 * 9);  // the Str prefix of MasterProductKey
}

TEST(Settings, RangeChecksGiveTheirCodesJustPastTheLimit) {
  struct Case {
    const char* name;
    std::function<void(Settings&)> set;
    std::optional<int> code;
  } cases[] = {
      {"progress time limit", [](Settings& s) { s.MinProgressTime = 9999; }, std::nullopt},
      {"progress time", [](Settings& s) { s.MinProgressTime = 10000; }, 19},
      {"bitmap size 0", [](Settings& s) { s.BitmapSize = 0; }, std::nullopt},
      {"bitmap size 100", [](Settings& s) { s.BitmapSize = 100; }, std::nullopt},
      {"bitmap size 101", [](Settings& s) { s.BitmapSize = 101; }, 39},
      {"bitmap size -1", [](Settings& s) { s.BitmapSize = -1; }, 39},
      {"20 licences", [](Settings& s) { s.LicenseFiles.assign(20, Bytes{1}); }, std::nullopt},
      {"20 readmes", [](Settings& s) { s.ReadmeFiles.assign(20, Bytes{1}); }, std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Settings s = FullSettings();
    c.set(s);
    EXPECT_EQ(CodeOf(WriteSettings(s, kAllGroupsFlags2), kAllGroupsFlags2), c.code);
  }

  // Counts the writer refuses to produce are patched into the stream. The licence count follows
  // the greeting link; with no licences the readme count follows at once.
  Settings s = FullSettings();
  s.GreetingLinkUrl = {'G', 'L', 'U', '!'};
  s.LicenseFiles.clear();
  s.ReadmeFiles.clear();
  const Bytes stream = WriteSettings(s, kAllGroupsFlags2);
  const std::size_t licence_count = OffsetOf(stream, 0x21554C47) + 4;
  struct Patch {
    std::size_t offset;
    std::uint32_t count;
    std::optional<int> code;
  } patches[] = {
      {licence_count, 21, 24},
      {licence_count, 0xFFFFFFFF, 24},  // a negative count is refused, not read as empty
      {licence_count + 4, 21, 26},
      {licence_count + 4, 0x80000000, 26},
  };
  for (const auto& p : patches) {
    SCOPED_TRACE(p.count);
    Bytes patched = stream;
    StoreLe32(&patched[p.offset], p.count);
    EXPECT_EQ(CodeOf(patched, kAllGroupsFlags2), p.code);
  }
}

TEST(Settings, SilentModeForcesItsBitsAsSoonAsTheWordIsRead) {
  auto bits = [](std::initializer_list<int> list) {
    std::uint64_t v = 0;
    for (int b : list) v |= 1ull << b;
    return v;
  };
  const std::uint64_t cleared = bits({7, 31, 34, 35, 36, 41, 44, 51});
  const std::uint64_t set = bits({21, 22, 28, 29, 43});
  EXPECT_EQ(ApplySilentMode(~0ull), ~cleared);
  EXPECT_EQ(ApplySilentMode(0), set);

  Settings s = FullSettings();
  s.ProductFlags = ~0ull;
  const Bytes stream = WriteSettings(s, kAllGroupsFlags2);
  for (bool silent : {false, true}) {
    SCOPED_TRACE(silent);
    PackageReader r(stream);
    std::uint64_t seen = 0;
    const Settings back =
        ReadSettings(r, kAllGroupsFlags2, silent, [&](const Settings& early) { seen = early.ProductFlags; });
    const std::uint64_t expected = silent ? ~cleared : ~0ull;
    EXPECT_EQ(seen, expected);
    EXPECT_EQ(back.ProductFlags, expected);
    EXPECT_EQ(back.UninstallerIcon, s.UninstallerIcon);  // the rest of the stream still lines up
  }
}

TEST(Settings, CallbackSeesTheFirstSixFieldsBeforeTheSeventhIsRead) {
  const Settings full = FullSettings();
  const Bytes stream = WriteSettings(full, kAllGroupsFlags2);
  PackageReader r(stream);
  int calls = 0;
  ReadSettings(r, kAllGroupsFlags2, false, [&](const Settings& s) {
    ++calls;
    EXPECT_EQ(s.ProductFlags, full.ProductFlags);
    EXPECT_EQ(s.AutomaticDefault, full.AutomaticDefault);
    EXPECT_EQ(s.TaskbarText, full.TaskbarText);
    EXPECT_EQ(s.DisplayTitle, full.DisplayTitle);
    EXPECT_EQ(s.TitleSize, full.TitleSize);
    EXPECT_EQ(s.ProgressPosition, full.ProgressPosition);
    EXPECT_EQ(s.MinProgressTime, 0);
    const std::size_t six_fields =
        8 + 1 + (1 + 2 * full.TaskbarText.size()) + (1 + 2 * full.DisplayTitle.size()) + 8 + 4;
    EXPECT_EQ(r.position(), six_fields);
  });
  EXPECT_EQ(calls, 1);
}

TEST(Settings, CorruptCodeFromTheCallbackStopsTheRead) {
  const Bytes stream = WriteSettings(FullSettings(), kAllGroupsFlags2);
  PackageReader r(stream);
  EXPECT_THROW(ReadSettings(r, kAllGroupsFlags2, false, [](const Settings&) { throw CorruptPackage(25); }),
               CorruptPackage);
}

TEST(Settings, TruncatedStreamsReadWithoutThrowingOrOverrunning) {
  const Settings full = FullSettings();
  const Bytes stream = WriteSettings(full, kAllGroupsFlags2);
  for (std::size_t cut = 0; cut < stream.size(); ++cut) {
    const Bytes part(stream.begin(), stream.begin() + cut);
    PackageReader r(part);
    Settings back;
    ASSERT_NO_THROW(back = ReadSettings(r, kAllGroupsFlags2, false)) << cut;
    ASSERT_TRUE(r.failed()) << cut;
    ASSERT_EQ(r.position(), cut);
  }

  // Cut inside Publisher: the fields before it are intact, it and everything after keep their
  // zero values.
  Settings s = full;
  s.Publisher = u"PPPP";
  const Bytes whole = WriteSettings(s, kAllGroupsFlags2);
  const std::size_t publisher = OffsetOf(whole, 0x00500050) - 1;
  const Settings back = Read(Bytes(whole.begin(), whole.begin() + publisher + 4), kAllGroupsFlags2);
  EXPECT_EQ(back.UninstallerTimes, full.UninstallerTimes);
  EXPECT_EQ(back.ShortcutMode, full.ShortcutMode);
  EXPECT_TRUE(back.Publisher.empty());
  EXPECT_TRUE(back.DisplayName.empty());
  EXPECT_EQ(back.SummaryDlgStyle, 0);
}

TEST(Settings, WritingRefusesValuesThatDoNotFitAndNamesThem) {
  struct Case {
    const char* name;
    std::function<void(Settings&)> set;
  } cases[] = {
      {"UninstallerFileName", [](Settings& s) { s.UninstallerFileName.assign(128, u'u'); }},
      {"TitleFont", [](Settings& s) { s.TitleFont.assign(0x8000, u't'); }},
      {"OptionText8", [](Settings& s) { s.OptionText8 = std::string("1\0", 2); }},
      {"licence", [](Settings& s) { s.LicenseFiles.resize(21); }},
  };
  for (const auto& c : cases) {
    Settings s = FullSettings();
    c.set(s);
    try {
      WriteSettings(s, kAllGroupsFlags2);
      ADD_FAILURE() << c.name << " accepted";
    } catch (const std::logic_error& e) {
      EXPECT_NE(std::string(e.what()).find(c.name), std::string::npos) << e.what();
    }
  }
  Settings fits = FullSettings();
  fits.UninstallerFileName.assign(127, u'u');
  EXPECT_EQ(Read(WriteSettings(fits, kAllGroupsFlags2), kAllGroupsFlags2).UninstallerFileName,
            fits.UninstallerFileName);
}

TEST(Settings, EffectiveSettingsFillTheNameDefaults) {
  Settings stored;
  stored.DisplayName = u"Name";
  stored.Publisher = u"Pub";
  Settings e = EffectiveSettings(stored, 0);
  EXPECT_EQ(e.ProductDescription, u"Name");
  EXPECT_EQ(e.ProductStartMenu, u"Name");
  EXPECT_EQ(e.UninstallKeyName, u"Name");
  EXPECT_EQ(e.DefaultInstallDir, u"Name");
  EXPECT_EQ(e.SharedPath, u"Pub");
  EXPECT_TRUE(e.DesktopFolder.empty());     // bit 58 clear
  EXPECT_TRUE(e.MasterProductKey.empty());  // bit 16 clear
  EXPECT_EQ(e.ColorSetC, (std::array<std::uint32_t, 2>{0xFFFFFF, 0}));
  EXPECT_EQ(e.ColorSetB, (std::array<std::uint32_t, 4>{}));  // the system's colours: the Windows layer's
  EXPECT_EQ(e.UninstallerFileName, u"uninstall.exe");

  stored.Publisher = u"  ";
  stored.ProductFlags = kFlagDesktopFolderName | kFlagMasterProduct;
  stored.ColorSetC = {1, 2};
  stored.ProductStartMenu = u"Menu";
  stored.UninstallerFileName = u"remove.exe";
  e = EffectiveSettings(stored, kFlags2ColorSetC);
  EXPECT_EQ(e.UninstallerFileName, u"remove.exe");
  EXPECT_EQ(e.SharedPath, u"Name");
  EXPECT_EQ(e.DesktopFolder, u"Name");
  EXPECT_EQ(e.MasterProductKey, u"Name");
  EXPECT_EQ(e.MasterProductName, u"Name");
  EXPECT_EQ(e.ProductStartMenu, u"Menu");
  EXPECT_EQ(e.ColorSetC, (std::array<std::uint32_t, 2>{1, 2}));

  stored.TopColor = stored.BottomColor = 0x123456;
  EXPECT_TRUE(MonoColor(stored));
  stored.BottomColor = 0;
  EXPECT_FALSE(MonoColor(stored));
}

}  // namespace
}  // namespace mv
