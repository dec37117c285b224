#include "context/progress.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace mv {
namespace {

class RecordingSink : public ProgressSink {
 public:
  explicit RecordingSink(std::vector<std::string>& log) : log_(log) {}
  void OpenProgress() override { log_.push_back("open"); }
  void SetStatusText(int n) override { log_.push_back("text " + std::to_string(n)); }
  void SetStatusPath(const std::u16string& p) override { log_.push_back("path " + std::to_string(p.size())); }
  void SetProgress(int p) override { log_.push_back("progress " + std::to_string(p)); }
  void HoldStatus(std::uint32_t ms) override { log_.push_back("hold " + std::to_string(ms)); }
  void CloseProgress() override { log_.push_back("close"); }

 private:
  std::vector<std::string>& log_;
};

TEST(Progress, ReportsReachTheInstalledSinkInOrderAndNothingWithoutOne) {
  std::vector<std::string> log;
  auto previous = SetProgressSink(std::make_unique<RecordingSink>(log));
  OpenProgress();
  SetStatusText(54);
  SetStatusPath(u"C:\\a");
  SetProgress(40);
  HoldStatus(500);
  CloseProgress();
  SetProgressSink(std::move(previous));
  SetProgress(90);  // no sink: nothing happens and nothing is recorded
  EXPECT_EQ(log, (std::vector<std::string>{"open", "text 54", "path 4", "progress 40", "hold 500", "close"}));
}

}  // namespace
}  // namespace mv
