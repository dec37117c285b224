// Real installations under Wine: the files of every destination kind land where they belong with
// their dates, the overwrite rules decide over prepared files, enciphered and external-data packages
// install, a locked file is replaced at the restart, a full disk ends the run with 17.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <string>
#include <vector>

#include "scenario.h"

namespace mve2e {
namespace {

constexpr std::uint32_t kRestartPending = 16, kDiskFull = 17;

std::string Text(const fs::path& path) {
  const mv::Bytes bytes = ReadAll(path);
  return std::string(bytes.begin(), bytes.end());
}

mv::Bytes Pattern(std::size_t size, std::uint32_t seed) {
  mv::Bytes out(size);
  for (auto& b : out) b = static_cast<std::uint8_t>((seed = seed * 1103515245 + 12345) >> 16);
  return out;
}

fs::path PrefixDrive() { return fs::path(SessionValue("WINEPREFIX")) / "drive_c"; }

// The file's last-write time as UTC fields.
std::array<int, 6> WriteTime(const fs::path& path) {
  const auto t = std::chrono::time_point_cast<std::chrono::system_clock::duration>(fs::file_time_type::clock::to_sys(fs::last_write_time(path)));
  const std::time_t seconds = std::chrono::system_clock::to_time_t(t);
  std::tm utc{};
  gmtime_r(&seconds, &utc);
  return {utc.tm_year + 1900, utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec};
}

struct FileSpec {
  const char* name;
  std::uint32_t kind;
  const char16_t* destination;
  std::size_t size;
  std::array<std::int32_t, 6> date;
};

mvpack::ProjectFile AddFile(mvpack::Project& p, const fs::path& dir, const FileSpec& f, std::uint32_t seed) {
  const fs::path source = dir / "files" / (std::to_string(seed) + ".bin");
  fs::create_directories(source.parent_path());
  WriteAll(source, Pattern(f.size, seed));
  mvpack::ProjectFile file;
  file.source = source;
  file.record.name = f.name;
  file.record.destination_kind = f.kind;
  file.record.destination = f.destination;
  file.record.date = f.date;
  p.files.push_back(file);
  return file;
}

// Every kind with a folder of its own: nested names, a destination sub-folder, the shared folder, the
// system folder; the dates come with the files; Install.log lists each file, Uninstall.dat records
// the kinds that are removed with the product.
TEST(Extraction, EveryKindLandsInItsFolderWithItsDate) {
  const fs::path dir = ScratchDir("extraction-kinds");
  mvpack::Project p = SmallProject(dir);
  p.files.clear();
  p.settings.SharedPath = WindowsPath(dir / "shared");
  p.settings.UninstallSubdir = u"uninstall";
  p.settings.ProductFlags |= (1ull << 20) | mv::kFlagUninstaller;
  const std::string system_name = "mv-e2e-" + std::to_string(::getpid()) + ".dll";
  const FileSpec files[] = {
      {"bin\\deep\\app.txt", 0, u"", 7000, {2024, 2, 29, 13, 14, 15}},
      {"readme.txt", 0, u"docs\\", 10, {2020, 1, 1, 0, 0, 0}},
      {"common.dll", 1, u"", 300, {2023, 5, 6, 7, 8, 10}},
      {"startup.txt", 5, u"", 0, {2022, 12, 31, 23, 59, 58}},
      {system_name.c_str(), 6, u"", 5000, {2021, 6, 1, 12, 0, 0}},
      {"lib.dll", 9, u"", 9000, {2019, 3, 3, 3, 3, 4}},
  };
  std::uint32_t seed = 1;
  for (const FileSpec& f : files) AddFile(p, dir, f, seed++);
  const Built b = Build(p, dir / "kinds.exe");
  const ExitCode r = RunWindows(b.path, "/silent", 120, dir);
  ASSERT_EQ(r.code, 0u);

  const fs::path installed = dir / "installed";
  const fs::path system_file = PrefixDrive() / "windows" / "syswow64" / system_name;
  const fs::path expected[] = {installed / "bin" / "deep" / "app.txt", installed / "docs" / "readme.txt",
                               dir / "shared" / "common.dll",           installed / "startup.txt",
                               system_file,                             installed / "lib.dll"};
  seed = 1;
  for (std::size_t i = 0; i < std::size(files); ++i, ++seed) {
    SCOPED_TRACE(files[i].name);
    ASSERT_TRUE(fs::exists(expected[i])) << expected[i];
    EXPECT_TRUE(ReadAll(expected[i]) == Pattern(files[i].size, seed));
    const std::array<int, 6> want{files[i].date[0], files[i].date[1], files[i].date[2],
                                  files[i].date[3], files[i].date[4], files[i].date[5]};
    EXPECT_EQ(WriteTime(expected[i]), want);
  }
  fs::remove(system_file);

  const std::string log = Text(installed / "uninstall" / "Install.log");
  EXPECT_NE(log.find("app.txt >>> " + WindowsPathUtf8(installed / "bin" / "deep" / "app.txt") + "\r\n"),
            std::string::npos)
      << log;
  const std::string data = Text(installed / "uninstall" / "Uninstall.dat");
  EXPECT_NE(data.find(WindowsPathUtf8(installed / "lib.dll") + "\r\n"), std::string::npos) << data;
  EXPECT_NE(data.find("~" + WindowsPathUtf8(installed / "bin" / "deep") + "\r\n"), std::string::npos) << data;
  EXPECT_EQ(data.find("common.dll"), std::string::npos) << "shared files are not removed with the product";
  EXPECT_EQ(data.find(system_name), std::string::npos);
}

// Files prepared beforehand against the overwrite modes and the shared files' date check.
TEST(Extraction, OverwriteRulesOverPreparedFiles) {
  const fs::path dir = ScratchDir("extraction-overwrite");
  const fs::path installed = dir / "installed";
  fs::create_directories(installed / "logs");
  mvpack::Project p = SmallProject(dir);
  p.files.clear();
  p.settings.SharedPath = WindowsPath(installed);  // shared files beside the others, for the date check
  p.settings.UninstallSubdir = u"logs";
  p.settings.ProductFlags |= 1ull << 20;
  const std::array<std::int32_t, 6> noon{2025, 1, 1, 12, 0, 0};
  struct Case {
    FileSpec spec;
    int mode;
    bool prepared;                  // an older file ("old") is there before the run
    std::array<int, 6> existing;    // its date
    bool replaced;
    const char* log;  // after the destination
  } cases[] = {
      {{"m1.txt", 0, u"", 3, noon}, 1, true, {2020, 1, 1, 0, 0, 0}, false, ""},
      {{"m2-missing.txt", 0, u"", 3, noon}, 2, false, {}, false, " was not installed because it does not already exist."},
      {{"m2-present.txt", 0, u"", 3, noon}, 2, true, {2020, 1, 1, 0, 0, 0}, true, ""},
      {{"m3.txt", 0, u"", 3, noon}, 3, true, {2020, 1, 1, 0, 0, 0}, false, " was not installed because it already exists."},
      {{"m4-newer.txt", 0, u"", 3, noon}, 4, true, {2030, 1, 1, 0, 0, 0}, false,
       " was not installed because the existing file is newer."},
      {{"m4-older.txt", 0, u"", 3, noon}, 4, true, {2020, 1, 1, 0, 0, 0}, true, ""},
      {{"k1-equal.dll", 1, u"", 3, noon}, 0, true, {2025, 1, 1, 12, 0, 1}, false, " is up to date."},
      {{"k1-older.dll", 1, u"", 3, noon}, 0, true, {2024, 1, 1, 12, 0, 0}, true, " is out of date and will be replaced."},
  };
  std::uint32_t seed = 100;
  for (Case& c : cases) {
    c.spec.date = noon;
    mvpack::ProjectFile f = AddFile(p, dir, c.spec, seed++);
    f.record.flags = static_cast<std::uint32_t>(c.mode) << 2;
    p.files.back() = f;
    if (!c.prepared) continue;
    const fs::path target = installed / c.spec.name;
    WriteAll(target, mv::Bytes{'o', 'l', 'd'});
    std::tm tm{};
    tm.tm_year = c.existing[0] - 1900;
    tm.tm_mon = c.existing[1] - 1;
    tm.tm_mday = c.existing[2];
    tm.tm_hour = c.existing[3];
    tm.tm_min = c.existing[4];
    tm.tm_sec = c.existing[5];
    const auto when = std::chrono::system_clock::from_time_t(timegm(&tm));
    fs::last_write_time(target, fs::file_time_type::clock::from_sys(when));
  }
  const ExitCode r = RunWindows(Build(p, dir / "overwrite.exe").path, "/silent", 120, dir);
  ASSERT_EQ(r.code, 0u);
  const std::string log = Text(installed / "logs" / "Install.log");
  seed = 100;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.spec.name);
    const fs::path target = installed / c.spec.name;
    if (c.replaced) {
      EXPECT_TRUE(ReadAll(target) == Pattern(3, seed));
    } else if (c.prepared) {
      EXPECT_EQ(Text(target), "old");
    } else {
      EXPECT_FALSE(fs::exists(target));
    }
    ++seed;
    if (c.log[0]) {
      EXPECT_NE(log.find(WindowsPathUtf8(target) + c.log + "\r\n"), std::string::npos) << log;
    }
  }
}

// Enciphered and external-data packages install the same files; a 64-bit product goes to the native
// Program Files folder, a 32-bit one to the 32-bit folder.
TEST(Extraction, PackageFormsAndBitness) {
  const fs::path dir = ScratchDir("extraction-forms");
  struct Case {
    const char* name;
    std::uint32_t flags2;
    std::uint32_t external;
  } forms[] = {{"enciphered", 1u << 12, 0}, {"external", 0, 1}, {"both", 1u << 12, 1}};
  for (const Case& c : forms) {
    SCOPED_TRACE(c.name);
    const fs::path sub = dir / c.name;
    mvpack::Project p = SmallProject(sub);
    p.product_flags2 |= c.flags2;
    p.settings.ExternalData = c.external;
    const ExitCode r = RunWindows(Build(p, sub / "setup.exe").path, "/silent", 120, sub);
    ASSERT_EQ(r.code, 0u);
    EXPECT_EQ(ReadAll(sub / "installed" / "readme.txt"), ReadAll(sub / "files" / "readme.txt"));
    EXPECT_EQ(ReadAll(sub / "installed" / "data.bin"), ReadAll(sub / "files" / "data.bin"));
  }

  const std::string product = "MV E2E Bitness " + std::to_string(::getpid());
  struct Bits {
    std::uint8_t bitness;
    const char* folder;
  } bits[] = {{1, "Program Files"}, {0, "Program Files (x86)"}};
  for (const Bits& b : bits) {
    const fs::path sub = dir / ("bits" + std::to_string(b.bitness));
    mvpack::Project p = SmallProject(sub);
    p.settings.Bitness = b.bitness;
    p.settings.DefaultInstallDir = std::u16string(product.begin(), product.end());
    const ExitCode r = RunWindows(Build(p, sub / "setup.exe").path, "/silent", 120, sub);
    EXPECT_EQ(r.code, 0u);
    const fs::path folder = PrefixDrive() / b.folder / product;
    EXPECT_TRUE(fs::exists(folder / "readme.txt")) << folder;
    fs::remove_all(folder);
  }
}

// Files of a megabyte and more are written while their chunks are still being decoded: a new one
// arrives whole, and an existing one of that size is replaced whole (it waits for all its bytes).
TEST(Extraction, LargeFilesArriveWholeWhileTheirChunksAreDecoded) {
  const fs::path dir = ScratchDir("extraction-large");
  mvpack::Project p = SmallProject(dir);
  p.chunk_size = 256 * 1024;  // many chunks per file, decoded side by side
  mv::Bytes large(5 * 1024 * 1024 + 333);
  std::uint32_t x = 7;
  for (std::size_t i = 0; i < large.size(); ++i)
    large[i] = (i / 4096) % 3 == 0 ? static_cast<std::uint8_t>((x = x * 1103515245 + 12345) >> 16)
                                   : static_cast<std::uint8_t>('a' + i % 23);
  WriteAll(dir / "files" / "new.bin", large);
  std::reverse(large.begin(), large.end());
  WriteAll(dir / "files" / "replaced.bin", large);
  for (const char* name : {"new.bin", "replaced.bin"}) {
    mvpack::ProjectFile f;
    f.source = dir / "files" / name;
    f.record.name = name;
    p.files.push_back(f);
  }
  fs::create_directories(dir / "installed");
  WriteAll(dir / "installed" / "replaced.bin", mv::Bytes(2 * 1024 * 1024, 'x'));
  const ExitCode r = RunWindows(Build(p, dir / "setup.exe").path, "/silent", 120, dir);
  ASSERT_FALSE(r.timed_out);
  EXPECT_EQ(r.code, 0u);
  for (const char* name : {"new.bin", "replaced.bin", "readme.txt", "data.bin"})
    EXPECT_EQ(ReadAll(dir / "installed" / name), ReadAll(dir / "files" / name)) << name;
}

// The names of temporary files ("VQT...") that the system's pending operations mention.
std::vector<std::string> PendingTemporaryNames() {
  const ToolResult r = RunTool("reg", {"query", "HKLM\\SYSTEM\\CurrentControlSet\\Control\\Session Manager", "/v",
                                       "PendingFileRenameOperations"},
                               60);
  std::vector<std::string> names;
  for (std::size_t at = r.output.find("VQT"); at != std::string::npos; at = r.output.find("VQT", at + 3))
    names.push_back(r.output.substr(at, 11));  // "VQTxxxx.TMP"
  return names;
}

bool Contains(const std::vector<std::string>& list, const std::string& name) {
  return std::find(list.begin(), list.end(), name) != list.end();
}

// What a run leaves for the next restart, which Wine performs with "wineboot -r" (one scenario, so
// that no other restart runs in between): a file held open by another program gets its new bytes
// beside it and the run ends with 16; an installer killed in the middle of its files leaves its
// extraction file registered for deletion.
TEST(Extraction, TheRestartFinishesWhatARunLeft) {
  const fs::path dir = ScratchDir("extraction-locked");
  const fs::path installed = dir / "installed";
  fs::create_directories(installed);
  mvpack::Project p = SmallProject(dir);
  p.files.resize(1);  // readme.txt
  p.settings.ProductFlags |= 1ull << 11;  // files in use are replaced at the restart
  WriteAll(installed / "readme.txt", mv::Bytes{'o', 'l', 'd'});
  const Built b = Build(p, dir / "locked.exe");
  {
    Process holder({(SourceDir() / "scripts" / "wine-exec").string(), HelperExe("holdfile").string(),
                    WindowsPathUtf8(installed / "readme.txt"), "60"},
                   true);
    ASSERT_TRUE(holder.WaitForOutput("held", 30));
    // No restart: Wine would end the session's programs (see completion_test.cpp).
    const ExitCode r = RunWindows(b.path, "/silent /norestart", 120, dir);
    EXPECT_EQ(r.code, kRestartPending);
    EXPECT_EQ(Text(installed / "readme.txt"), "old");
  }
  bool temporary = false;
  for (const auto& e : fs::directory_iterator(installed)) temporary |= e.path().filename().string().rfind("VQT", 0) == 0;
  EXPECT_TRUE(temporary) << "the new bytes wait beside the file";

  // Thousands of small files keep the installer busy long enough to be killed among them.
  mvpack::Project many = SmallProject(dir / "many");
  many.files.clear();
  for (int i = 0; i < 4000; ++i)
    AddFile(many, dir / "many", {("f" + std::to_string(i) + ".txt").c_str(), 0, u"", 64, {2025, 1, 1, 0, 0, 0}},
            static_cast<std::uint32_t>(1000 + i));
  const Built big = Build(many, dir / "many.exe");
  const std::vector<std::string> before = PendingTemporaryNames();
  std::string extraction_file;
  {
    Process run({(SourceDir() / "scripts" / "wine-exec").string(), big.path.string(), "/silent"}, false);
    for (int i = 0; i < 100 && extraction_file.empty(); ++i) {
      for (const std::string& name : PendingTemporaryNames())
        if (!Contains(before, name)) extraction_file = name;
    }
    ASSERT_FALSE(extraction_file.empty()) << "the extraction file was never registered for deletion";
    ASSERT_FALSE(fs::exists(dir / "many" / "installed" / "f3999.txt")) << "the run ended before it was killed";
  }  // killed here
  EXPECT_TRUE(Contains(PendingTemporaryNames(), extraction_file));

  ASSERT_EQ(RunTool("wineboot", {"-r"}, 120).status, 0);
  EXPECT_EQ(ReadAll(installed / "readme.txt"), ReadAll(dir / "files" / "readme.txt"));
  for (const auto& e : fs::directory_iterator(installed)) EXPECT_NE(e.path().filename().string().rfind("VQT", 0), 0u);
  EXPECT_FALSE(Contains(PendingTemporaryNames(), extraction_file));
  for (const auto& e : fs::recursive_directory_iterator(PrefixDrive() / "users"))
    EXPECT_NE(e.path().filename().string(), extraction_file) << e.path();
}

// A destination on a tiny drive: the run ends with 17 and leaves no partial file.
TEST(Extraction, FullDiskEndsWith17AndLeavesNoPartialFile) {
  const std::string letter = SessionValue("MV_SMALL_DRIVE");
  if (letter.empty()) GTEST_SKIP() << "this machine did not let the Wine session mount its small drive";
  const fs::path dir = ScratchDir("extraction-full");
  mvpack::Project p = SmallProject(dir);
  p.files.clear();
  AddFile(p, dir, {"big.bin", 0, u"", 1 << 20, {2025, 1, 1, 0, 0, 0}}, 7);
  const std::string target = letter + ":\\full-" + std::to_string(::getpid());
  const ExitCode r = RunWindows(Build(p, dir / "full.exe").path, "/silent /d:" + target, 120, dir);
  EXPECT_EQ(r.code, kDiskFull);
  const ToolResult listing = RunTool("cmd", {"/c", "dir", "/b", target}, 60);
  EXPECT_EQ(listing.output.find("big.bin"), std::string::npos) << listing.output;
  RunTool("cmd", {"/c", "rd", "/s", "/q", target}, 60);
}

}  // namespace
}  // namespace mve2e
