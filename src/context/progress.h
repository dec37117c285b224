// Progress reports from the installation engine (and the uninstaller) to the progress dialog,
// reachable from every layer. The user interface installs the sink that shows them at start-up;
// until a sink is installed every call does nothing, so the engine and its tests never need a window.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace mv {

// What the progress dialog does with each report. Every call happens on the main thread.
class ProgressSink {
 public:
  virtual ~ProgressSink() = default;
  virtual void OpenProgress() = 0;
  // Records the status clock and shows LanguageText(`text_number`) in the status line.
  virtual void SetStatusText(int text_number) = 0;
  // Shows a path (or any text) in the status line.
  virtual void SetStatusPath(const std::u16string& path) = 0;
  // 0 to 100.
  virtual void SetProgress(int percent) = 0;
  // Keeps the status line readable for `milliseconds` after the status clock was set.
  virtual void HoldStatus(std::uint32_t milliseconds) = 0;
  virtual void CloseProgress() = 0;
};

// Installs `sink` (an empty one restores the silent no-op) and returns the one it replaces.
std::unique_ptr<ProgressSink> SetProgressSink(std::unique_ptr<ProgressSink> sink);

void OpenProgress();
void SetStatusText(int text_number);
void SetStatusPath(const std::u16string& path);
void SetProgress(int percent);
void HoldStatus(std::uint32_t milliseconds);
void CloseProgress();

}  // namespace mv
