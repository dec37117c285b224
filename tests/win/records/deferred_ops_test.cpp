// In-use replacement, deferred deletion, the pending-operations clean-up and the conditional
// deletions, against real files and the registry under Wine.
#include "records/deferred_ops_win.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "base/text.h"
#include "lib/registry_key_win.h"
#include "package/corrupt.h"
#include "records/deferred_rules.h"
#include "records/install_log.h"
#include "records/install_log_win.h"
#include "records_fixture.h"

namespace mv::testing {
namespace {

constexpr wchar_t kSessionManager[] = L"SYSTEM\\CurrentControlSet\\Control\\Session Manager";
constexpr wchar_t kPending[] = L"PendingFileRenameOperations";

std::span<const std::uint8_t> Bytes(const std::string& s) {
  return {reinterpret_cast<const std::uint8_t*>(s.data()), s.size()};
}

// The pending operations as strings; empty when the value is missing.
std::vector<std::u16string> PendingList() {
  RegistryKey key = RegistryKey::Open(HKEY_LOCAL_MACHINE, kSessionManager, KEY_QUERY_VALUE);
  DWORD type = 0, size = 0;
  if (!key || RegQueryValueExW(key.get(), kPending, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return {};
  std::u16string data(size / 2, u'\0');
  RegQueryValueExW(key.get(), kPending, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size);
  return SplitMultiString(data);
}

void SetPendingList(const std::vector<std::u16string>& list) {
  RegistryKey key = RegistryKey::Open(HKEY_LOCAL_MACHINE, kSessionManager, KEY_SET_VALUE);
  ASSERT_TRUE(key);
  if (list.empty()) {
    RegDeleteValueW(key.get(), kPending);
    return;
  }
  const std::u16string data = JoinMultiString(list);
  ASSERT_EQ(RegSetValueExW(key.get(), kPending, 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(data.data()),
                           static_cast<DWORD>(data.size() * 2)),
            ERROR_SUCCESS);
}

bool Names(const std::vector<std::u16string>& list, const std::u16string& path) {
  for (const std::u16string& s : list)
    if (CompareStringOrdinal(W(PendingPathAsFileName(s)), -1, W(path), -1, TRUE) == CSTR_EQUAL) return true;
  return false;
}

std::vector<std::u16string> TempFilesIn(const std::u16string& folder) {
  std::vector<std::u16string> found;
  for (const std::u16string& name : FilesIn(folder))
    if (name.rfind(u"VQT", 0) == 0) found.push_back(folder + u"\\" + name);
  return found;
}

UniqueHandle HoldExclusively(const std::u16string& path) {
  return UniqueHandle(CreateFileW(W(path), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
}

FILETIME LastWrite(const std::u16string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  GetFileAttributesExW(W(path), GetFileExInfoStandard, &data);
  return data.ftLastWriteTime;
}

// Runs a program of the prefix and waits for it (at most a minute).
DWORD RunAndWaitFor(std::wstring command) {
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return 1000;
  UniqueHandle process(pi.hProcess), thread(pi.hThread);
  if (WaitForSingleObject(pi.hProcess, 60000) != WAIT_OBJECT_0) {
    TerminateProcess(pi.hProcess, 1);
    return 1001;
  }
  DWORD code = 0;
  GetExitCodeProcess(pi.hProcess, &code);
  return code;
}

class DeferredOpsTest : public RecordsTest {
 protected:
  void SetUp() override {
    RecordsTest::SetUp();
    saved_pending_ = PendingList();
    failures_before_ = FailureSummary().size();
    ASSERT_TRUE(OpenWorkingLog());
  }
  void TearDown() override {
    DiscardWorkingLog();
    SetPendingList(saved_pending_);
    RecordsTest::TearDown();
  }
  std::u16string NewFailures() const { return FailureSummary().substr(failures_before_); }
  std::string Log() const { return ReadAll(WorkingLogPath()); }
  std::u16string Path(const std::u16string& name) const { return folder() + u"\\" + name; }

 private:
  std::vector<std::u16string> saved_pending_;
  std::size_t failures_before_ = 0;
};

TEST_F(DeferredOpsTest, WritesThroughMissingFoldersWithTimesAndAttributes) {
  const std::u16string target = Path(u"a\\b\\c.bin");
  const FileDateTime when{2024, 2, 29, 13, 14, 15};
  ASSERT_TRUE(WriteFileWithReplacement(target, WriteSource::Memory(Bytes("new bytes")), when,
                                       FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE, false));
  EXPECT_EQ(ReadAll(target), "new bytes");
  SYSTEMTIME st{};
  const FILETIME ft = LastWrite(target);
  FileTimeToSystemTime(&ft, &st);
  EXPECT_EQ((std::vector<int>{st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond}),
            (std::vector<int>{2024, 2, 29, 13, 14, 15}));
  EXPECT_TRUE(GetFileAttributesW(W(target)) & FILE_ATTRIBUTE_READONLY);

  // The product's option clears restrictive attributes after a first failed attempt; a file the
  // write made read-only is written again with it. (Wine running as root opens read-only files for
  // writing all the same, so the failure itself is not shown here.)
  Context().settings.ProductFlags |= 1ull << 19;
  ASSERT_TRUE(WriteFileWithReplacement(target, WriteSource::Memory(Bytes("again")), {}, kKeepAttributes, false));
  EXPECT_EQ(ReadAll(target), "again");
  EXPECT_TRUE(TempFilesIn(folder() + u"\\a\\b").empty());
}

TEST_F(DeferredOpsTest, StreamsARangeOfAnOpenFile) {
  std::string payload(3 << 20, '\0');  // larger than one copy block
  for (std::size_t i = 0; i < payload.size(); ++i) payload[i] = static_cast<char>(i * 7 + i / 4096);
  ASSERT_TRUE(WriteAll(Path(u"source.bin"), "HEAD!" + payload + "TAIL"));
  UniqueHandle source(CreateFileW(W(Path(u"source.bin")), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                                  nullptr));
  ASSERT_TRUE(source);
  const auto size = static_cast<std::int64_t>(payload.size());
  ASSERT_TRUE(WriteFileWithReplacement(Path(u"out.bin"), WriteSource::FileRange(source.get(), 5, size), {},
                                       kKeepAttributes, false));
  EXPECT_TRUE(ReadAll(Path(u"out.bin")) == payload);

  // A range past the end of the source is a failed write, reported, never a short file called done.
  EXPECT_FALSE(WriteFileWithReplacement(Path(u"short.bin"), WriteSource::FileRange(source.get(), 5, size + 100), {},
                                        kKeepAttributes, false));
  EXPECT_NE(NewFailures().find(u"short.bin"), std::u16string::npos);
  EXPECT_THROW(WriteFileWithReplacement(Path(u"x.bin"), WriteSource::FileRange(source.get(), 0, -1), {},
                                        kKeepAttributes, false),
               CorruptPackage);
}

TEST_F(DeferredOpsTest, TargetUnlockedWithinTheAttemptsIsWrittenNormally) {
  const std::u16string target = Path(u"busy.dll");
  ASSERT_TRUE(WriteAll(target, "old"));
  UniqueHandle hold = HoldExclusively(target);
  ASSERT_TRUE(hold);
  std::thread release([&] {
    Sleep(150);
    hold.reset();
  });
  bool registered = true;
  const bool ok = WriteFileWithReplacement(target, WriteSource::Memory(Bytes("new")), {}, kKeepAttributes, true,
                                           &registered);
  release.join();
  EXPECT_TRUE(ok);
  EXPECT_FALSE(registered);
  EXPECT_EQ(ReadAll(target), "new");
  EXPECT_TRUE(TempFilesIn(folder()).empty());
  EXPECT_FALSE(Names(PendingList(), target));
  EXPECT_FALSE(Context().settings.ProductFlags & kFlagRestartPending);
}

// A target held open for the whole run: the new bytes go beside it and replace it at the restart,
// which Wine performs with "wineboot -r".
TEST_F(DeferredOpsTest, LockedTargetIsReplacedAtTheNextRestart) {
  const std::u16string target = Path(u"locked.dll");
  ASSERT_TRUE(WriteAll(target, "old"));
  UniqueHandle hold = HoldExclusively(target);
  ASSERT_TRUE(hold);
  bool registered = false;
  EXPECT_FALSE(WriteFileWithReplacement(target, WriteSource::Memory(Bytes("new")), {2025, 6, 1, 8, 0, 0},
                                        kKeepAttributes, true, &registered));
  EXPECT_TRUE(registered);
  EXPECT_TRUE(Context().settings.ProductFlags & kFlagRestartPending);
  const std::vector<std::u16string> temps = TempFilesIn(folder());
  ASSERT_EQ(temps.size(), 1u);
  EXPECT_EQ(ReadAll(temps[0]), "new");
  const std::vector<std::u16string> pending = PendingList();
  EXPECT_TRUE(Names(pending, temps[0]));
  EXPECT_TRUE(Names(pending, target));
  const std::string log = Log();
  EXPECT_NE(log.find("was successfully registered for replacement.\r\nTemporary file is \""), std::string::npos) << log;
  EXPECT_NE(log.find("Reboot will be required.\r\n"), std::string::npos);
  EXPECT_EQ(NewFailures(), u"") << "a registered replacement is not a failure";

  hold.reset();
  EXPECT_EQ(ReadAll(target), "old");
  ASSERT_EQ(RunAndWaitFor(L"wineboot.exe -r"), 0u);
  EXPECT_EQ(ReadAll(target), "new");
  EXPECT_FALSE(Exists(temps[0]));
  EXPECT_FALSE(Names(PendingList(), target));
}

TEST_F(DeferredOpsTest, MissingDriveIsReportedWithoutReplacement) {
  const DWORD drives = GetLogicalDrives();
  char16_t letter = 0;
  for (char16_t c = u'Y'; c > u'L' && !letter; --c)
    if (!(drives & (1u << (c - u'A')))) letter = c;
  ASSERT_NE(letter, 0);
  const std::u16string target = std::u16string(1, static_cast<char16_t>(letter + (u'a' - u'A'))) + u":\\Acme\\f.txt";
  bool registered = true;
  EXPECT_FALSE(
      WriteFileWithReplacement(target, WriteSource::Memory(Bytes("x")), {}, kKeepAttributes, true, &registered));
  EXPECT_FALSE(registered);
  EXPECT_EQ(NewFailures(), u"\r\nUnable to write the file " + target + u"\r\nDrive " + std::u16string(1, letter) +
                               u": is not present.\r\n");
  EXPECT_FALSE(Context().settings.ProductFlags & kFlagRestartPending);
}

TEST_F(DeferredOpsTest, FullDiskSetsTheStateAndLeavesNoPartialFile) {
  wchar_t letter[8] = {};
  if (!GetEnvironmentVariableW(L"MV_SMALL_DRIVE", letter, 8))
    GTEST_SKIP() << "this machine did not let the Wine session mount its small drive";
  const std::u16string drive = U(std::wstring(letter)) + u":";
  const std::u16string target = drive + u"\\big.bin";
  const std::string big(1 << 20, 'z');  // four times the drive
  bool registered = true;
  EXPECT_FALSE(
      WriteFileWithReplacement(target, WriteSource::Memory(Bytes(big)), {}, kKeepAttributes, true, &registered));
  EXPECT_FALSE(registered);
  EXPECT_TRUE(Context().disk_full) << Utf16ToUtf8(NewFailures());
  EXPECT_FALSE(Exists(target));
  EXPECT_TRUE(TempFilesIn(drive).empty());
  EXPECT_NE(NewFailures().find(u"big.bin\r\n"), std::u16string::npos);
}

// Three pending moves and a deletion; the set names one target (in another case): that pair alone
// goes and its temporary file is deleted.
TEST_F(DeferredOpsTest, CleanPendingOperationsDropsOnlyTheInstalledFiles) {
  std::vector<std::u16string> list;
  for (const char16_t* name : {u"one", u"two", u"three"}) {
    const std::u16string source = Path(std::u16string(u"VQT") + name + u".tmp");
    ASSERT_TRUE(WriteAll(source, "pending"));
    list.push_back(u"\\??\\" + source);
    list.push_back(u"!\\??\\" + Path(std::u16string(name) + u".dll"));
  }
  list.push_back(u"\\??\\" + Path(u"gone.txt"));
  list.push_back(u"");
  SetPendingList(list);

  FileNameSet installed;
  installed.Add(Path(u"TWO.DLL"));
  installed.Add(Path(u"elsewhere.dll"));
  CleanPendingOperations(installed, false);
  EXPECT_EQ(PendingList(), (std::vector<std::u16string>{list[0], list[1], list[4], list[5], list[6], list[7]}));
  EXPECT_FALSE(Exists(Path(u"VQTtwo.tmp")));
  EXPECT_TRUE(Exists(Path(u"VQTone.tmp")));
  EXPECT_TRUE(Exists(Path(u"VQTthree.tmp")));
  EXPECT_NE(Log().find(Utf16ToUtf8(u"File \"" + Path(u"two.dll") + u"\" was removed from the list of pending moves.")),
            std::string::npos)
      << Log();
}

TEST_F(DeferredOpsTest, DeleteNowAtRestartOrToTheRecycleBin) {
  ASSERT_TRUE(WriteAll(Path(u"now.txt"), "x"));
  SetFileAttributesW(W(Path(u"now.txt")), FILE_ATTRIBUTE_READONLY);
  EXPECT_TRUE(DeleteFileDeferred(Path(u"now.txt"), {}));
  EXPECT_FALSE(Exists(Path(u"now.txt")));

  DeleteOptions missing;
  EXPECT_FALSE(DeleteFileDeferred(Path(u"now.txt"), missing));
  missing.missing_is_success = true;
  EXPECT_TRUE(DeleteFileDeferred(Path(u"now.txt"), missing));

  ASSERT_TRUE(WriteAll(Path(u"later.txt"), "x"));
  DeleteOptions later;
  later.at_restart_only = true;
  EXPECT_TRUE(DeleteFileDeferred(Path(u"later.txt"), later));
  EXPECT_TRUE(Exists(Path(u"later.txt")));
  EXPECT_TRUE(Names(PendingList(), Path(u"later.txt")));

  ASSERT_TRUE(WriteAll(Path(u"held.txt"), "x"));
  {
    UniqueHandle hold = HoldExclusively(Path(u"held.txt"));
    DeleteOptions fallback;
    EXPECT_FALSE(DeleteFileDeferred(Path(u"held.txt"), {}));
    fallback.restart_on_failure = true;
    EXPECT_TRUE(DeleteFileDeferred(Path(u"held.txt"), fallback));
    EXPECT_TRUE(Names(PendingList(), Path(u"held.txt")));
  }

  ASSERT_TRUE(WriteAll(Path(u"bin.txt"), "x"));
  DeleteOptions recycle;
  recycle.recycle = true;
  EXPECT_TRUE(DeleteFileDeferred(Path(u"bin.txt"), recycle));
  EXPECT_FALSE(Exists(Path(u"bin.txt")));
}

TEST_F(DeferredOpsTest, ConditionalDeletions) {
  ASSERT_TRUE(WriteAll(Path(u"a.tmp"), "0123456789"));
  ASSERT_TRUE(WriteAll(Path(u"b.tmp"), ""));
  ASSERT_TRUE(WriteAll(Path(u"c.log"), "12345"));
  ASSERT_TRUE(WriteAll(Path(u"keep.txt"), "k"));
  ASSERT_TRUE(WriteAll(Path(u"held.dat"), "h"));
  SetFileAttributesW(W(Path(u"b.tmp")), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
  UniqueHandle hold = HoldExclusively(Path(u"held.dat"));
  std::vector<DeletionRecord> records{
      {"*.tmp", 5, "0", kDeleteWhenInstalling},                 // every .tmp file, attributes cleared
      {"c.log", 4, "999", kDeleteWhenInstalling},               // wrong size: kept
      {"%HERE%\\keep.txt", 0, "", kDeleteAtUninstall},          // not at installation
      {"held.dat", 0, "", kDeleteWhenInstalling | kDeleteAtRestartOnFailure},
  };
  const auto expand = [&](std::u16string s) {
    const std::size_t at = s.find(u"%HERE%");
    if (at != std::u16string::npos) s.replace(at, 6, folder());
    return s;
  };
  RunConditionalDeletions(true, records, expand, folder());
  EXPECT_FALSE(Exists(Path(u"a.tmp")));
  EXPECT_FALSE(Exists(Path(u"b.tmp")));
  EXPECT_TRUE(Exists(Path(u"c.log")));
  EXPECT_TRUE(Exists(Path(u"keep.txt")));
  EXPECT_TRUE(Exists(Path(u"held.dat")));
  EXPECT_TRUE(Names(PendingList(), Path(u"held.dat")));
  EXPECT_TRUE(Context().settings.ProductFlags & kFlagRestartPending);
  const std::string log = Log();
  EXPECT_NE(log.find(Utf16ToUtf8(u"Deleted file: " + Path(u"a.tmp") + u"\r\n")), std::string::npos) << log;
  EXPECT_NE(log.find(Utf16ToUtf8(u"File \"" + Path(u"held.dat") + u"\" will be deleted after rebooting: ")),
            std::string::npos)
      << log;
  EXPECT_EQ(log.substr(log.size() - 4), "\r\n\r\n") << "an empty line ends the list";
  EXPECT_EQ(records.size(), 4u) << "installing leaves the records alone";

  // Uninstalling: the record that worked leaves the list, the others stay.
  hold.reset();
  RunConditionalDeletions(false, records, expand, folder());
  EXPECT_FALSE(Exists(Path(u"keep.txt")));
  EXPECT_EQ(records.size(), 3u);

  std::vector<DeletionRecord> damaged{{"x", 1, "2026/13/01", kDeleteWhenInstalling}};
  try {
    RunConditionalDeletions(true, damaged, expand, folder());
    ADD_FAILURE() << "a month of 13 was accepted";
  } catch (const CorruptPackage& e) {
    EXPECT_EQ(e.code(), 65);
  }
}

}  // namespace
}  // namespace mv::testing
