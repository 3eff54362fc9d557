// Convert through the real sox: the files it writes, the exact main command, what it refuses to
// do and that a child flooding standard error cannot hang it.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/e2e/harness.h"

using Argv = std::vector<std::string>;

static bool start_with_tone(App &app, double seconds, const std::vector<std::string> &env = {}) {
  if (!start(app, env) || !make_tone(app.path("tone.wav"), seconds)) return false;
  fill_field(app.main, input_file, "tone.wav");
  return true;
}

// Presses Convert and waits for the main converter to end: its argument vector, or {} if the
// `nth` start (counting from 1) is never recorded or never ends.
static Argv convert(const App &app, size_t nth, double seconds = 10) {
  click(app.main, convert_button);
  if (!wait_calls_ended(app, nth, seconds)) return {};
  return calls(app)[nth - 1].argv;
}

// "type rate channels samples" of a sound file, as soxi reads them.
static std::string soxi(const std::string &path) {
  std::string text;
  for (const char *what : {"-t", "-r", "-c", "-s"}) text += run({"soxi", what, path});
  for (char &c : text)
    if (c == '\n') c = ' ';
  return text;
}

TEST(Convert, WritesEachTypeNamedByTheExtension) {
  App app;
  ASSERT_TRUE(start_with_tone(app, 0.5));
  size_t n = 0;
  for (std::string type : {"wav", "au", "aiff"}) {
    std::string name = "out." + type;
    fill_field(app.main, output_file, name);
    EXPECT_EQ(convert(app, ++n), (Argv{"sox", "-v", "1.000", "tone.wav", "-t", type, "-"}));
    EXPECT_EQ(soxi(app.path(name)), type + " 8000 1 4000 ");
  }
}

TEST(Convert, TakesChannelsRateAndTypeFromTheControls) {
  App app;
  ASSERT_TRUE(start_with_tone(app, 0.5));
  click(app.main, out_ch2);
  for (int i = 0; i < 11; i++) click(app.main, output_rate_up_1000);
  click(app.main, output_type_field, 3);  // the right button steps to the next item, aiff
  fill_field(app.main, output_file, "out.snd");
  EXPECT_EQ(convert(app, 1),
            (Argv{"sox", "-v", "1.000", "tone.wav", "-c", "2", "-r", "11000", "-t", "aiff", "-"}));
  EXPECT_EQ(soxi(app.path("out.snd")), "aiff 11000 2 5500 ");
}

TEST(Convert, MissingNamesAlertAndStartNothing) {
  App app;
  ASSERT_TRUE(start(app));
  click(app.main, convert_button);
  ASSERT_TRUE(answer("Alert", alert_dismiss)) << "no alert for the missing input name";
  fill_field(app.main, input_file, "tone.wav");
  click(app.main, convert_button);
  ASSERT_TRUE(answer("Alert", alert_dismiss)) << "no alert for the missing output name";
  ASSERT_TRUE(answers(app));
  EXPECT_TRUE(calls(app).empty()) << "started " << calls(app)[0].argv[0];
}

TEST(Convert, RefusesAnOutputThatIsTheInputItself) {
  App app;
  ASSERT_TRUE(start_with_tone(app, 0.5));
  std::string original = read_file(app.path("tone.wav"));
  std::filesystem::create_hard_link(app.path("tone.wav"), app.path("hard.wav"));
  std::filesystem::create_symlink("tone.wav", app.path("soft.wav"));
  for (const char *output : {"tone.wav", "hard.wav", "soft.wav", "./tone.wav"}) {
    fill_field(app.main, output_file, output);
    click(app.main, convert_button);
    EXPECT_TRUE(answer("Alert", alert_dismiss)) << "no alert for output " << output;
  }
  ASSERT_TRUE(answers(app));
  EXPECT_TRUE(calls(app).empty()) << "started " << calls(app)[0].argv[0];
  EXPECT_TRUE(read_file(app.path("tone.wav")) == original) << "the input was changed";
}

TEST(Convert, AnEndlessFloodOfStandardErrorLeavesTheWindowInTheUsersHands) {
  App app;
  ASSERT_TRUE(start_with_tone(app, 0.5, {"E2E_SOX_FLOOD=endless"}));
  fill_field(app.main, output_file, "out.wav");
  click(app.main, convert_button);
  ASSERT_TRUE(wait_until([&] { return !calls(app).empty(); }));
  EXPECT_TRUE(answers(app)) << "Info does not open during the flood";
  click(app.main, stop_button);
  EXPECT_TRUE(wait_calls_ended(app, 1)) << "Stop did not end the flooding converter";
  EXPECT_TRUE(answers(app)) << "the window does not answer after the flood";
  click(app.main, exit_button);
  ASSERT_TRUE(answer("Question", question_yes));
  ASSERT_TRUE(wait_exit(app));
  EXPECT_EQ(app.status, 0);
}
