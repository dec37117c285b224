#include "engine/extraction_rules.h"

#include <gtest/gtest.h>

#include <string>

#include "base/text.h"

namespace mv {
namespace {

std::string Narrow(std::u16string_view s) { return Utf16ToUtf8(s); }

DestinationInput Input(std::uint32_t kind, std::u16string name, std::u16string destination = u"",
                       std::uint32_t flags = 0) {
  DestinationInput in;
  in.kind = kind;
  in.flags = flags;
  in.name = std::move(name);
  in.destination = std::move(destination);
  in.install_dir = u"C:\\Program Files\\Acme";
  in.shared_dir = u"C:\\Program Files\\Common Files\\Acme";
  in.uninstall_dir = u"C:\\Program Files\\Acme\\uninstall";
  in.fonts_dir = u"C:\\Windows\\Fonts";
  in.system_dir = u"C:\\Windows\\system32";
  return in;
}

std::u16string Expand(std::u16string s) {
  const std::size_t at = s.find(u"%Data%");
  if (at != std::u16string::npos) s.replace(at, 6, u"D:\\Data");
  return s;
}

TEST(Extraction, DestinationRules) {
  DestinationInput removable = Input(1, u"x.dll", u"sub\\");
  removable.removable_target = true;
  removable.file_option_text = u"E:\\Shared";
  DestinationInput removable_percent = Input(1, u"x.dll", u"%Data%\\");
  removable_percent.removable_target = true;
  removable_percent.file_option_text = u"E:\\Shared";
  struct Case {
    DestinationInput in;
    const char16_t* path;
    bool create;
  } cases[] = {
      {Input(0, u"bin\\app.exe"), u"C:\\Program Files\\Acme\\bin\\app.exe", true},
      {Input(1, u"common.dll"), u"C:\\Program Files\\Common Files\\Acme\\common.dll", false},
      {Input(4, u"acme.ttf"), u"C:\\Windows\\Fonts\\acme.ttf", false},
      {Input(6, u"acme.ocx"), u"C:\\Windows\\system32\\acme.ocx", false},
      {Input(9, u"lib.dll"), u"C:\\Program Files\\Acme\\lib.dll", true},
      {Input(0, u"a.txt", u"renamed.txt"), u"C:\\Program Files\\Acme\\renamed.txt", true},  // a new name
      {Input(0, u"deep\\a.txt", u"docs\\"), u"C:\\Program Files\\Acme\\docs\\a.txt", true},
      {Input(0, u"a.txt", u"docs\\more"), u"C:\\Program Files\\Acme\\docs\\more\\a.txt", true},
      {Input(0, u"a.txt", u"\\Tools\\"), u"C:\\Tools\\a.txt", true},  // the base's drive root
      {Input(0, u"a.txt", u"E:tools\\"), u"E:\\tools\\a.txt", true},  // that drive's root
      {Input(0, u"a.txt", u"..\\Other\\"), u"C:\\Program Files\\Other\\a.txt", true},
      {Input(0, u"a.txt", u"..\\..\\..\\..\\x\\"), u"C:\\x\\a.txt", true},  // never above the root
      {Input(0, u"a.txt", u"F:\\Abs\\"), u"F:\\Abs\\a.txt", true},
      {Input(0, u"a.txt", u"%Data%\\in\\"), u"D:\\Data\\in\\a.txt", true},
      {Input(1, u"a.dll", u"sub\\"), u"C:\\Program Files\\Common Files\\Acme\\sub\\a.dll", true},
      {Input(0, u"a.txt", u"", kRecordInUninstallFolder), u"C:\\Program Files\\Acme\\uninstall\\a.txt", false},
      {removable, u"E:\\Shared\\sub\\x.dll", true},
      {removable_percent, u"C:\\Program Files\\Common Files\\Acme\\x.dll", false},  // dropped
  };
  for (const Case& c : cases) {
    const Destination d = PlanDestination(c.in, Expand);
    EXPECT_EQ(Narrow(d.path), Narrow(c.path)) << Narrow(c.in.name) << " / " << Narrow(c.in.destination);
    EXPECT_EQ(d.create_folder, c.create) << Narrow(c.path);
    EXPECT_EQ(d.folder, d.path.substr(0, d.path.find_last_of(u'\\')));
  }
}

struct OverwriteCase {
  const char* name;
  std::uint32_t kind;
  int mode;
  bool exists;
  std::optional<FileDateTime> existing_date;
  const char16_t* existing_version;
  FileDateTime record_date;
  const char16_t* record_version;
  bool write;
  bool record;
  const char* log;  // after the destination
};

TEST(Extraction, OverwriteRules) {
  const FileDateTime noon{2026, 3, 1, 12, 0, 0};
  const FileDateTime later{2026, 3, 1, 12, 0, 5};
  const FileDateTime one_second_later{2026, 3, 1, 12, 0, 1};
  const FileDateTime no_time{2026, 3, 1, -1, 0, 0};
  const OverwriteCase cases[] = {
      {"kind 0, new", 0, 0, false, {}, u"", noon, u"", true, true, ""},
      {"kind 0 has no check", 0, 0, true, later, u"", noon, u"", true, true, ""},
      {"mode 1 passes over", 0, 1, false, {}, u"", noon, u"", false, false, ""},
      {"mode 5 passes over", 0, 5, true, noon, u"", noon, u"", false, false, ""},
      {"mode 2, missing", 0, 2, false, {}, u"", noon, u"", false, false,
       " was not installed because it does not already exist.\r\n"},
      {"mode 2, present", 0, 2, true, noon, u"", noon, u"", true, true, ""},
      {"mode 3, present: recorded all the same", 0, 3, true, noon, u"", noon, u"", false, true,
       " was not installed because it already exists.\r\n"},
      {"mode 3, not recorded for kind 6", 6, 3, true, noon, u"", noon, u"", false, false,
       " was not installed because it already exists.\r\n"},
      {"mode 4, existing newer", 0, 4, true, later, u"", noon, u"", false, true,
       " was not installed because the existing file is newer.\r\n"},
      {"mode 4, within 2 seconds", 0, 4, true, one_second_later, u"", noon, u"", true, true, ""},
      {"mode 4, record without time", 0, 4, true, later, u"", no_time, u"", true, true, ""},
      {"kind 1, up to date", 1, 0, true, noon, u"", noon, u"", false, false, " is up to date.\r\n"},
      {"kind 1, one second newer is equal", 1, 0, true, noon, u"", one_second_later, u"", false, false,
       " is up to date.\r\n"},
      {"kind 1, newer", 1, 0, true, noon, u"", later, u"", true, false, " is out of date and will be replaced.\r\n"},
      {"kind 4, record without time is out of date", 4, 0, true, later, u"", no_time, u"", true, false,
       " is out of date and will be replaced.\r\n"},
      {"kind 1, missing ends the check", 1, 0, false, {}, u"", noon, u"", true, false, ""},
      {"kind 6, equal version, newer date", 6, 0, true, noon, u"1.2", later, u"1.2", false, false,
       " was not installed because its version (1.2) is not newer than 1.2\r\n"},
      {"kind 9, older version: recorded", 9, 0, true, noon, u"1.10", later, u"1.9", false, true,
       " was not installed because its version (1.9) is not newer than 1.10\r\n"},
      {"kind 6, newer version, older date", 6, 0, true, later, u"1.2", noon, u"1.3", false, false,
       " was not installed because its date (2026/03/01 12:00:00) is not newer than 2026/03/01 12:00:05.\r\n"},
      {"kind 7, newer version and date", 7, 0, true, noon, u"2.0a", later, u"2.0b", true, false,
       " needs replacement because its version (2.0b) is newer than 2.0a and its date (2026/03/01 12:00:05) is "
       "newer than 2026/03/01 12:00:00\r\n"},
      {"kind 8, no existing version, newer date", 8, 0, true, noon, u"", later, u"1.0", true, false,
       " needs replacement because its date (2026/03/01 12:00:05) is newer than 2026/03/01 12:00:00\r\n"},
      {"kind 9, newer version, date unreadable", 9, 0, true, std::nullopt, u"1.0", noon, u"1.2.1", true, true,
       " needs replacement because its version (1.2.1) is newer than 1.0\r\n"},
      {"kind 6, nothing to compare", 6, 0, true, std::nullopt, u"", noon, u"", true, false,
       " is out of date and will be replaced.\r\n"},
  };
  for (const OverwriteCase& c : cases) {
    OverwriteInput in;
    in.kind = c.kind;
    in.flags = static_cast<std::uint32_t>(c.mode) << 2;
    in.destination = u"C:\\D\\f";
    in.record_date = c.record_date;
    in.record_version = c.record_version;
    in.existing = {c.exists, c.existing_date, c.existing_version};
    const OverwriteDecision d = DecideOverwrite(in);
    EXPECT_EQ(d.write, c.write) << c.name;
    EXPECT_EQ(d.record, c.record) << c.name;
    EXPECT_EQ(Narrow(d.log), c.log[0] ? "C:\\D\\f" + std::string(c.log) : "") << c.name;
    EXPECT_EQ(d.replacement_allowed, c.write && c.exists && c.kind != 0) << c.name;
  }
}

// The walk does not look at an existing file when the decision cannot depend on it: for every kind,
// mode and existing file, the decision without the look is the decision with it.
TEST(Extraction, SkippingTheLookAtAnExistingFileNeverChangesTheDecision) {
  const FileDateTime noon{2026, 3, 1, 12, 0, 0};
  const FileDateTime later{2026, 3, 1, 12, 0, 5};
  int skipped = 0;
  for (std::uint32_t kind : {0u, 1u, 4u, 5u, 6u, 7u, 8u, 9u, 10u, 11u, 12u}) {
    for (std::uint32_t mode = 0; mode < 8; ++mode) {
      for (bool removable : {false, true}) {
        for (const ExistingFile& existing : {ExistingFile{true, later, u"2.0"}, ExistingFile{true, noon, u""},
                                             ExistingFile{true, std::nullopt, u""}, ExistingFile{}}) {
          OverwriteInput in;
          in.kind = kind;
          in.flags = mode << 2;
          in.destination = u"C:\\D\\f";
          in.record_date = noon;
          in.record_version = u"1.0";
          in.removable_target = removable;
          in.existing = existing;
          if (NeedsExistingFile(in)) continue;
          ++skipped;
          OverwriteInput unseen = in;
          unseen.existing = {};
          const OverwriteDecision seen = DecideOverwrite(in), without = DecideOverwrite(unseen);
          const std::string where = "kind " + std::to_string(kind) + " mode " + std::to_string(mode);
          EXPECT_EQ(seen.write, without.write) << where;
          EXPECT_EQ(seen.record, without.record) << where;
          EXPECT_EQ(seen.replacement_allowed, without.replacement_allowed) << where;
          EXPECT_EQ(Narrow(seen.log), Narrow(without.log)) << where;
        }
      }
    }
  }
  EXPECT_GT(skipped, 0) << "kind 0 in mode 0 needs no look";
}

TEST(Extraction, PermanentFilesAreNeverRecorded) {
  OverwriteInput in;
  in.kind = 0;
  in.flags = kRecordPermanent | (3u << 2);
  in.destination = u"C:\\D\\f";
  in.existing.exists = true;
  EXPECT_FALSE(DecideOverwrite(in).record);
  in.existing.exists = false;
  const OverwriteDecision d = DecideOverwrite(in);
  EXPECT_TRUE(d.write);
  EXPECT_FALSE(d.record);
}

}  // namespace
}  // namespace mv
