#include "cli.h"

#include <gtest/gtest.h>

#include <sstream>

namespace mvpack {
namespace {

struct CliResult {
  int code;
  std::string out, err;
};

CliResult Cli(std::vector<std::string> args) {
  std::ostringstream out, err;
  int code = RunCli(args, out, err);
  return {code, out.str(), err.str()};
}

TEST(MvpackCli, HelpListsEverySubcommand) {
  CliResult r = Cli({"--help"});
  EXPECT_EQ(r.code, 0);
  for (const char* name : {"build", "inspect", "verify", "extract"})
    EXPECT_NE(r.out.find(name), std::string::npos) << name;
}

TEST(MvpackCli, UsageErrorsExitNonZeroWithAMessage) {
  for (const auto& args : std::vector<std::vector<std::string>>{{}, {"frobnicate"}, {"inspect"}}) {
    CliResult r = Cli(args);
    EXPECT_NE(r.code, 0);
    EXPECT_NE(r.err.find("mvpack: "), std::string::npos);
  }
}

}  // namespace
}  // namespace mvpack
