#include "cli.h"

#include <CLI/CLI.hpp>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <ostream>

#include "build.h"
#include "extract.h"
#include "inspect.h"
#include "project.h"
#include "package/corrupt.h"
#include "verify.h"

namespace mvpack {

namespace {

// Exit codes of mvpack itself.
constexpr int kUsageError = 64;

constexpr int kFailed = 1;
constexpr int kCorrupt = 2;

std::vector<std::uint8_t> ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

// An installer to read, mapped rather than read: installers can be large and are only read.
class MappedFile {
 public:
  explicit MappedFile(const std::string& path) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) throw std::runtime_error("cannot read " + path);
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
      close(fd);
      throw std::runtime_error("cannot read " + path + ": not a file");
    }
    size_ = static_cast<std::size_t>(st.st_size);
    if (size_ > 0) data_ = mmap(nullptr, size_, PROT_READ, MAP_PRIVATE, fd, 0);
    close(fd);
    if (data_ == MAP_FAILED) throw std::runtime_error("cannot read " + path);
  }
  ~MappedFile() {
    if (size_ > 0) munmap(data_, size_);
  }
  MappedFile(const MappedFile&) = delete;
  MappedFile& operator=(const MappedFile&) = delete;
  std::span<const std::uint8_t> bytes() const { return {static_cast<const std::uint8_t*>(data_), size_}; }

 private:
  void* data_ = nullptr;
  std::size_t size_ = 0;
};

int Build(const std::string& project, const std::string& runtime, const std::string& output, std::size_t threads,
          std::ostream& out) {
  std::ofstream file(output, std::ios::binary | std::ios::trunc);
  if (!file) throw std::runtime_error("cannot write " + output);
  BuildOptions options;
  options.threads = threads;
  mv::WrittenInstaller installer;
  try {
    installer = WriteInstaller(
        LoadProject(project), ReadAll(runtime),
        [&](std::span<const std::uint8_t> b) {
          file.write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
        },
        options);
    file.close();
    if (!file) throw std::runtime_error("cannot write " + output);
  } catch (...) {
    file.close();
    std::remove(output.c_str());  // no half-built installer is left behind
    throw;
  }
  out << output << ": " << installer.size << " bytes, " << installer.header.FileCount() << " file(s)\n";
  return 0;
}

int Verify(const std::string& installer, std::ostream& out) {
  Verdict v = VerifyInstaller(MappedFile(installer).bytes());
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
  std::size_t threads = 0;
  build->add_option("--threads", threads, "Chunks compressed at the same time (default: one per core)");
  auto* inspect = app.add_subcommand("inspect", "Print an installer's package as a project file");
  inspect->add_option("installer", installer, "Installer to read")->required();
  auto* verify = app.add_subcommand("verify", "Run every integrity check of the runtime offline");
  verify->add_option("installer", installer, "Installer to check")->required();
  auto* extract = app.add_subcommand("extract", "Extract the files of an installer");
  extract->add_option("installer", installer, "Installer to read")->required();
  auto* extract_folder = extract->add_option("-o,--output", folder, "Folder to write the files under");
  bool list = false;
  auto* list_flag = extract->add_flag("--list", list, "Print kind, flags, mode, size, date and target of every file");
  extract_folder->excludes(list_flag);

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
    if (build->parsed()) return Build(project, runtime, output, threads, out);
    if (verify->parsed()) return Verify(installer, out);
    if (extract->parsed()) {
      if (list) return ListInstaller(MappedFile(installer).bytes(), out) == 0 ? 0 : kFailed;
      if (folder.empty()) {
        err << "mvpack extract: give the folder to write to with -o, or --list\n";
        return kUsageError;
      }
      const ExtractSummary done = ExtractInstaller(MappedFile(installer).bytes(), folder);
      out << folder << ": " << done.files << " file(s), " << done.bytes << " bytes\n";
      return 0;
    }
    if (inspect->parsed()) {
      out << InspectInstaller(MappedFile(installer).bytes()).dump(2) << "\n";
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
  return kUsageError;
}

}  // namespace mvpack
