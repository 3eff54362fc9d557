// The console on the real main window: what reaches standard error shows as browser lines.
#include <gtest/gtest.h>  // before the X headers, whose macros clash with it

#include "console/console.h"

#include <unistd.h>

#include <cstdio>
#include <string>

#include "forms/main_form.h"
#include "tests/support/gui_test.h"

class Console : public ::testing::Test {
 protected:
  void SetUp() override {
    start_gui_once();
    reset_controls();
  }
  // Writes to standard error and lets one reader call take it.
  static void say(const std::string &text) {
    size_t before = console_lines().size();
    ASSERT_EQ(write(STDERR_FILENO, text.data(), text.size()), ssize_t(text.size()));
    ASSERT_TRUE(pump_until([&] { return console_lines().size() != before; }));
  }
};

TEST_F(Console, TrimsElevenLinesOnceItHoldsMoreThan25) {
  for (int i = 1; i <= 26; i++) say("message " + std::to_string(i) + "\n");
  auto lines = console_lines();
  ASSERT_EQ(lines.size(), 15u);
  EXPECT_EQ(lines.front(), "message 12");
  EXPECT_EQ(lines.back(), "message 26");
}

TEST_F(Console, TwoBurstsOfOneLineShowAsTwoLines) {
  say("first half");
  say(" second half\n");
  auto lines = console_lines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], "first half");
  EXPECT_EQ(lines[1], " second half");
}

TEST_F(Console, AddingFollowsTheLineRuleWhateverTheToolkitDoes) {
  console_add(main_form->console, "");
  console_add(main_form->console, "one\n");
  console_add(main_form->console, "\n");
  console_add(main_form->console, "two\n\n\n");
  console_add(main_form->console, "\nthree");
  EXPECT_EQ(console_lines(), (std::vector<std::string>{"one", "", "two", "", "", "", "three"}));
}

TEST_F(Console, OwnTextThePipeCannotTakeIsAddedInOrderAndTheConsoleStaysBounded) {
  // Three times what the pipe holds, in one write by Corvane itself, which is the pipe's only
  // reader: the write must return at once, and what did not fit follows the rest.
  std::string text;
  for (int i = 0; i < 10000; i++) text += "own line " + std::to_string(i) + "\n";
  fputs(text.c_str(), stderr);
  ASSERT_TRUE(pump_until([] {
    auto lines = console_lines();
    return !lines.empty() && lines.back() == "own line 9999";
  }));
  auto lines = console_lines();
  ASSERT_EQ(lines.size(), console_cap);
  for (size_t i = 0; i < lines.size(); i++)
    ASSERT_EQ(lines[i], "own line " + std::to_string(9000 + i));
}
