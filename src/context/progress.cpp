#include "context/progress.h"

#include <utility>

namespace mv {

namespace {

std::unique_ptr<ProgressSink>& Sink() {
  static std::unique_ptr<ProgressSink> sink;
  return sink;
}

}  // namespace

std::unique_ptr<ProgressSink> SetProgressSink(std::unique_ptr<ProgressSink> sink) {
  return std::exchange(Sink(), std::move(sink));
}

void OpenProgress() {
  if (Sink()) Sink()->OpenProgress();
}
void SetStatusText(int text_number) {
  if (Sink()) Sink()->SetStatusText(text_number);
}
void SetStatusPath(const std::u16string& path) {
  if (Sink()) Sink()->SetStatusPath(path);
}
void SetProgress(int percent) {
  if (Sink()) Sink()->SetProgress(percent);
}
void HoldStatus(std::uint32_t milliseconds) {
  if (Sink()) Sink()->HoldStatus(milliseconds);
}
void CloseProgress() {
  if (Sink()) Sink()->CloseProgress();
}

}  // namespace mv
