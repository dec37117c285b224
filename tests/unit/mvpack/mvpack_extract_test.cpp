// mvpack extract: where each record's file lands below the folder, the round trip from project to
// extracted files, and installers whose records try to write outside the folder.
#include "extract.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "build.h"
#include "cli.h"
#include "package/settings.h"
#include "package_test_support.h"
#include "project.h"
#include "record_installer.h"

namespace mvpack {
namespace {

namespace fs = std::filesystem;
using testing::InstallerWithRecords;
using testing::Record;

fs::path Folder(const std::string& name) {
  fs::path dir = fs::temp_directory_path() / ("mvpack-extract-" + name);
  fs::remove_all(dir);
  fs::create_directories(dir);
  return dir;
}

std::string Read(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

std::time_t MTime(const fs::path& path) {
  struct stat st {};
  EXPECT_EQ(stat(path.c_str(), &st), 0) << path;
  return st.st_mtime;
}

// Everything below `dir`, as relative paths.
std::set<std::string> Tree(const fs::path& dir) {
  std::set<std::string> out;
  if (!fs::exists(dir)) return out;
  for (const auto& e : fs::recursive_directory_iterator(dir)) out.insert(fs::relative(e.path(), dir).string());
  return out;
}

TEST(MvpackExtract, EachRecordGoesBelowItsBaseFolder) {
  struct Case {
    const char* what;
    mv::FileRecord record;
    const char* path;     // nullptr: refused
    const char* refusal;  // a piece of the reason
  } cases[] = {
      {"kind 0", Record("a.txt"), "install/a.txt", nullptr},
      {"kind 0 with a sub-path in the name", Record("doc\\en/a.txt"), "install/doc/en/a.txt", nullptr},
      {"kind 1", Record("s.dll", 1), "shared/s.dll", nullptr},
      {"kind 4", Record("f.ttf", 4), "fonts/f.ttf", nullptr},
      {"kinds 6-8", Record("x.dll", 7), "system/x.dll", nullptr},
      {"kinds 5, 9-12", Record("d.inf", 10), "install/d.inf", nullptr},
      {"uninstall-data folder", Record("u.ico", 0, u"", 0x40), "uninstall/u.ico", nullptr},
      {"destination without a backslash is a new name", Record("sub\\a.txt", 0, u"b.txt"), "install/b.txt", nullptr},
      {"destination folder keeps the name's last part", Record("sub\\a.txt", 0, u"bin\\x86"), "install/bin/x86/a.txt",
       nullptr},
      {"kind 1 destination is below the shared folder", Record("s.dll", 1, u"Vendor\\"), "shared/Vendor/s.dll", nullptr},
      {"kind 6 destination is below the installation folder", Record("x.dll", 6, u"sys\\"), "install/sys/x.dll", nullptr},
      {"a destination wins over the uninstall-data flag", Record("u", 0, u"here\\", 0x40), "install/here/u", nullptr},
      {"invalid kind with a destination", Record("k", 13, u"k13\\"), "install/k13/k", nullptr},
      {"dot components", Record(".\\a\\.\\b"), "install/a/b", nullptr},
      {"UTF-8 name", Record("|\xC3\xA9t\xC3\xA9.txt"), "install/\xC3\xA9t\xC3\xA9.txt", nullptr},
      {"Windows-1252 name", Record("\xE9t\xE9.txt"), "install/\xC3\xA9t\xC3\xA9.txt", nullptr},
      {"dot-dot in the name", Record("..\\evil.txt"), nullptr, ".."},
      {"dot-dot inside the name", Record("a/../../evil.txt"), nullptr, ".."},
      {"absolute name", Record("\\Windows\\evil.dll"), nullptr, "absolute"},
      {"absolute name with slashes", Record("/etc/evil"), nullptr, "absolute"},
      {"drive letter in the name", Record("C:evil.txt"), nullptr, "drive"},
      {"dot-dot in the destination", Record("a.txt", 0, u"..\\..\\"), nullptr, ".."},
      {"absolute destination", Record("a.txt", 0, u"C:\\Windows\\"), nullptr, "drive"},
      {"root-relative destination", Record("a.txt", 1, u"\\Temp\\"), nullptr, "absolute"},
      {"network destination", Record("a.txt", 0, u"\\\\server\\share\\"), nullptr, "absolute"},
      {"dot-dot as a new name", Record("a.txt", 0, u".."), nullptr, ".."},
      {"no file name", Record("folder\\"), nullptr, "no file name"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const ExtractTarget t = ExtractTargetOf(c.record);
    if (c.path) {
      EXPECT_EQ(t.path, c.path);
      EXPECT_EQ(t.refusal, "");
    } else {
      EXPECT_EQ(t.path, "");
      EXPECT_NE(t.refusal.find(c.refusal), std::string::npos) << t.refusal;
    }
  }
}

TEST(MvpackExtract, BuildThenExtractGivesTheSameBytesAndDates) {
  const fs::path dir = Folder("roundtrip");
  fs::create_directories(dir / "src" / "nested" / "deeper");
  struct File {
    const char* source;
    std::uint32_t kind;
    std::u16string destination;
    std::array<std::int32_t, 6> date;
    const char* target;
    std::time_t mtime;  // 0: the record has no complete date
  } files[] = {
      {"readme.txt", 0, u"", {2026, 12, 10, 12, 0, 0}, "install/readme.txt", 1796904000},
      {"nested/deeper/data.bin", 0, u"data\\deeper\\", {2001, 2, 3, 4, 5, 6}, "install/data/deeper/data.bin", 981173106},
      {"nested/shared.dll", 1, u"", {2020, 2, 29, 23, 59, 59}, "shared/nested/shared.dll", 1583020799},
      {"nested/sys.dll", 6, u"", {1999, 12, 31, 0, 0, 0}, "system/nested/sys.dll", 946598400},
      {"nested/ver.dll", 9, u"renamed.dll", {2026, 1, 1, -1, 0, 0}, "install/renamed.dll", 0},
      {"empty", 5, u"", {}, "install/empty", 0},
  };
  Project p;
  p.settings.ProductFlags = mv::kFlagCompressedChunks;
  p.chunk_size = 3000;  // records and files straddle chunks
  p.preset = 1;
  p.extreme = false;
  std::uint32_t seed = 1;
  for (const File& f : files) {
    const mv::Bytes content = std::string(f.source) == "empty" ? mv::Bytes{} : mv::testing::Filler(7000 + seed * 911, seed);
    ++seed;
    std::ofstream(dir / "src" / f.source, std::ios::binary)
        .write(reinterpret_cast<const char*>(content.data()), static_cast<std::streamsize>(content.size()));
    ProjectFile pf;
    pf.source = dir / "src" / f.source;
    pf.record.name = std::string(f.source);
    std::replace(pf.record.name.begin(), pf.record.name.end(), '/', '\\');
    pf.record.destination_kind = f.kind;
    pf.record.destination = f.destination;
    pf.record.date = f.date;
    p.files.push_back(pf);
  }
  const mv::Bytes installer = BuildInstaller(p, mv::testing::MakeTestPe(mv::testing::FourSections())).file;

  const ExtractSummary done = ExtractInstaller(installer, dir / "out");
  EXPECT_EQ(done.files, std::size(files));
  std::set<std::string> expected_files;
  for (const File& f : files) {
    SCOPED_TRACE(f.target);
    expected_files.insert(f.target);
    EXPECT_TRUE(Read(dir / "out" / f.target) == Read(dir / "src" / f.source)) << "bytes differ";
    if (f.mtime != 0) EXPECT_EQ(MTime(dir / "out" / f.target), f.mtime);
  }
  std::set<std::string> files_out;
  for (const std::string& entry : Tree(dir / "out"))
    if (fs::is_regular_file(dir / "out" / entry)) files_out.insert(entry);
  EXPECT_EQ(files_out, expected_files);
}

TEST(MvpackExtract, RecordsThatWouldLeaveTheFolderWriteNothing) {
  const fs::path dir = Folder("hostile");
  const std::vector<std::vector<mv::FileRecord>> installers = {
      {Record("fine.txt"), Record("..\\..\\escaped.txt")},
      {Record("fine.txt"), Record("escaped.txt", 0, u"..\\..\\..\\")},
      {Record("/tmp/escaped.txt")},
      {Record("fine.txt"), Record("x", 1, u"D:\\escaped\\")},
  };
  for (std::size_t i = 0; i < installers.size(); ++i) {
    SCOPED_TRACE(i);
    const fs::path out = dir / "deep" / "out";
    try {
      ExtractInstaller(InstallerWithRecords(installers[i]), out);
      ADD_FAILURE() << "extracted";
    } catch (const std::runtime_error& e) {
      EXPECT_NE(std::string(e.what()).find("refused"), std::string::npos) << e.what();
    }
    EXPECT_EQ(Tree(dir), (std::set<std::string>{})) << "nothing at all is written, inside the folder or out";
  }
  EXPECT_FALSE(fs::exists("/tmp/escaped.txt"));
}

TEST(MvpackExtract, LinksInTheFolderAreNotFollowed) {
  const fs::path dir = Folder("links");
  fs::create_directories(dir / "out");
  fs::create_directories(dir / "elsewhere");
  fs::create_directory_symlink(dir / "elsewhere", dir / "out" / "install");
  const mv::Bytes installer = InstallerWithRecords({Record("a.txt")});
  EXPECT_THROW(ExtractInstaller(installer, dir / "out"), std::runtime_error);
  fs::remove(dir / "out" / "install");
  fs::create_directories(dir / "out" / "install");
  fs::create_symlink(dir / "elsewhere" / "target", dir / "out" / "install" / "a.txt");
  EXPECT_THROW(ExtractInstaller(installer, dir / "out"), std::runtime_error);
  EXPECT_EQ(Tree(dir / "elsewhere"), (std::set<std::string>{}));
}

TEST(MvpackExtract, CliListsEveryRecordAndExtracts) {
  const fs::path dir = Folder("cli");
  mv::FileRecord dated = Record("sub\\a.txt", 9, u"", 3 << 2);
  dated.date = {2026, 12, 10, 8, 5, 0};
  const mv::Bytes installer = InstallerWithRecords({dated, Record("b.dll", 7, u"", 0x20), Record("..\\c")});
  std::ofstream(dir / "setup.exe", std::ios::binary)
      .write(reinterpret_cast<const char*>(installer.data()), static_cast<std::streamsize>(installer.size()));

  std::ostringstream out, err;
  EXPECT_EQ(RunCli({"extract", (dir / "setup.exe").string(), "--list"}, out, err), 1) << "one record is refused";
  std::istringstream lines(out.str());
  std::string header, first, second, third;
  std::getline(lines, header);
  std::getline(lines, first);
  std::getline(lines, second);
  std::getline(lines, third);
  EXPECT_EQ(first, "9    0x0C 3              18  2026/12/10 08:05:00  install/sub/a.txt");
  EXPECT_EQ(second, "7    0x20 0              14  -                    system/b.dll");
  EXPECT_NE(third.find("refused: \"..\" in \"..\\c\""), std::string::npos) << third;

  std::ostringstream out2, err2;
  EXPECT_EQ(RunCli({"extract", (dir / "setup.exe").string(), "-o", (dir / "out").string()}, out2, err2), 1);
  EXPECT_NE(err2.str().find("record 3 (\"..\\c\") refused"), std::string::npos) << err2.str();
  EXPECT_FALSE(fs::exists(dir / "out"));
}

TEST(MvpackExtract, AProjectFileDefaultsToTheInstallationFolder) {
  const Project p = ProjectFromJson(nlohmann::json::parse(R"({"files": [{"source": "x"}, {"source": "y", "kind": 1}]})"),
                                    Folder("default-kind"));
  EXPECT_EQ(p.files[0].record.destination_kind, 0u);
  EXPECT_EQ(p.files[1].record.destination_kind, 1u);
}

}  // namespace
}  // namespace mvpack
