// The harness itself: exact exit codes, time-outs and the UI helper against a real window.
#include "harness.h"

#include <gtest/gtest.h>

namespace mve2e {
namespace {

TEST(Harness, ReportsExactThirtyTwoBitExitCodes) {
  struct Case {
    const char* argument;
    std::uint32_t code;
  } cases[] = {
      {"0", 0}, {"2", 2}, {"15", 15}, {"0xFFFFFFFF", 0xFFFFFFFFu}, {"crash", 0xC0000005u},
  };
  for (const auto& c : cases) {
    ExitCode r = RunWindows(HelperExe("exitcode"), c.argument, 60);
    EXPECT_FALSE(r.timed_out) << c.argument;
    EXPECT_EQ(r.code, c.code) << c.argument;
  }
}

TEST(Harness, UiHelperReadsAndClicksASystemMessageBox) {
  WindowsRun box(HelperExe("msgbox"), "\"MV harness\" \"Press a button\"", 60);
  ToolResult list = RunTool(HelperExe("mvui"), {"list", "--title", "MV harness", "--timeout", "20000"});
  ASSERT_EQ(list.status, 0) << list.output;
  EXPECT_NE(list.output.find("1\tButton\tOK"), std::string::npos) << list.output;
  EXPECT_NE(list.output.find("2\tButton\tCancel"), std::string::npos) << list.output;
  EXPECT_NE(list.output.find("Press a button"), std::string::npos) << list.output;

  ToolResult click = RunTool(HelperExe("mvui"), {"click", "--title", "MV harness", "--id", "2"});
  ASSERT_EQ(click.status, 0) << click.output;
  ExitCode r = box.Wait();
  EXPECT_FALSE(r.timed_out);
  EXPECT_EQ(r.code, 2u) << "the message box should report Cancel (IDCANCEL)";
}

TEST(Harness, EndsAProgramThatOutlivesItsTimeOut) {
  // Nobody answers this message box: the harness must end it and say so.
  ExitCode r = RunWindows(HelperExe("msgbox"), "\"MV unanswered\" \"Nobody will press this\"", 3);
  EXPECT_TRUE(r.timed_out);
  ToolResult find = RunTool(HelperExe("mvui"), {"find", "--title", "MV unanswered", "--timeout", "500"});
  EXPECT_EQ(find.status, 1) << "the window should be gone with its process";
}

}  // namespace
}  // namespace mve2e
