#include "harness.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace mve2e {

fs::path SourceDir() { return MV_SOURCE_DIR; }
fs::path Win32Dir() { return SourceDir() / "build" / "win32"; }
fs::path HelperExe(const std::string& name) { return Win32Dir() / "tests" / "helpers" / (name + ".exe"); }
fs::path RuntimeExe() { return Win32Dir() / "src" / "mvsetup.exe"; }

fs::path ScratchDir(const std::string& name) {
  fs::path dir = SourceDir() / "build" / "e2e" / name;
  fs::remove_all(dir);
  fs::create_directories(dir);
  return dir;
}

Process::Process(const std::vector<std::string>& argv, bool capture_output) {
  std::vector<char*> args;
  for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  int pipe_fds[2] = {-1, -1};
  if (capture_output) {
    if (pipe(pipe_fds) != 0) throw std::runtime_error("pipe failed");
    posix_spawn_file_actions_adddup2(&actions, pipe_fds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, pipe_fds[0]);
    posix_spawn_file_actions_addclose(&actions, pipe_fds[1]);
  }
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawnattr_t attr;
  posix_spawnattr_init(&attr);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP);
  posix_spawnattr_setpgroup(&attr, 0);
  int rc = posix_spawnp(&pid_, args[0], &actions, &attr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attr);
  if (capture_output) {
    close(pipe_fds[1]);
    out_fd_ = pipe_fds[0];
    fcntl(out_fd_, F_SETFL, O_NONBLOCK);
  }
  if (rc != 0) {
    pid_ = -1;
    throw std::runtime_error("cannot start " + argv[0]);
  }
}

Process::Process(Process&& other) noexcept
    : pid_(other.pid_), out_fd_(other.out_fd_), output_(std::move(other.output_)) {
  other.pid_ = -1;
  other.out_fd_ = -1;
}

Process::~Process() {
  if (pid_ > 0) {
    kill(-pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
  if (out_fd_ >= 0) close(out_fd_);
}

void Process::Drain(bool block) {
  if (out_fd_ < 0) return;
  char buffer[4096];
  for (;;) {
    if (block) {
      pollfd p{out_fd_, POLLIN, 0};
      poll(&p, 1, 50);
    }
    ssize_t n = read(out_fd_, buffer, sizeof buffer);
    if (n > 0) {
      output_.append(buffer, static_cast<size_t>(n));
      continue;
    }
    return;
  }
}

std::optional<int> Process::Wait(int seconds) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  for (;;) {
    Drain(true);
    int status = 0;
    pid_t r = waitpid(pid_, &status, WNOHANG);
    if (r == pid_) {
      pid_ = -1;
      Drain(false);
      return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    if (std::chrono::steady_clock::now() >= deadline) {
      kill(-pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
      pid_ = -1;
      return std::nullopt;
    }
    if (out_fd_ < 0) std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

bool Process::WaitForOutput(const std::string& text, int seconds) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  while (output_.find(text) == std::string::npos) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    Drain(true);
  }
  return true;
}

namespace {
fs::path NewCodeFile() {
  static int counter = 0;
  fs::path dir = SourceDir() / "build" / "e2e" / "codes";
  fs::create_directories(dir);
  return dir / (std::to_string(getpid()) + "-" + std::to_string(++counter) + ".txt");
}

std::vector<std::string> WineRunArgs(const fs::path& code_file, int timeout, const fs::path& exe,
                                     const std::string& arguments, const fs::path& folder,
                                     const std::string& overrides, const WineDebug& debug) {
  std::vector<std::string> argv = {(SourceDir() / "scripts" / "wine-run").string(), "--timeout",
                                   std::to_string(timeout), "--code-file", code_file.string()};
  if (!folder.empty()) argv.insert(argv.end(), {"--cwd", folder.string()});
  if (!overrides.empty()) argv.insert(argv.end(), {"--dll-overrides", overrides});
  if (!debug.channels.empty())
    argv.insert(argv.end(), {"--wine-debug", debug.channels, "--debug-file", debug.file.string()});
  argv.insert(argv.end(), {"--", exe.string()});
  if (!arguments.empty()) argv.push_back(arguments);
  return argv;
}
}  // namespace

WindowsRun::WindowsRun(const fs::path& exe, const std::string& arguments, int timeout_seconds,
                       const fs::path& working_folder, const std::string& dll_overrides, const WineDebug& debug)
    : code_file_(NewCodeFile()),
      timeout_(timeout_seconds),
      process_(WineRunArgs(code_file_, timeout_seconds, exe, arguments, working_folder, dll_overrides, debug), false) {}

ExitCode WindowsRun::Wait() {
  // wine-run ends the Windows program at the time-out itself; the extra margin covers Wine's start.
  auto status = process_.Wait(timeout_ + 60);
  std::ifstream in(code_file_);
  std::string text;
  in >> text;
  fs::remove(code_file_);
  if (!status || text == "timeout") return {true, 0};
  if (text.empty()) throw std::runtime_error("wine-run reported no exit code");
  return {false, static_cast<std::uint32_t>(std::stoul(text))};
}

ExitCode RunWindows(const fs::path& exe, const std::string& arguments, int timeout_seconds,
                    const fs::path& working_folder, const std::string& dll_overrides, const WineDebug& debug) {
  return WindowsRun(exe, arguments, timeout_seconds, working_folder, dll_overrides, debug).Wait();
}

ToolResult RunTool(const fs::path& exe, const std::vector<std::string>& args, int timeout_seconds) {
  std::vector<std::string> argv = {(SourceDir() / "scripts" / "wine-exec").string(), exe.string()};
  argv.insert(argv.end(), args.begin(), args.end());
  Process p(argv, true);
  auto status = p.Wait(timeout_seconds);
  return {status ? *status : -1, p.output()};
}

}  // namespace mve2e
