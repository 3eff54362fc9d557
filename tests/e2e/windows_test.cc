// The two windows as a user and a window manager meet them: placement, size, the quit question,
// keyboard shortcuts and closing through the window manager.
#include <gtest/gtest.h>

#include "tests/e2e/harness.h"

static bool same(Geometry a, Geometry b) {
  return a.x == b.x && a.y == b.y && a.width == b.width && a.height == b.height;
}

static std::string show(Geometry g) {
  return std::to_string(g.width) + "x" + std::to_string(g.height) + "+" + std::to_string(g.x) +
         "+" + std::to_string(g.y);
}

TEST(MainWindow, OpensTopLeftAtAFixedSizeTitledCorvane) {
  App app;
  ASSERT_TRUE(start(app));
  EXPECT_EQ(title(app.main), "Corvane");
  EXPECT_TRUE(same(geometry(app.main), {0, 0, 435, 275})) << show(geometry(app.main));
  SizeLimits limits = size_limits(app.main);
  EXPECT_EQ(limits.min_width, 435);
  EXPECT_EQ(limits.min_height, 275);
  EXPECT_EQ(limits.max_width, 435);
  EXPECT_EQ(limits.max_height, 275);
  EXPECT_TRUE(screenshot(app.main, SCREENSHOT_DIR "/main-window.png"));
}

TEST(MainWindow, ExitAsksFirstAndNoKeepsItRunning) {
  App app;
  ASSERT_TRUE(start(app));
  click(app.main, exit_button);
  ASSERT_TRUE(answer("Question", question_no));
  EXPECT_TRUE(answers(app)) << "the program stopped answering after No";
  EXPECT_FALSE(wait_exit(app, 0)) << "ended with status " << app.status;
}

TEST(MainWindow, ExitYesEndsWithStatusZero) {
  App app;
  ASSERT_TRUE(start(app));
  click(app.main, exit_button);
  ASSERT_TRUE(answer("Question", question_yes));
  ASSERT_TRUE(wait_exit(app)) << "still running after Yes";
  EXPECT_EQ(app.status, 0);
}

TEST(MainWindow, ControlEAsksToQuitEvenWhileTypingInAField) {
  App app;
  ASSERT_TRUE(start(app));
  fill_field(app.main, output_file, "out.au");
  fill_field(app.main, input_file, "abc");
  key(app.main, input_file.centre(), "ctrl+e");
  ASSERT_TRUE(answer("Question", question_no)) << "Control-E did not ask to quit";
  // The shortcut must not have edited the field: Convert still reads "abc".
  click(app.main, convert_button);
  ASSERT_TRUE(wait_calls_ended(app, 1));
  std::vector<std::string> argv = calls(app)[0].argv;
  ASSERT_GE(argv.size(), 4u);
  EXPECT_EQ(argv[3], "abc");
}

TEST(MainWindow, TabShowsInfo) {
  App app;
  ASSERT_TRUE(start(app));
  key(app.main, input_file.centre(), "Tab");
  EXPECT_TRUE(dismiss_message()) << "Tab showed no Info message";
}

TEST(MainWindow, ClosingThroughTheWindowManagerEndsWithStatusOne) {
  App app;
  ASSERT_TRUE(start(app));
  send_delete_window(app.main);
  ASSERT_TRUE(wait_exit(app)) << "still running after WM_DELETE_WINDOW";
  EXPECT_EQ(app.status, 1);
}

TEST(EffectsWindow, ClosingThroughTheWindowManagerEndsTheProgramWithStatusOne) {
  App app;
  ASSERT_TRUE(start(app));
  click(app.main, effects_button);
  Window effects = wait_window("Sound Effects");
  ASSERT_TRUE(effects) << "Add Effects showed no window";
  send_delete_window(effects);
  ASSERT_TRUE(wait_exit(app)) << "still running after WM_DELETE_WINDOW";
  EXPECT_EQ(app.status, 1);
}

TEST(EffectsWindow, OpensCentredStaysPutWhileShownAndIsCentredAgainAfterClose) {
  App app;
  ASSERT_TRUE(start(app));
  const Geometry centred{(1280 - 440) / 2, (1024 - 205) / 2, 440, 205};
  click(app.main, effects_button);
  Window effects = wait_window("Sound Effects");
  ASSERT_TRUE(effects) << "Add Effects showed no window";
  EXPECT_TRUE(same(geometry(effects), centred)) << show(geometry(effects));
  SizeLimits limits = size_limits(effects);
  EXPECT_TRUE(limits.min_width == 440 && limits.max_width == 440 && limits.min_height == 205 &&
              limits.max_height == 205);
  EXPECT_TRUE(wait_drawn(effects));
  EXPECT_TRUE(screenshot(effects, SCREENSHOT_DIR "/effects-window.png"));

  move_window(effects, 30, 300);
  ASSERT_TRUE(wait_until([&] { return geometry(effects).x == 30; })) << "could not move it";
  click(app.main, effects_button);
  ASSERT_TRUE(answers(app));  // Add Effects has been handled by now
  EXPECT_TRUE(same(geometry(effects), {30, 300, 440, 205})) << show(geometry(effects));

  Window seen = effects;
  click(effects, close_button);
  ASSERT_TRUE(wait_until([&] { return !viewable(seen); })) << "Close did not hide it";
  click(app.main, effects_button);
  effects = wait_window("Sound Effects");
  ASSERT_TRUE(effects) << "Add Effects did not show it again";
  EXPECT_TRUE(same(geometry(effects), centred)) << show(geometry(effects));
}
