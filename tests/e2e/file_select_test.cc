// The two Select buttons through the toolkit's file selector, seen in the command a Convert
// composes from the fields and the output type choice.
#include <gtest/gtest.h>

#include "tests/e2e/harness.h"

using Argv = std::vector<std::string>;

static bool start_with_tone(App &app) {
  return start(app) && make_tone(app.path("tone.wav"), 0.2);
}

// The main command of the `nth` start, once it has ended.
static Argv convert(const App &app, size_t nth = 1) {
  click(app.main, convert_button);
  if (!wait_calls_ended(app, nth)) return {};
  return calls(app)[nth - 1].argv;
}

TEST(FileSelector, SelectFillsTheInputFieldWithTheWholePath) {
  App app;
  ASSERT_TRUE(start_with_tone(app));
  click(app.main, select_input);
  ASSERT_TRUE(pick_file("tone.wav"));
  fill_field(app.main, output_file, "out.au");
  EXPECT_EQ(convert(app), (Argv{"sox", "-v", "1.000", app.path("tone.wav"), "-t", "au", "-"}));
}

TEST(FileSelector, CancelChangesNeitherFieldNorType) {
  App app;
  ASSERT_TRUE(start_with_tone(app));
  fill_field(app.main, input_file, "tone.wav");
  fill_field(app.main, output_file, "out.snd");
  click(app.main, output_type_field, 3);  // aiff
  for (Box select : {select_input, select_output}) {
    click(app.main, select);
    Window selector = wait_window("FileSelector");
    ASSERT_TRUE(selector) << "Select opened no file selector";
    click(selector, fselector_name);
    type_text("other.wav");
    ASSERT_TRUE(answer("FileSelector", fselector_cancel));
  }
  EXPECT_EQ(convert(app), (Argv{"sox", "-v", "1.000", "tone.wav", "-t", "aiff", "-"}));
  EXPECT_EQ(run({"soxi", "-t", app.path("out.snd")}), "aiff\n");
}

TEST(FileSelector, SelectingAnOutputLetsTheTypeFollowItsExtensionAgain) {
  App app;
  ASSERT_TRUE(start_with_tone(app));
  fill_field(app.main, input_file, "tone.wav");
  click(app.main, output_type_field, 3);  // aiff
  click(app.main, select_output);
  ASSERT_TRUE(pick_file("picked.au"));
  EXPECT_EQ(convert(app), (Argv{"sox", "-v", "1.000", "tone.wav", "-t", "au", "-"}));
  EXPECT_EQ(run({"soxi", "-t", app.path("picked.au")}), "au\n");
}
