#include "cli.h"

#include <CLI/CLI.hpp>

#include <ostream>

namespace mvpack {

namespace {

// Exit codes of mvpack itself.
constexpr int kUsageError = 64;
constexpr int kNotSupported = 69;

int NotSupported(std::ostream& err, const std::string& command) {
  err << "mvpack " << command << ": not supported yet\n";
  return kNotSupported;
}

}  // namespace

int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  CLI::App app{"mvpack: builds, inspects, verifies and extracts Marevault Setup installers", "mvpack"};
  app.require_subcommand(1);

  std::string project, output, installer, folder, runtime;
  auto* build = app.add_subcommand("build", "Build an installer from a project file");
  build->add_option("project", project, "Project file (JSON)")->required();
  build->add_option("-o,--output", output, "Installer to write")->required();
  build->add_option("--runtime", runtime, "The runtime executable (mvsetup.exe) to add the package to")
      ->required();
  auto* inspect = app.add_subcommand("inspect", "Print an installer's package as a project file");
  inspect->add_option("installer", installer, "Installer to read")->required();
  auto* verify = app.add_subcommand("verify", "Run every integrity check of the runtime offline");
  verify->add_option("installer", installer, "Installer to check")->required();
  auto* extract = app.add_subcommand("extract", "Extract the files of an installer");
  extract->add_option("installer", installer, "Installer to read")->required();
  extract->add_option("-d,--dir", folder, "Destination folder")->required();

  std::vector<std::string> reversed(args.rbegin(), args.rend());
  try {
    app.parse(reversed);
  } catch (const CLI::CallForHelp&) {
    out << app.help();
    return 0;
  } catch (const CLI::CallForAllHelp&) {
    out << app.help("", CLI::AppFormatMode::All);
    return 0;
  } catch (const CLI::ParseError& e) {
    err << "mvpack: " << e.what() << "\n" << "Run 'mvpack --help' for usage.\n";
    return kUsageError;
  }

  for (auto* command : {build, inspect, verify, extract})
    if (command->parsed()) return NotSupported(err, command->get_name());
  return kUsageError;
}

}  // namespace mvpack
