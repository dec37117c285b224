#include "cli.h"

#include <CLI/CLI.hpp>

#include <fstream>
#include <iterator>
#include <ostream>

#include "build.h"
#include "inspect.h"
#include "project.h"
#include "package/corrupt.h"
#include "verify.h"

namespace mvpack {

namespace {

// Exit codes of mvpack itself.
constexpr int kUsageError = 64;
constexpr int kNotSupported = 69;

constexpr int kFailed = 1;
constexpr int kCorrupt = 2;

int NotSupported(std::ostream& err, const std::string& command) {
  err << "mvpack " << command << ": not supported yet\n";
  return kNotSupported;
}

std::vector<std::uint8_t> ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void WriteAll(const std::string& path, std::span<const std::uint8_t> bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path);
}

int Build(const std::string& project, const std::string& runtime, const std::string& output, std::ostream& out) {
  mv::BuiltInstaller installer = BuildInstaller(LoadProject(project), ReadAll(runtime));
  WriteAll(output, installer.file);
  out << output << ": " << installer.file.size() << " bytes, " << installer.header.FileCount() << " file(s)\n";
  return 0;
}

int Verify(const std::string& installer, std::ostream& out) {
  Verdict v = VerifyInstaller(ReadAll(installer));
  switch (v.kind) {
    case Verdict::kSound:
      out << installer << ": sound\n" << v.message;
      return 0;
    case Verdict::kCorrupt:
      out << installer << ": corrupt installer, code " << v.code << ": " << v.message << "\n";
      return kCorrupt;
    case Verdict::kFatal:
      out << installer << ": refused by the runtime: " << v.message << "\n";
      return kFailed;
  }
  return kFailed;
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

  try {
    if (build->parsed()) return Build(project, runtime, output, out);
    if (verify->parsed()) return Verify(installer, out);
    if (inspect->parsed()) {
      out << InspectInstaller(ReadAll(installer)).dump(2) << "\n";
      return 0;
    }
  } catch (const mv::CorruptPackage& e) {
    err << "mvpack: " << installer << ": corrupt installer, code " << e.code() << ": " << DescribeCorruptCode(e.code())
        << "\n";
    return kCorrupt;
  } catch (const std::exception& e) {
    err << "mvpack: " << e.what() << "\n";
    return kFailed;
  }
  if (extract->parsed()) return NotSupported(err, extract->get_name());
  return kUsageError;
}

}  // namespace mvpack
