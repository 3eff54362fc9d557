#include "adapters/vplay_args.h"

#include <unistd.h>

#include <gtest/gtest.h>

#include "tests/support/test_run.h"

// The aplay command, "|" and the play command for a vplay command line; or its refusal.
static Args players(const std::string &vplay) {
  PlayRequest r;
  std::string error;
  if (!parse_vplay(words(vplay), &r, &error)) return words(error);
  Args both = aplay_args(r), play = play_args(r);
  both.push_back("|");
  both.insert(both.end(), play.begin(), play.end());
  return both;
}

TEST(Vplay, MapsItsOptionsToAplayAndPlay) {
  const std::pair<std::string, std::string> cases[] = {
      {"vplay -r -b 8 in -b",
       "aplay -q -f U8 -r 8000 -c 1 in -b | play -q -t ub -r 8000 -c 1 in "
       "-t ub -r 8000 -c 1 -b"},
      {"vplay -qS -s 22.05 -b16 -t 5 -dvwa",
       "aplay -q -f S16_LE -r 22050 -c 2 -d 5 - | play -q -t sw -L -r 22050 -c 2 - trim 0 5"},
      {"vplay -s300 -b 12 -t0 -- -a.wav b",
       "aplay -q -f S16_LE -r 300 -c 1 -a.wav b | "
       "play -q -t sw -L -r 300 -c 1 -a.wav -t sw -L -r 300 -c 1 b"},
      {"vplay -x", "unknown option -x"},
      {"vplay -b 24", "bad value for -b: 24"},
      {"vplay -s fast", "bad value for -s: fast"},
      {"vplay -s 0", "bad value for -s: 0"},
      {"vplay -s 8000x", "bad value for -s: 8000x"},
      {"vplay -s 22k", "bad value for -s: 22k"},
      {"vplay -t -1", "bad value for -t: -1"},
      {"vplay -t", "option -t needs a value"}};
  for (const auto &[vplay, expected] : cases) EXPECT_EQ(players(vplay), words(expected)) << vplay;
}

TEST(Vplay, BecomesAplayElsePlayElseFails) {
  std::string aplay_dir = scratch_dir(), play_dir = scratch_dir(), log = play_dir + "/log";
  ASSERT_EQ(symlink(ARGV_LOG, (aplay_dir + "/aplay").c_str()), 0);
  ASSERT_EQ(symlink(ARGV_LOG, (play_dir + "/play").c_str()), 0);
  // PATH, the vplay command, its status, and the player's command line or the start of vplay's
  // complaint.
  for (const auto &[path, vplay, status, said] :
       {std::tuple<std::string, std::string, int, std::string>{
            play_dir + ":" + aplay_dir, "vplay -b 8", 4, "aplay -q -f U8 -r 8000 -c 1 - "},
        {play_dir, "vplay -S", 4, "play -q -t ub -r 8000 -c 2 - "},
        {"/nonexistent", "vplay", 127, "vplay: neither aplay"},
        {play_dir, "vplay -z", 2, "vplay: unknown option -z\nusage: vplay"}}) {
    Ran ran = run(LIBEXEC_DIR "/vplay", words(vplay),
                  {"PATH=" + path, "ARGV_LOG=" + log, "ARGV_LOG_STATUS=4"});
    EXPECT_EQ(ran.status, status) << vplay;
    EXPECT_EQ(status == 4 ? argv_logged(log) : ran.err.substr(0, said.size()), said);
  }
}
