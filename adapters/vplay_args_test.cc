#include "adapters/vplay_args.h"

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "tests/support/test_run.h"

namespace {

using Args = std::vector<std::string>;

Args players(const Args &vplay) {
  PlayRequest r;
  std::string error;
  EXPECT_TRUE(parse_vplay(vplay, &r, &error)) << error;
  Args both = aplay_args(r), play = play_args(r);
  both.push_back("|");
  both.insert(both.end(), play.begin(), play.end());
  return both;
}

// The arguments the stand-in player was called with.
Args logged_args(const std::string &log) {
  Args words = read_argv_log(log);
  return words.empty() ? words : Args(words.begin() + 1, words.end());
}

std::string refusal(const Args &vplay) {
  PlayRequest r;
  std::string error;
  EXPECT_FALSE(parse_vplay(vplay, &r, &error));
  return error;
}

TEST(Vplay, MapsItsOptionsToAplayAndPlay) {
  EXPECT_EQ(players({"vplay", "-r", "-b", "8"}),
            (Args{"aplay", "-q", "-f", "U8", "-r", "8000", "-c", "1", "-", "|", "play", "-q", "-t",
                  "ub", "-r", "8000", "-c", "1", "-"}));
  EXPECT_EQ(
      players({"vplay", "-qS", "-s", "22.05", "-b16", "-t", "5", "-dvwa"}),
      (Args{"aplay", "-q", "-f", "S16_LE", "-r", "22050", "-c", "2", "-d", "5",    "-", "|", "play",
            "-q",    "-t", "sw", "-L",     "-r", "22050", "-c", "2", "-",  "trim", "0", "5"}));
  EXPECT_EQ(players({"vplay", "-s44100", "-b", "12", "a.wav", "b"}),
            (Args{"aplay", "-q",   "-f", "S16_LE", "-r", "44100", "-c", "1",     "a.wav", "b",
                  "|",     "play", "-q", "-t",     "sw", "-L",    "-r", "44100", "-c",    "1",
                  "a.wav", "-t",   "sw", "-L",     "-r", "44100", "-c", "1",     "b"}));
  EXPECT_EQ(refusal({"vplay", "-x"}), "unknown option -x");
  EXPECT_EQ(refusal({"vplay", "-b", "24"}), "bad value for -b: 24");
  EXPECT_EQ(refusal({"vplay", "-s", "fast"}), "bad value for -s: fast");
  EXPECT_EQ(refusal({"vplay", "-t"}), "option -t needs a value");
}

TEST(Vplay, BecomesAplayElsePlayElseFails) {
  std::string with_aplay = scratch_dir(), with_play = scratch_dir(), log = with_play + "/log";
  ASSERT_EQ(symlink(ARGV_LOG, (with_aplay + "/aplay").c_str()), 0);
  ASSERT_EQ(symlink(ARGV_LOG, (with_play + "/play").c_str()), 0);
  Args env = {"ARGV_LOG=" + log, "ARGV_LOG_STATUS=4"};

  env.push_back("PATH=" + with_play + ":" + with_aplay);
  EXPECT_EQ(run(LIBEXEC_DIR "/vplay", {"vplay", "-r", "-b", "8"}, env, "", "").status, 4);
  EXPECT_EQ(logged_args(log), (Args{"aplay", "-q", "-f", "U8", "-r", "8000", "-c", "1", "-"}));

  env.back() = "PATH=" + with_play;
  EXPECT_EQ(run(LIBEXEC_DIR "/vplay", {"vplay", "-S"}, env, "", "").status, 4);
  EXPECT_EQ(logged_args(log), (Args{"play", "-q", "-t", "ub", "-r", "8000", "-c", "2", "-"}));

  env.back() = "PATH=/nonexistent";
  Ran none = run(LIBEXEC_DIR "/vplay", {"vplay"}, env, "", "");
  EXPECT_EQ(none.status, 127);
  EXPECT_NE(none.err.find("neither aplay"), std::string::npos);
  Ran bad = run(LIBEXEC_DIR "/vplay", {"vplay", "-z"}, env, "", "");
  EXPECT_EQ(bad.status, 2);
  EXPECT_NE(bad.err.find("usage: vplay"), std::string::npos);
}

}  // namespace
