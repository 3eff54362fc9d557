// The console on the real main window: what reaches standard error shows as browser lines.
#include <gtest/gtest.h>  // before the X headers, whose macros clash with it

#include "console/console.h"

#include <unistd.h>

#include "forms/main_form.h"
#include "tests/support/gui_test.h"

using Lines = std::vector<std::string>;

// Writes to standard error and lets one reader call take it.
static void say(const std::string &text) {
  size_t before = console_lines().size();
  ASSERT_EQ(write(STDERR_FILENO, text.data(), text.size()), ssize_t(text.size()));
  ASSERT_TRUE(pump_until([&] { return console_lines().size() != before; }));
}

TEST(Console, ShowsEachReadAsLinesAndStaysShort) {
  start_gui_once();
  reset_controls();
  say("first half");
  say(" second half\n");  // a line that arrives in two reads shows as two lines
  EXPECT_EQ(console_lines(), (Lines{"first half", " second half"}));
  for (int i = 3; i <= 26; i++) say("message " + std::to_string(i) + "\n");
  Lines lines = console_lines();  // past 25 lines a read trims the eleven oldest
  EXPECT_EQ(lines.size(), 15u);
  EXPECT_EQ(lines.front() + ", " + lines.back(), "message 12, message 26");

  reset_controls();
  for (const char *text : {"", "one\n", "\n", "two\n\n\n", "\nthree"})
    console_add(main_form->console, text);
  EXPECT_EQ(console_lines(), (Lines{"one", "", "two", "", "", "", "three"}));

  // Three times what the pipe holds, in one write by Corvane itself, the pipe's only reader: the
  // write must return at once, what did not fit follows the rest, and at most 1,000 lines stay.
  std::string text;
  for (int i = 0; i < 200000; i++) text += "own line " + std::to_string(i) + "\n";
  fputs(text.c_str(), stderr);
  ASSERT_TRUE(pump_until([] { return console_lines().back() == "own line 199999"; }));
  lines = console_lines();
  ASSERT_EQ(lines.size(), console_cap);
  for (size_t i = 0; i < lines.size(); i++)
    ASSERT_EQ(lines[i], "own line " + std::to_string(199000 + i));
}
