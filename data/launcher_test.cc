// Corvane started through the build tree's launcher, as `./build.sh run` starts it, and driven
// through its windows: the classic commands it writes must work on today's sox and player once
// the launcher has put the helpers first on PATH. CORVANE_LAUNCHER names another launcher to
// drive instead, such as the installed package's /usr/bin/corvane.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "data/test_launch.h"
#include "tests/e2e/harness.h"

namespace {

const std::string kSystemPath = "/usr/bin:/bin";

std::string launcher() {
  const char *other = getenv("CORVANE_LAUNCHER");
  return other && *other ? other : LAUNCHER;
}

// soxi's answer about file ("-D" the duration in seconds, "-t" the type, "-r" the rate), or ""
// when soxi fails; its complaints are left out, since it is asked while the file is written.
std::string soxi(const std::string &option, const std::string &file) {
  int status = -1;
  std::string out =
      run({"sh", "-c", "exec soxi \"$@\" 2>/dev/null", "soxi", option, file}, &status);
  if (status != 0) return "";
  while (!out.empty() && out.back() == '\n') out.pop_back();
  return out;
}

TEST(ThroughLauncher, ConvertWithEveryEffectWritesTheWholeSoundThenExitEndsWithZero) {
  App app;
  ASSERT_TRUE(start_launcher(app, launcher(), kSystemPath));
  ASSERT_TRUE(make_tone(app.path("tone.wav"), 1.0));
  fill_field(app.main, input_file, app.path("tone.wav"));
  fill_field(app.main, output_file, app.path("out.wav"));
  click(app.main, effects_button);
  Window effects = wait_window("Sound Effects");
  ASSERT_NE(effects, 0u);
  for (Box effect : {echo, vibrato, lowpass, highpass, bandpass}) click(effects, effect);
  click(app.main, convert_button);

  // The tone's second, then the echo's seven repeats at the default delay of 0.15 s: a shorter
  // file means a stage failed or the output was cut.
  const double expected = 1.0 + 7 * 0.15;
  std::string duration;
  bool done = wait_until(
      [&] {
        duration = soxi("-D", app.path("out.wav"));
        return children_of(app.pid).empty() && !duration.empty() &&
               std::fabs(std::atof(duration.c_str()) - expected) < 0.001;
      },
      20);
  EXPECT_TRUE(done) << "out.wav lasts \"" << duration << "\" s instead of " << expected
                    << " s, or Corvane still has children: " << children_of(app.pid).size();
  EXPECT_EQ(soxi("-t", app.path("out.wav")), "wav");
  EXPECT_EQ(soxi("-r", app.path("out.wav")), "8000");

  // The launcher execs the program, so the status its caller sees is the program's own.
  click(app.main, exit_button);
  ASSERT_TRUE(answer("Question", question_yes));
  ASSERT_TRUE(wait_exit(app)) << "still running after Yes";
  EXPECT_EQ(app.status, 0);
}

TEST(ThroughLauncher, PlayReachesThePlayerThroughTheDefaultCommand) {
  App app;
  ASSERT_TRUE(start_launcher(app, launcher(), kSystemPath));
  ASSERT_TRUE(make_tone(app.path("tone.wav"), 1.0));
  fill_field(app.main, input_file, app.path("tone.wav"));
  click(app.main, play_button);

  ASSERT_TRUE(wait_calls_ended(app, 1)) << "no player started";
  std::vector<Call> started = calls(app);
  ASSERT_EQ(started.size(), 1u);
  // `vplay -r -b 8` asks for unsigned bytes at 8000 Hz, mono, from standard input.
  EXPECT_EQ(started[0].argv,
            (std::vector<std::string>{"aplay", "-q", "-f", "U8", "-r", "8000", "-c", "1", "-"}));
  // One second of the tone at 8000 one-byte samples per second.
  EXPECT_EQ(read_file(app.path("played.raw")).size(), 8000u);
}

}  // namespace
