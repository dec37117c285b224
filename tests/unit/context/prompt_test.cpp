#include "context/prompt.h"

#include <gtest/gtest.h>

#include <vector>

namespace mv {
namespace {

// Installs a handler for one test and puts the previous one back.
class HandlerScope {
 public:
  explicit HandlerScope(PromptHandler h) : previous_(SetPromptHandler(std::move(h))) {}
  ~HandlerScope() { SetPromptHandler(std::move(previous_)); }

 private:
  PromptHandler previous_;
};

TEST(Prompt, WithoutAHandlerEveryCallAnswersAsASilentRun) {
  HandlerScope none{PromptHandler()};
  EXPECT_EQ(ShowMessage(u"text", u"caption", kPromptYesNo), 1);
  EXPECT_TRUE(ShowQuestion(u"text", u"caption"));
  EXPECT_TRUE(ShowOkCancel(u"text", u"caption", 0));
  EXPECT_FALSE(ShowChoice(u"Run the old uninstaller?", u"Setup", u"Uninstall", u"Cancel")) << "a choice never acts alone";
  ShowError(u"nothing to see");
}

TEST(Prompt, CallsReachTheHandlerAndItsAnswerDecides) {
  std::vector<Prompt> seen;
  int answer = 0;
  HandlerScope scope([&](const Prompt& p) {
    seen.push_back(p);
    return answer;
  });
  int owner = 0;
  answer = 7;
  EXPECT_EQ(ShowMessage(u"Replace?", u"Setup", kPromptYesNo | kPromptYesToAll, &owner), 7);
  EXPECT_FALSE(ShowQuestion(u"Continue?", u"Setup"));
  answer = 6;
  EXPECT_TRUE(ShowQuestion(u"Continue?", u"Setup"));
  answer = 2;
  EXPECT_FALSE(ShowOkCancel(u"Go?", u"Setup", kPromptIconWarning));
  answer = 1;
  EXPECT_TRUE(ShowOkCancel(u"Go?", u"Setup", kPromptIconWarning));
  ShowError(u"Error code: %d", 25);
  EXPECT_TRUE(ShowChoice(u"Continue?", u"Setup", u"Continue", u"Cancel"));
  answer = 2;
  EXPECT_FALSE(ShowChoice(u"Continue?", u"Setup", u"Continue", u"Cancel"));

  ASSERT_EQ(seen.size(), 8u);
  EXPECT_EQ(seen[0].kind, PromptKind::kMessage);
  EXPECT_EQ(seen[0].text, u"Replace?");
  EXPECT_EQ(seen[0].caption, u"Setup");
  EXPECT_EQ(seen[0].style, kPromptYesNo | kPromptYesToAll);
  EXPECT_EQ(seen[0].owner, &owner);
  EXPECT_EQ(seen[1].kind, PromptKind::kQuestion);
  EXPECT_EQ(seen[3].kind, PromptKind::kOkCancel);
  EXPECT_EQ(seen[3].style, kPromptIconWarning);
  EXPECT_EQ(seen[5].kind, PromptKind::kError);
  EXPECT_EQ(seen[5].text, u"Error code: 25");
  EXPECT_EQ(seen[6].kind, PromptKind::kChoice);
  EXPECT_EQ(seen[6].first, u"Continue");
  EXPECT_EQ(seen[6].second, u"Cancel");
}

TEST(Prompt, TheFormattingVariantTreatsTheArgumentAsData) {
  std::u16string shown;
  HandlerScope scope([&](const Prompt& p) {
    shown = p.text;
    return 1;
  });
  ShowError(u"Cannot open %s", u"C:\\100%d.txt");
  EXPECT_EQ(shown, u"Cannot open C:\\100%d.txt");
}

}  // namespace
}  // namespace mv
