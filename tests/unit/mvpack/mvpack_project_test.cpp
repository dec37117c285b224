// mvpack's own round trip: build a project, inspect the installer, build what inspect printed.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "build.h"
#include "extract.h"
#include "inspect.h"
#include "lists_fixture.h"
#include "opened_installer.h"
#include "package_test_support.h"
#include "project.h"
#include "settings_fixture.h"
#include "verify.h"

namespace mvpack {
namespace {

namespace fs = std::filesystem;

fs::path Folder(const std::string& name) {
  fs::path dir = fs::temp_directory_path() / ("mvpack-project-" + name);
  fs::remove_all(dir);
  fs::create_directories(dir / "files");
  return dir;
}

void Write(const fs::path& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

TEST(MvpackProject, InspectOfABuildGivesTheProjectBackAndRebuildsTheSameSettings) {
  fs::path dir = Folder("roundtrip");
  Write(dir / "files" / "a.txt", std::string(3000, 'a'));
  Write(dir / "files" / "b.bin", "\x01\x02\x03");

  Project p;
  p.settings = mv::testing::FullSettings();
  p.settings.ExternalData = 0;
  p.settings.IntegrityCheck = 1;
  p.settings.MinProgressTime = 500;
  p.settings.BitmapSize = 50;
  p.product_flags2 = mv::testing::kAllGroupsFlags2;  // every colour group, enciphered
  p.lists = mv::testing::FullLists();
  p.chunk_size = 1024;
  for (const char* name : {"a.txt", "b.bin"}) {
    ProjectFile f;
    f.source = dir / "files" / name;
    f.record.name = name;
    f.record.date = {2026, 1, 2, 3, 4, 5};
    p.files.push_back(f);
  }
  mv::Bytes runtime = mv::testing::MakeTestPe({{".text"}, {".data"}, {".rdata"}, {".rsrc"}});
  mv::BuiltInstaller first = BuildInstaller(p, runtime);
  ASSERT_EQ(VerifyInstaller(first.file).kind, Verdict::kSound) << VerifyInstaller(first.file).message;

  // The files go in grouped by extension; inspect lists them in the package's order.
  nlohmann::json printed = InspectInstaller(first.file);
  EXPECT_EQ(printed["files"].size(), 2u);
  EXPECT_EQ(printed["files"][0]["name"], "b.bin");
  EXPECT_EQ(printed["files"][1]["name"], "a.txt");
  EXPECT_EQ(printed["files"][1]["size"], 3000);
  Project ungrouped = p;
  ungrouped.group_files = false;
  EXPECT_EQ(InspectInstaller(BuildInstaller(ungrouped, runtime).file)["files"][0]["name"], "a.txt");

  // inspect names the files where extract puts them: the two together rebuild the installer.
  EXPECT_EQ(printed["files"][1]["source"], "install/a.txt");
  ExtractInstaller(first.file, dir / "again");
  Project again = ProjectFromJson(printed, dir / "again");
  mv::BuiltInstaller second = BuildInstaller(again, runtime);

  OpenedInstaller a = OpenInstaller(first.file), b = OpenInstaller(second.file);
  EXPECT_EQ(a.settings_stream, b.settings_stream) << "the settings stream must come back byte for byte";
  EXPECT_EQ(a.header.blowfish_key, b.header.blowfish_key);
  EXPECT_EQ(a.header.file_sizes, b.header.file_sizes);
  EXPECT_EQ(a.lists, p.lists);
  EXPECT_EQ(InspectInstaller(second.file), printed);
}

TEST(MvpackProject, ProjectMistakesNameTheKey) {
  fs::path dir = Folder("mistakes");
  struct Case {
    const char* json;
    const char* key;
  } cases[] = {
      {R"({"pakage": {}})", "pakage"},
      {R"({"package": {"preset": 12}})", "package.preset"},
      {R"({"package": {"blowfishKey": "abc"}})", "package.blowfishKey"},
      {R"({"package": {"dictionarySize": 4095}})", "package.dictionarySize"},
      {R"({"package": {"dictionarySize": 1610612737}})", "package.dictionarySize"},
      {R"({"package": {"groupFiles": 1}})", "package.groupFiles"},
      {R"({"package": {"niceLength": 1}})", "package.niceLength"},
      {R"({"package": {"niceLength": 274}})", "package.niceLength"},
      {R"({"files": [{"name": "x"}]})", "files[0].source"},
      {R"({"files": [{"source": "x", "colour": 1}]})", "files[0].colour"},
      {R"({"files": [{"source": "x", "date": [1, 2]}]})", "files[0].date"},
  };
  for (const auto& c : cases) {
    try {
      ProjectFromJson(nlohmann::json::parse(c.json), dir);
      ADD_FAILURE() << c.json << " was accepted";
    } catch (const std::runtime_error& e) {
      EXPECT_NE(std::string(e.what()).find(c.key), std::string::npos) << e.what();
    }
  }
}

TEST(MvpackProject, BuildStampsTheBuildDateOnlyWhenTheProjectHasNone) {
  fs::path dir = Folder("date");
  mv::Bytes runtime = mv::testing::MakeTestPe({{".text"}, {".data"}, {".rdata"}, {".rsrc"}});
  Project stamped = ProjectFromJson(nlohmann::json::parse(R"({"settings": {"displayName": "D"}})"), dir);
  Project fixed = ProjectFromJson(
      nlohmann::json::parse(R"({"settings": {"buildDate": {"year": 2001, "month": 2, "day": 3, "options": "00000000"}}})"), dir);
  mv::BuiltInstaller built = BuildInstaller(stamped, runtime);
  EXPECT_GE(OpenInstaller(built.file).settings.BuildDate.year, 2026);
  // Without languages the installer still gets the one every package needs.
  ASSERT_EQ(OpenInstaller(built.file).lists.Languages.size(), 1u);
  EXPECT_EQ(OpenInstaller(built.file).lists.Languages[0].name, u"English");
  EXPECT_EQ(OpenInstaller(BuildInstaller(fixed, runtime).file).settings.BuildDate.year, 2001);
}

}  // namespace
}  // namespace mvpack
