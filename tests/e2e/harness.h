// The end-to-end harness: runs Windows programs in the Wine session that scripts/test started
// (scripts/wine-session), with a time-out on every wait and cleanup by process id.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace mve2e {

namespace fs = std::filesystem;

// Folders of this checkout and of the win32 build tree.
fs::path SourceDir();
fs::path Win32Dir();
fs::path HelperExe(const std::string& name);  // tests/helpers program in the win32 tree
fs::path RuntimeExe();                         // the bare runtime
fs::path ScratchDir(const std::string& name);  // fresh, empty folder under build/e2e

struct ExitCode {
  bool timed_out = false;
  std::uint32_t code = 0;
};

// A Linux process started by the harness, in a process group of its own. The destructor kills the
// group if it is still running.
class Process {
 public:
  Process(const std::vector<std::string>& argv, bool capture_output);
  Process(Process&&) noexcept;
  Process& operator=(Process&&) = delete;
  ~Process();
  // Waits at most `seconds`; on time-out the group is killed and nullopt returned. Otherwise the
  // wait status's exit code.
  std::optional<int> Wait(int seconds);
  // Reads the captured output until it contains `text` (true) or `seconds` pass (false); the
  // process keeps running either way.
  bool WaitForOutput(const std::string& text, int seconds);
  const std::string& output() const { return output_; }

 private:
  void Drain(bool block);
  pid_t pid_ = -1;
  int out_fd_ = -1;
  std::string output_;
};

// Wine's debug channels for one run (e.g. "fixme+hnetcfg") and the file that receives their output.
struct WineDebug {
  std::string channels;
  fs::path file;
};

// Runs a Windows program with its command-line arguments exactly as given (appended verbatim after
// the quoted program path) and returns its exact 32-bit exit code.
class WindowsRun {
 public:
  WindowsRun(const fs::path& exe, const std::string& arguments, int timeout_seconds = 60,
             const fs::path& working_folder = {}, const std::string& dll_overrides = {},
             const WineDebug& debug = {});
  ExitCode Wait();

 private:
  fs::path code_file_;
  int timeout_;
  Process process_;
};

ExitCode RunWindows(const fs::path& exe, const std::string& arguments, int timeout_seconds = 60,
                    const fs::path& working_folder = {}, const std::string& dll_overrides = {},
                    const WineDebug& debug = {});

// Runs a Windows console program (arguments quoted by Wine) and returns its exit status and output.
struct ToolResult {
  int status = -1;  // -1 on time-out
  std::string output;
};
ToolResult RunTool(const fs::path& exe, const std::vector<std::string>& args, int timeout_seconds = 30);

}  // namespace mve2e
