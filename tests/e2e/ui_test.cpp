// The installer's own message box and background window in real windows, driven from outside
// through the UI helper the way UI automation or a screen reader reaches them.
#include <gtest/gtest.h>

#include <string>

#include "package/header.h"
#include "scenario.h"

namespace mve2e {
namespace {

std::string Quote(const std::string& s) { return "\"" + s + "\""; }

ToolResult Ui(const std::vector<std::string>& args) { return RunTool(HelperExe("mvui"), args); }

TEST(MessageBoxUi, ControlsReadBackAndEveryButtonGivesItsResult) {
  // Yes/No with both "to all" buttons and the warning icon.
  const std::string style = std::to_string(0x4 | 0x30 | 0x08000000 | 0x10000000);
  struct Case {
    int id;
    const char* label;
  } cases[] = {{6, "&Yes"}, {19, "Yes to all"}, {7, "&No"}, {20, "No to all"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    WindowsRun box(HelperExe("mvbox"),
                   "--caption " + Quote("MV e2e box") + " --text " + Quote("Replace the file?") + " --style " + style, 60);
    ToolResult list = Ui({"list", "--title", "MV e2e box", "--timeout", "20000"});
    ASSERT_EQ(list.status, 0) << list.output;
    EXPECT_NE(list.output.find("65535\tStatic\tReplace the file?"), std::string::npos) << list.output;
    for (const auto& b : cases)
      EXPECT_NE(list.output.find(std::to_string(b.id) + "\tButton\t" + b.label), std::string::npos) << list.output;
    EXPECT_NE(list.output.find("65534\tStatic"), std::string::npos) << list.output;  // the icon
    EXPECT_EQ(Ui({"click", "--title", "MV e2e box", "--id", std::to_string(c.id)}).status, 0);
    ExitCode r = box.Wait();
    EXPECT_FALSE(r.timed_out);
    EXPECT_EQ(r.code, static_cast<std::uint32_t>(c.id));
  }
}

TEST(MessageBoxUi, EscapeGivesTwoAndTheCheckBoxStateComesBack) {
  {
    WindowsRun box(HelperExe("mvbox"), "--caption " + Quote("MV e2e escape") + " --text Escape --style 4", 60);
    ASSERT_EQ(Ui({"find", "--title", "MV e2e escape", "--timeout", "20000"}).status, 0);
    EXPECT_EQ(Ui({"key", "--title", "MV e2e escape", "--id", "6", "--vk", "27"}).status, 0);
    ExitCode r = box.Wait();
    EXPECT_FALSE(r.timed_out);
    EXPECT_EQ(r.code, 2u);
  }
  {
    WindowsRun box(HelperExe("mvbox"),
                   "--caption " + Quote("MV e2e check") + " --text " + Quote("Update ready.") + " --button " +
                       Quote("Install now=100") + " --button Later=101 --check " + Quote("Do not ask again"),
                   60);
    ToolResult list = Ui({"list", "--title", "MV e2e check", "--timeout", "20000"});
    ASSERT_EQ(list.status, 0) << list.output;
    EXPECT_NE(list.output.find("65533\tButton\tDo not ask again"), std::string::npos) << list.output;
    EXPECT_NE(list.output.find("100\tButton\tInstall now"), std::string::npos) << list.output;
    EXPECT_EQ(list.output.find("\tButton\tOK"), std::string::npos) << list.output;  // custom buttons only
    EXPECT_EQ(Ui({"click", "--title", "MV e2e check", "--id", "65533"}).status, 0);
    EXPECT_EQ(Ui({"click", "--title", "MV e2e check", "--id", "101"}).status, 0);
    ExitCode r = box.Wait();
    EXPECT_FALSE(r.timed_out);
    EXPECT_EQ(r.code, 0x10000u + 101);
  }
}

TEST(MessageBoxUi, SilentModeAnswersAtOnce) {
  // Yes/No/Cancel with the second button as default: 7, without any window.
  ExitCode r = RunWindows(HelperExe("mvbox"), "--silent --caption " + Quote("MV e2e silent") + " --style 259", 20);
  EXPECT_FALSE(r.timed_out);
  EXPECT_EQ(r.code, 7u);
}

TEST(BackgroundUi, ADamagedPackageShowsItsBoxOverTheBackground) {
  // The settings CRC is checked after the background window exists: the corrupt-installer box then
  // has the background behind it, captioned with the taskbar text.
  fs::path dir = ScratchDir("ui-background");
  mvpack::Project project = SmallProject(dir);
  // Enciphered: SettingsCrc is then not the cipher key, so a wrong value reaches the CRC check.
  project.product_flags2 |= mv::kFlags2Blowfish;
  project.settings.TaskbarText = u"MV e2e background";
  project.settings.TopColor = 0x803000;
  project.settings.BottomColor = 0x200800;
  project.settings.DisplayTitle = u"MV Product";
  project.settings.TitlePosition = 2;
  project.settings.TitleSize = 1.0;
  project.settings.TitleShadow = 60;
  project.settings.TitleColor = 0xFFFFFF;
  Built b = Build(project, dir / "background.exe");
  b.installer.file.at(b.installer.section.raw_offset + 17) ^= 0x01;  // SettingsCrc
  WriteAll(b.path, b.installer.file);

  WindowsRun run(b.path, "/a", 60, dir);
  ToolResult background = Ui({"find", "--class", "SEA Window Class", "--title", "MV e2e background", "--timeout", "20000"});
  EXPECT_EQ(background.status, 0) << background.output;
  ToolResult list = Ui({"list", "--title", "Error", "--holding", "Error code: 25", "--timeout", "20000"});
  EXPECT_EQ(list.status, 0) << list.output;
  EXPECT_NE(list.output.find("Error code: 25"), std::string::npos) << list.output;
  EXPECT_NE(list.output.find("1\tButton\tOK"), std::string::npos) << list.output;
  EXPECT_EQ(Ui({"click", "--title", "Error", "--holding", "Error code: 25", "--id", "1"}).status, 0);
  ExitCode r = run.Wait();
  EXPECT_FALSE(r.timed_out);
  EXPECT_EQ(r.code, 2u);

  // Silent: neither the background nor the box.
  ExitCode silent = RunWindows(b.path, "/silent", 60, dir);
  EXPECT_FALSE(silent.timed_out);
  EXPECT_EQ(silent.code, 2u);
}

}  // namespace
}  // namespace mve2e
