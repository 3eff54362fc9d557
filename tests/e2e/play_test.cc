// Play and Stop with a stand-in player: what the player receives, which process a second Play or
// Stop ends, and that Stop with nothing running changes nothing.
#include <gtest/gtest.h>

#include "tests/e2e/harness.h"

using Argv = std::vector<std::string>;

static const Argv play_main = {"sox", "-v", "1.000", "tone.wav", "-t", "ub", "-"};

// A started program with a tone of `seconds` as input and the stand-in player as play command.
static bool start_playing(App &app, double seconds, const std::vector<std::string> &env = {}) {
  if (!start(app, env) || !make_tone(app.path("tone.wav"), seconds)) return false;
  fill_field(app.main, input_file, "tone.wav");
  fill_field(app.main, play_command, "test-player -q");
  return true;
}

TEST(Play, SendsUnsignedBytesToThePlayerAndLeavesTheTypeOnThem) {
  App app;
  ASSERT_TRUE(start_playing(app, 0.5));
  click(app.main, play_button);
  ASSERT_TRUE(wait_calls_ended(app, 2)) << "player and converter did not both run and end";
  std::vector<Call> started = calls(app);
  EXPECT_EQ(started[0].argv, (Argv{"test-player", "-q"}));  // the player starts first
  EXPECT_EQ(started[1].argv, play_main);
  // What sox itself makes of the tone as unsigned bytes, 4000 bytes for half a second; each side
  // adds its own random dither of up to one step.
  std::string played = read_file(app.path("played.raw"));
  std::string expected = run({"sox", app.path("tone.wav"), "-t", "ub", "-"});
  ASSERT_EQ(played.size(), 4000u);
  ASSERT_EQ(expected.size(), 4000u);
  for (size_t i = 0; i < played.size(); i++)
    ASSERT_LE(abs(static_cast<unsigned char>(played[i]) - static_cast<unsigned char>(expected[i])),
              2)
        << "byte " << i;

  // The type choice now shows " Unsigned Byte (ub) ", so a Convert writes unsigned bytes too.
  fill_field(app.main, output_file, "out.wav");
  click(app.main, convert_button);
  ASSERT_TRUE(wait_calls_ended(app, 3));
  EXPECT_EQ(calls(app)[2].argv, (Argv{"sox", "-v", "1.000", "tone.wav", "-t", "ub", "-"}));
}

TEST(Play, UsesTheDefaultPlayCommandUntilTheUserChangesIt) {
  App app;
  ASSERT_TRUE(start(app) && make_tone(app.path("tone.wav"), 0.2));
  fill_field(app.main, input_file, "tone.wav");
  click(app.main, play_button);  // bin/vplay is the stand-in player under that name
  ASSERT_TRUE(wait_calls_ended(app, 2));
  EXPECT_EQ(calls(app)[0].argv, (Argv{"vplay", "-r", "-b", "8"}));
  EXPECT_EQ(read_file(app.path("played.raw")).size(), 1600u);
}

TEST(Play, WithoutInputAlertsAndStartsNothing) {
  App app;
  ASSERT_TRUE(start(app));
  click(app.main, play_button);
  ASSERT_TRUE(answer("Alert", alert_dismiss)) << "no alert for the missing input name";
  ASSERT_TRUE(answers(app));
  EXPECT_TRUE(calls(app).empty()) << "started " << calls(app)[0].argv[0];
}

// With a player that never reads, a tone longer than a pipe holds keeps the converter writing.
static const std::vector<std::string> stalled = {"E2E_PLAYER_STALL=1"};
constexpr double long_tone = 10;  // 80000 bytes as unsigned bytes at 8000 Hz

TEST(Play, ASecondPlayEndsTheFirstConverterButNotItsPlayer) {
  App app;
  ASSERT_TRUE(start_playing(app, long_tone, stalled));
  click(app.main, play_button);
  ASSERT_TRUE(wait_until([&] { return calls(app).size() == 2; }));
  Call first_player = calls(app)[0], first_converter = calls(app)[1];
  ASSERT_EQ(first_converter.argv, play_main);
  ASSERT_TRUE(wait_blocked_on_pipe(first_converter.pid)) << "the first converter is not held up";

  click(app.main, play_button);
  ASSERT_TRUE(wait_until([&] { return calls(app).size() == 4; })) << "the second Play started";
  EXPECT_TRUE(wait_until([&] { return process_ended(first_converter.pid); }))
      << "the first run's converter is still running";
  EXPECT_FALSE(process_ended(first_player.pid)) << "the player should be left to play out";
  EXPECT_EQ(calls(app)[3].argv, play_main);
}

TEST(Stop, EndsThePlayingConverter) {
  App app;
  ASSERT_TRUE(start_playing(app, long_tone, stalled));
  click(app.main, play_button);
  ASSERT_TRUE(wait_until([&] { return calls(app).size() == 2; }));
  pid_t converter = calls(app)[1].pid;
  ASSERT_TRUE(wait_blocked_on_pipe(converter)) << "the converter is not held up";
  ASSERT_TRUE(answers(app));  // the console has shown the start by now
  std::vector<unsigned long> console = pixels(app.main, console_area);
  click(app.main, stop_button);
  EXPECT_TRUE(wait_until([&] { return process_ended(converter); }))
      << "Stop left the converter running";
  EXPECT_TRUE(wait_until([&] { return pixels(app.main, console_area) != console; }))
      << "Stop said nothing on the console";
}

TEST(Stop, WithNothingRunningShowsNothingAndBreaksNothing) {
  App app;
  ASSERT_TRUE(start_playing(app, 0.2));
  for (int round = 0; round < 2; round++) {
    ASSERT_TRUE(answers(app));  // whatever was under way has been shown
    std::vector<unsigned long> console = pixels(app.main, console_area);
    click(app.main, stop_button);
    ASSERT_TRUE(answers(app));
    EXPECT_FALSE(wait_window("Alert", 0));
    EXPECT_TRUE(pixels(app.main, console_area) == console) << "the console changed";
    // Convert still works, and a Stop after it has finished is just as quiet.
    fill_field(app.main, output_file, "out.au");
    click(app.main, convert_button);
    ASSERT_TRUE(wait_calls_ended(app, round + 1));
    EXPECT_EQ(run({"soxi", "-s", app.path("out.au")}), "1600\n");
  }
}
