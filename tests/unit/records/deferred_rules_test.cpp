#include "records/deferred_rules.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/text.h"
#include "package/corrupt.h"

namespace mv {
namespace {

std::string Narrow(std::u16string_view s) { return Utf16ToUtf8(s); }

TEST(ConditionalDeletion, ConditionTable) {
  const FileDateTime file{2026, 3, 1, 12, 0, 0};  // the file's last write, UTC
  const std::uint64_t size = 1000;
  struct Case {
    int condition;
    const char* comparison;
    bool deleted;
  } cases[] = {
      {0, "anything", true},
      {7, "", true},  // above 6: always
      {255, "x", true},
      {1, "2026/03/01", true},  // date alone
      {1, "2026/03/02", false},
      {1, "2026/03/01 12:00:01", true},  // date and time, within the 2-second tolerance
      {1, "2026/03/01 12:00:05", false},
      {1, "2026/03/01 25:00:00", true},  // no valid time: the date alone
      {2, "2026/03/01", true},
      {2, "2026/03/02", false},
      {2, "2026/03/01 12:00:10", false},
      {2, "2026/02/28 23:59:59", true},
      {3, "2026/03/01", true},
      {3, "2026/02/28", false},
      {3, "2026/03/01 11:00:00", false},
      {4, "1000", true},
      {4, "999", false},
      {5, "0", true},  // at least 0: every matching file
      {5, "1001", false},
      {6, "1000", true},
      {6, "999", false},
      {6, "18446744073709551615", true},
  };
  for (const Case& c : cases) {
    const DeletionCondition parsed = ParseDeletionCondition(static_cast<std::uint8_t>(c.condition), c.comparison);
    EXPECT_EQ(DeletionConditionHolds(parsed, file, size), c.deleted) << c.condition << " " << c.comparison;
  }
}

// A comparison that cannot be read is a damaged package: it must never widen the deletion.
TEST(ConditionalDeletion, UnreadableComparisonIsCode65) {
  struct Case {
    int condition;
    const char* comparison;
  } cases[] = {
      {1, "2026/13/01"}, {2, "2026/02/30"}, {3, "yesterday"}, {1, ""},
      {4, ""},           {5, "12 KB"},      {6, "-1"},        {4, "18446744073709551616"},
  };
  for (const Case& c : cases) {
    try {
      ParseDeletionCondition(static_cast<std::uint8_t>(c.condition), c.comparison);
      ADD_FAILURE() << c.condition << " " << c.comparison << " was accepted";
    } catch (const CorruptPackage& e) {
      EXPECT_EQ(e.code(), 65);
    }
  }
}

TEST(ConditionalDeletion, DeferredLine) {
  EXPECT_EQ(DeferredDeletionLine(u"C:\\A\\b.dll", u""), u"File \"C:\\A\\b.dll\" will be deleted after rebooting.\r\n");
  EXPECT_EQ(DeferredDeletionLine(u"C:\\A\\b.dll", u"Access is denied."),
            u"File \"C:\\A\\b.dll\" will be deleted after rebooting: Access is denied.\r\n");
}

TEST(PendingOperations, MultiStringKeepsEmptyTargets) {
  using V = std::vector<std::u16string>;
  const std::u16string data(u"\\??\\C:\\a\0\0\\??\\C:\\t\0!\\??\\C:\\b\0\0", 30);
  EXPECT_EQ(SplitMultiString(data), (V{u"\\??\\C:\\a", u"", u"\\??\\C:\\t", u"!\\??\\C:\\b"}));
  // A deletion last: its empty target, then the list's terminator.
  EXPECT_EQ(SplitMultiString(std::u16string(u"x\0\0\0", 4)), (V{u"x", u""}));
  // Without the list's terminator.
  EXPECT_EQ(SplitMultiString(std::u16string(u"x\0\0", 3)), (V{u"x", u""}));
  EXPECT_EQ(SplitMultiString(std::u16string(u"x\0y", 3)), (V{u"x", u"y"}));
  EXPECT_EQ(SplitMultiString(u""), V{});
  const V pairs{u"s1", u"", u"s2", u"t2"};
  EXPECT_EQ(SplitMultiString(JoinMultiString(pairs)), pairs);
  EXPECT_EQ(JoinMultiString(pairs), std::u16string(u"s1\0\0s2\0t2\0\0", 11));
}

TEST(PendingOperations, PathMarksRemoved) {
  EXPECT_EQ(PendingPathAsFileName(u"\\??\\C:\\a.dll"), u"C:\\a.dll");
  EXPECT_EQ(PendingPathAsFileName(u"!\\??\\C:\\a.dll"), u"C:\\a.dll");
  EXPECT_EQ(PendingPathAsFileName(u"C:\\a.dll"), u"C:\\a.dll");
  EXPECT_EQ(PendingPathAsFileName(u"!!??"), u"");
}

// The set names one of three pending targets (in another case, as the system writes it): that pair
// alone goes, its temporary source is to be deleted, the others stay in their order.
TEST(PendingOperations, CleanupDropsOnlyInstalledFiles) {
  const auto installed = [](std::u16string_view path) {
    return EqualsIgnoreAsciiCase(path, u"C:\\App\\main.exe") || EqualsIgnoreAsciiCase(path, u"C:\\App\\old.dll");
  };
  const std::vector<std::u16string> list{
      u"\\??\\C:\\Other\\VQT0001.TMP", u"!\\??\\C:\\Other\\x.dll",  // another product's move
      u"\\??\\C:\\App\\VQT1A2B.TMP",   u"!\\??\\c:\\app\\MAIN.EXE",  // a stale move onto a fresh file
      u"\\??\\C:\\Other\\gone.txt",    u"",                           // another deletion
      u"\\??\\C:\\App\\old.dll",       u"",                           // a deletion of a file just installed
  };
  const PendingCleanup cleanup = CleanPendingList(list, installed);
  EXPECT_TRUE(cleanup.changed);
  EXPECT_EQ(cleanup.kept, (std::vector<std::u16string>{u"\\??\\C:\\Other\\VQT0001.TMP", u"!\\??\\C:\\Other\\x.dll",
                                                       u"\\??\\C:\\Other\\gone.txt", u""}));
  EXPECT_EQ(cleanup.sources_to_delete, std::vector<std::u16string>{u"C:\\App\\VQT1A2B.TMP"});
  EXPECT_EQ(Narrow(cleanup.log),
            "File \"c:\\app\\MAIN.EXE\" was removed from the list of pending moves.\r\n"
            "File \"C:\\App\\old.dll\" was removed from the list of pending deletions.\r\n");

  const PendingCleanup none = CleanPendingList(list, [](std::u16string_view) { return false; });
  EXPECT_FALSE(none.changed);
  EXPECT_EQ(none.kept, list);
  EXPECT_TRUE(none.log.empty());

  // A last string without its partner is kept; a move is dropped only by its target.
  const std::vector<std::u16string> odd{u"C:\\App\\main.exe", u"C:\\elsewhere", u"C:\\App\\main.exe"};
  const PendingCleanup kept = CleanPendingList(odd, installed);
  EXPECT_FALSE(kept.changed);
  EXPECT_EQ(kept.kept, odd);
}

TEST(PendingOperations, RenameSection) {
  struct Case {
    const char* ini;
    const char* out;
  } cases[] = {
      {"", "[rename]\r\nC:\\T.DLL=C:\\VQT1.TMP"},
      {"[other]\r\na=b\r\n", "[other]\r\na=b\r\n[rename]\r\nC:\\T.DLL=C:\\VQT1.TMP"},
      {"[other]\r\na=b", "[other]\r\na=b\r\n[rename]\r\nC:\\T.DLL=C:\\VQT1.TMP"},
      {"[Rename]\r\nNUL=C:\\X\r\n", "[Rename]\r\nC:\\T.DLL=C:\\VQT1.TMP\r\nNUL=C:\\X\r\n"},
      {"[a]\r\n[rename]\r\n[b]\r\n", "[a]\r\n[rename]\r\nC:\\T.DLL=C:\\VQT1.TMP\r\n[b]\r\n"},
      {"[rename]", "[rename]\r\nC:\\T.DLL=C:\\VQT1.TMP"},
      {"x=[rename]\r\n", "x=[rename]\r\n[rename]\r\nC:\\T.DLL=C:\\VQT1.TMP"},
  };
  for (const Case& c : cases) EXPECT_EQ(AddRenameLine(c.ini, "C:\\T.DLL", "C:\\VQT1.TMP"), c.out) << c.ini;
}

TEST(FailedWrite, DecisionAndTexts) {
  struct Case {
    std::uint32_t error;
    bool caller, product;
    bool replace, disk_full;
  } cases[] = {
      {5, false, false, false, false}, {32, true, false, true, false}, {32, false, true, true, false},
      {123, true, true, false, false}, {112, true, true, false, true},
  };
  for (const Case& c : cases) {
    const AfterWriteFailure d = DecideAfterWriteFailure(c.error, c.caller, c.product);
    EXPECT_EQ(d.replace, c.replace) << c.error;
    EXPECT_EQ(d.disk_full, c.disk_full) << c.error;
  }
  EXPECT_EQ(Narrow(WriteFailureHead(u"Could not write", u"q:\\a.txt") + DriveMissingLine(u"q:\\a.txt")),
            "\r\nCould not write q:\\a.txt\r\nDrive Q: is not present.\r\n");
  EXPECT_EQ(Narrow(ReplacementRegisteredText(u"C:\\a.dll", u"C:\\VQT1.tmp")),
            "\"C:\\a.dll\" was successfully registered for replacement.\r\nTemporary file is \"C:\\VQT1.tmp\"\r\n"
            "Reboot will be required.\r\n\r\n");
  EXPECT_EQ(Narrow(ReplacementNoTemporaryText(u"C:\\a.dll", u"Disk full.")),
            "Failed to register 'C:\\a.dll' for replacement because no temporary file could be created.\r\nDisk full.\r\n\r\n");
  EXPECT_EQ(Narrow(ReplacementFailedText(u"C:\\a.dll", u"C:\\VQT1.tmp", u"Denied.")),
            "Failed to register 'C:\\a.dll' for replacement with temporary file 'C:\\VQT1.tmp'\r\nDenied.\r\n\r\n");
  // A 100% literal path: a "%s" inside it stays text.
  EXPECT_EQ(Narrow(WriteFailureHead(u"X", u"C:\\%s\\%d")), "\r\nX C:\\%s\\%d\r\n");
}

TEST(FailedWrite, AttributesTakeOnlyTheRequestedBits) {
  EXPECT_EQ(MergeAttributes(0x80, 0x21), 0x21u | 0x80u);     // normal bit kept, read-only and archive set
  EXPECT_EQ(MergeAttributes(0x827, 0x0), 0x800u);          // compressed kept, the rest cleared
  EXPECT_EQ(MergeAttributes(0x0, 0xFFFFFFFF & ~0x10u), 0x1127u);  // nothing beyond 0x1127 is taken
}

}  // namespace
}  // namespace mv
