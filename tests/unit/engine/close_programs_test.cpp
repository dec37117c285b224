#include "engine/close_programs.h"

#include <gtest/gtest.h>

namespace mv {
namespace {

TEST(CloseRunningPrograms, PatternRules) {
  struct Case {
    const char16_t* pattern;
    const char16_t* text;
    bool matches;
  } cases[] = {
      {u"", u"anything", true},
      {u"Notepad", u"Notepad", true},
      {u"Notepad", u"notepad", false},   // case-sensitive
      {u"Notepad", u"Notepad2", false},  // whole text only
      {u"*pad", u"Notepad2", true},      // anywhere
      {u"*Pad", u"Notepad", false},
      {u"*", u"", true},                 // "*" alone: the empty rest occurs everywhere
      {u"a*", u"abc", false},            // only a leading star is special
      {u"a*", u"a*", true},
  };
  for (const Case& c : cases) EXPECT_EQ(MatchesWindowPattern(c.pattern, c.text), c.matches) << (const char*)c.pattern;
}

TEST(CloseRunningPrograms, FirstMatchingEntryOfThePhase) {
  const std::vector<AutoCloseEntry> entries = {
      {u"", u"", u"matches nothing", 0},
      {u"Editor", u"", u"asked", kCloseActionAsk},
      {u"Editor", u"*report", u"closed", kCloseActionClose},
      {u"*Edit", u"", u"terminated", kCloseActionTerminate},
      {u"", u"Viewer", u"quit", kCloseActionQuit},
  };
  struct Case {
    std::uint32_t phase;
    const char16_t* cls;
    const char16_t* title;
    bool own;
    std::optional<std::size_t> entry;
  } cases[] = {
      {kClosePhaseAutomatic, u"Editor", u"my report", false, 2},  // the ask entry belongs to the other phase
      {kClosePhaseAsk, u"Editor", u"my report", false, 1},
      {kClosePhaseAutomatic, u"Editor", u"other", false, 3},     // title fails entry 2, falls to the "*Edit" one
      {kClosePhaseAutomatic, u"Other", u"Viewer", false, 4},
      {kClosePhaseAutomatic, u"Other", u"", false, std::nullopt},  // both-empty entry matches nothing
      {kClosePhaseAutomatic, u"Editor", u"my report", true, std::nullopt},  // never our own windows
      {kClosePhaseAsk, u"Other", u"Viewer", false, std::nullopt},
  };
  for (const Case& c : cases)
    EXPECT_EQ(FindCloseEntry(entries, c.phase, c.cls, c.title, c.own), c.entry) << (const char*)c.cls;
}

TEST(CloseRunningPrograms, PhaseMasks) {
  EXPECT_EQ(ClosePhaseMask(kCloseActionClose), kClosePhaseAutomatic);
  EXPECT_EQ(ClosePhaseMask(kCloseActionQuit), kClosePhaseAutomatic);
  EXPECT_EQ(ClosePhaseMask(kCloseActionAsk), kClosePhaseAsk);
  EXPECT_EQ(ClosePhaseMask(kCloseActionTerminate), kClosePhaseAutomatic);
  const std::vector<CloseProgramRecord> records = {
      {u"A", u"", u"a", 0, kCloseAtInstall}, {u"B", u"", u"b", 2, kCloseAtUninstall},
      {u"C", u"", u"c", 3, kCloseAtInstall | kCloseAtUninstall}};
  const std::vector<AutoCloseEntry> at_install = InstallAutoClose(records);
  ASSERT_EQ(at_install.size(), 2u);
  EXPECT_EQ(at_install[0].window_class, u"A");
  EXPECT_EQ(at_install[1].window_class, u"C");
}

}  // namespace
}  // namespace mv
