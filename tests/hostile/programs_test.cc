// Children that fail or misbehave, and buttons pressed far more often than anyone would: no
// crash, no hang, every child collected, no descriptor kept, and no signal for anyone but the
// program's own running child. (A player that does not exist, a sox that hangs during Convert and
// a sox that floods standard error are covered elsewhere; see tests/README.md.)
#include <gtest/gtest.h>

#include <signal.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "tests/hostile/hostile.h"

using Lines = std::vector<std::string>;

namespace {

const std::string terminated = "Player terminated, but music may continue until buffer is empty !";

Lines play_main(const std::string &input = "tone.wav") {
  return {"sox", "-v", "1.000", input, "-t", "ub", "-"};
}

int count(const Lines &lines, const std::string &line) {
  return static_cast<int>(std::count(lines.begin(), lines.end(), line));
}

// A started program that plays a tone of `seconds` through the stand-in player; `idle` is the
// number of descriptors it holds with nothing running.
bool start_playing(App &app, double seconds, int *idle, const std::vector<std::string> &env = {}) {
  if (!start_observed(app, env) || !make_tone(app.path("tone.wav"), seconds)) return false;
  fill_field(app.main, input_file, "tone.wav");
  fill_field(app.main, play_command, "test-player -q");
  if (!answers(app)) return false;
  *idle = open_descriptors(app.pid);
  return *idle > 0;
}

// A folder to serve as the whole search path: the player and what it runs, but no sox.
struct PathWithoutSox {
  std::string dir;
  PathWithoutSox() {
    char pattern[] = "/tmp/corvane-nosox-XXXXXX";
    dir = mkdtemp(pattern);
    std::filesystem::create_symlink(E2E_BIN "/test-player", dir + "/test-player");
    for (const char *tool : {"cat", "sleep"})
      std::filesystem::create_symlink(std::string("/bin/") + tool, dir + "/" + tool);
  }
  ~PathWithoutSox() { std::filesystem::remove_all(dir); }
};

}  // namespace

TEST(Programs, NoSoxOnTheSearchPath) {
  PathWithoutSox path;
  App app;
  int idle;
  ASSERT_TRUE(start_playing(app, 0.5, &idle, {"PATH=" + path.dir}));
  const std::string missing = "Error: cannot execute \"sox\": No such file or directory";

  fill_field(app.main, output_file, "out.wav");
  click(app.main, convert_button);
  EXPECT_TRUE(wait_console(app, missing));
  EXPECT_TRUE(answers(app)) << "Convert still waits";
  EXPECT_TRUE(wait_idle(app, idle));

  // Play: the player starts, gets no sound and ends.
  click(app.main, play_button);
  ASSERT_TRUE(wait_calls_ended(app, 1));
  EXPECT_EQ(calls(app)[0].argv, (Lines{"test-player", "-q"}));
  EXPECT_EQ(count(console(app), missing), 2);
  EXPECT_TRUE(wait_idle(app, idle));
  EXPECT_TRUE(answers(app));
}

TEST(Programs, APlayerThatEndsAtOnceEndsTheConverterQuietly) {
  App app;
  int idle;
  ASSERT_TRUE(start_playing(app, 10, &idle));
  fill_field(app.main, play_command, "true");
  click(app.main, play_button);
  ASSERT_TRUE(wait_calls_ended(app, 1));
  EXPECT_EQ(calls(app)[0].argv, play_main());
  EXPECT_TRUE(wait_idle(app, idle));
  // Ended by SIGPIPE, the converter says nothing (with SIGPIPE ignored it would complain).
  ASSERT_TRUE(answers(app));
  Lines lines = console(app);
  EXPECT_EQ(lines, (Lines{"Executing: true", "Executing: sox -v 1.000 tone.wav -t ub  -"}));
}

TEST(Programs, AKilledPlayerEndsEveryStageBeforeItBySigpipe) {
  App app;
  int idle;
  // 960 kB of sound: more than the pipes and the stages' buffers hold.
  ASSERT_TRUE(start_playing(app, 120, &idle, {"E2E_PLAYER_STALL=1"}));
  click(app.main, effects_button);
  Window effects = wait_window("Sound Effects");
  ASSERT_TRUE(effects);
  click(effects, echo);
  click(effects, lowpass);
  click(app.main, play_button);
  // The player, the echo and low-pass stages, the converter: everyone before the player blocks.
  ASSERT_TRUE(wait_until([&] { return calls(app).size() == 4; }));
  std::vector<Call> started = calls(app);
  for (size_t i = 1; i < 4; i++)
    ASSERT_TRUE(wait_blocked_on_pipe(started[i].pid)) << started[i].argv[0] << " " << i;

  ASSERT_EQ(kill(started[0].pid, SIGKILL), 0);
  for (const Call &call : started)
    EXPECT_TRUE(wait_until([&] { return process_ended(call.pid); })) << call.argv.back();
  EXPECT_TRUE(wait_idle(app, idle));
  ASSERT_TRUE(answers(app));
  std::string text = console_text(app);
  EXPECT_EQ(text.find("Broken pipe"), std::string::npos) << text;
  EXPECT_EQ(text.find("write error"), std::string::npos) << text;
}

TEST(Programs, StopPressedFiftyTimesEndsOnlyTheConverterOnce) {
  App app;
  int idle;
  ASSERT_TRUE(start_playing(app, 30, &idle, {"E2E_PLAYER_STALL=1"}));
  click(app.main, play_button);
  ASSERT_TRUE(wait_until([&] { return calls(app).size() == 2; }));
  pid_t player = calls(app)[0].pid, converter = calls(app)[1].pid;
  ASSERT_TRUE(wait_blocked_on_pipe(converter));

  for (int i = 0; i < 50; i++) click(app.main, stop_button);
  ASSERT_TRUE(answers(app));
  EXPECT_TRUE(wait_until([&] { return process_ended(converter); }));
  EXPECT_EQ(count(console(app), terminated), 1);
  // The player is the user's: it is left to play what it holds (this one never does).
  EXPECT_FALSE(process_ended(player));
  EXPECT_TRUE(wait_until([&] { return children_of(app.pid) == std::vector<pid_t>{player}; }));
  EXPECT_EQ(zombies_of(app.pid), 0);
}

TEST(Programs, PlayPressedAHundredTimesLeavesNothingBehind) {
  App app;
  int idle;
  ASSERT_TRUE(start_playing(app, 0.2, &idle));
  for (int i = 0; i < 100; i++) click(app.main, play_button);
  ASSERT_TRUE(answers(app));
  // Each Play starts a player and a converter; the players drain what they got and end.
  ASSERT_TRUE(wait_calls_ended(app, 200, 60));
  EXPECT_EQ(calls(app).size(), 200u);
  EXPECT_TRUE(wait_idle(app, idle, 30))
      << children_of(app.pid).size() << " children, " << open_descriptors(app.pid)
      << " descriptors, idle " << idle;
  EXPECT_EQ(console_text(app).find("Error"), std::string::npos);
  EXPECT_TRUE(answers(app));
}
