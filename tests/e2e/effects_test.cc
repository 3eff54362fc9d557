// The effect buttons by real clicks: how Plain and the five effects keep each other consistent,
// seen on the buttons themselves and in the converter stages a Convert starts.
#include <gtest/gtest.h>

#include "tests/e2e/harness.h"

using Argv = std::vector<std::string>;

static const Argv main_command = {"sox", "-v", "1.000", "tone.wav", "-t", "au", "-"};

static Argv stage(const Argv &effect) {
  Argv argv = {"sox", "-t", "au", "-", "-t", "au", "-"};
  argv.insert(argv.end(), effect.begin(), effect.end());
  return argv;
}

// A started program with a tone as input, out.au as output and the effects window open.
static bool start_with_effects(App &app, Window &effects) {
  if (!start(app) || !make_tone(app.path("tone.wav"), 0.2)) return false;
  fill_field(app.main, input_file, "tone.wav");
  fill_field(app.main, output_file, "out.au");
  click(app.main, effects_button);
  effects = wait_window("Sound Effects");
  if (!effects) ADD_FAILURE() << "Add Effects showed no window";
  return effects && wait_drawn(effects);
}

// Which of the six buttons are drawn pushed, in the order Plain Echo Vibrato LowPass HighPass
// BandPass, e.g. "100000"; waits for the drawing to match `expected`.
static std::string pushed_when(Window effects, const std::string &expected) {
  std::string now;
  wait_until([&] {
    now.clear();
    for (Box b : {plain, echo, vibrato, lowpass, highpass, bandpass})
      now += button_pushed(effects, b) ? '1' : '0';
    return now == expected;
  });
  return now;
}

// Runs a Convert that should start `count` programs and returns their argument vectors once
// the main converter, started last, has ended.
static std::vector<Argv> convert(const App &app, size_t count) {
  size_t before = calls(app).size();
  click(app.main, convert_button);
  std::vector<Argv> started;
  EXPECT_TRUE(wait_until([&] {
    std::vector<Call> c = calls(app);
    return c.size() >= before + count && process_ended(c.back().pid);
  })) << "expected "
      << count << " starts and the last one to end";
  std::vector<Call> c = calls(app);
  for (size_t i = before; i < c.size(); i++) started.push_back(c[i].argv);
  return started;
}

TEST(EffectButtons, OnlyPlainIsPushedAtStartAndNoStageRuns) {
  App app;
  Window effects;
  ASSERT_TRUE(start_with_effects(app, effects));
  EXPECT_EQ(pushed_when(effects, "100000"), "100000");
  EXPECT_EQ(convert(app, 1), std::vector<Argv>{main_command});
}

TEST(EffectButtons, EffectsReleasePlainAndPlainReleasesThem) {
  App app;
  Window effects;
  ASSERT_TRUE(start_with_effects(app, effects));
  click(effects, echo);
  click(effects, lowpass);
  EXPECT_EQ(pushed_when(effects, "010100"), "010100");
  // The chain is built from the file backwards, so the echo stage starts first.
  EXPECT_EQ(convert(app, 3), (std::vector<Argv>{stage({"echo", "0.150", "0.500 "}),
                                                stage({"lowp", "2030 "}), main_command}));
  click(effects, plain);
  EXPECT_EQ(pushed_when(effects, "100000"), "100000");
  EXPECT_EQ(convert(app, 1), std::vector<Argv>{main_command});
  click(effects, plain);  // pressing it again keeps it pushed
  ASSERT_TRUE(answers(app));
  EXPECT_EQ(pushed_when(effects, "100000"), "100000");
}

TEST(EffectButtons, AnEffectToggledOnAndOffLeavesEveryButtonReleased) {
  App app;
  Window effects;
  ASSERT_TRUE(start_with_effects(app, effects));
  click(effects, vibrato);
  EXPECT_EQ(pushed_when(effects, "001000"), "001000");
  click(effects, vibrato);
  EXPECT_EQ(pushed_when(effects, "000000"), "000000");
  EXPECT_EQ(convert(app, 1), std::vector<Argv>{main_command});
}

TEST(EffectStages, AllFiveRunWithTheirDefaultsAfterTheWindowIsClosed) {
  App app;
  Window effects;
  ASSERT_TRUE(start_with_effects(app, effects));
  for (Box b : {bandpass, highpass, vibrato, echo, lowpass}) click(effects, b);
  EXPECT_EQ(pushed_when(effects, "011111"), "011111");
  click(effects, close_button);
  ASSERT_TRUE(wait_gone("Sound Effects"));
  EXPECT_EQ(convert(app, 6),
            (std::vector<Argv>{stage({"echo", "0.150", "0.500 "}), stage({"vibro", "5", "0.600 "}),
                               stage({"lowp", "2030 "}), stage({"highp", "2030 "}),
                               stage({"band", "2030", "3490 "}), main_command}));
  // The stand-in stages pass the sound on, so the file is complete once they have all ended.
  ASSERT_TRUE(wait_calls_ended(app, 6));
  EXPECT_EQ(run({"soxi", "-t", app.path("out.au")}), "au\n");
  EXPECT_EQ(run({"soxi", "-s", app.path("out.au")}), "1600\n");
}
