// The sox adapter as a program: what reaches the next real sox on PATH, and how the rewritten
// echo sounds through it.
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <fstream>

#include <gtest/gtest.h>

#include "tests/support/test_run.h"

static const std::string kAdapter = LIBEXEC_DIR "/sox";

TEST(SoxAdapter, HandsOtherCommandsToTheNextRealSoxNeverToItself) {
  // Before the stand-in sox that records its calls, PATH holds the adapter again under other
  // names and entries that cannot be a sox program.
  std::string top = scratch_dir(), log = top + "/log", path = "PATH=:relative";
  for (const char *d : {"/plain", "/dir", "/dir/sox", "/link", "/hard", "/copy", "/real"})
    mkdir((top + d).c_str(), 0755);
  std::ofstream(top + "/plain/sox") << "not executable";
  std::ofstream(top + "/copy/sox", std::ios::binary) << read_file(kAdapter);
  ASSERT_EQ(chmod((top + "/copy/sox").c_str(), 0755), 0);
  ASSERT_EQ(symlink(kAdapter.c_str(), (top + "/link/sox").c_str()), 0);
  ASSERT_EQ(link(kAdapter.c_str(), (top + "/hard/sox").c_str()), 0);
  ASSERT_EQ(symlink(ARGV_LOG, (top + "/real/sox").c_str()), 0);
  for (const char *d : {"/plain", "/dir", "/link", "", "/hard", "/copy", "/link"})
    path += ":" + (*d ? top + d : LIBEXEC_DIR);
  for (const char *command : {"sox -v 1.000 in.wav -t au  -", "sox -n - echo 1 1 150 0.5 ",
                              "called-so -n -t wav - lowp 2030 x"}) {
    Ran ran = run(top + "/link/sox", words(command),
                  {path + ":" + top + "/real", "ARGV_LOG=" + log, "ARGV_LOG_STATUS=3"});
    EXPECT_EQ(ran.status, 3)
        << ran.err;  // the real sox's status, and its name: sox picks its mode by it
    EXPECT_EQ(argv_logged(log), "sox" + std::string(strchr(command, ' ')) + " ");
  }
  Ran missing = run(top + "/link/sox", {"sox", "-n", "-n"}, {path});
  EXPECT_EQ(missing.status, 127);
  EXPECT_NE(missing.err.find("no sox program found on PATH"), std::string::npos) << missing.err;
}

// One click, then silence: the classic echo repeats it every delay at each power of the volume.
TEST(SoxAdapter, EchoSoundsLikeTheClassicFeedbackEcho) {
  std::string dir = scratch_dir(), click(2 * 1600, '\0');
  click[2 * 400 + 1] = 0x40;  // 0.5 at 0.05 s (16-bit little-endian samples at 8 kHz)
  std::ofstream(dir + "/in.sw", std::ios::binary) << click;
  Ran ran = run(kAdapter, words("sox -t sw - -t sw - echo 0.150 0.500 "),
                {"PATH=" LIBEXEC_DIR ":" REAL_SOX_DIR}, dir + "/in.sw", dir + "/out.sw");
  ASSERT_EQ(ran.status, 0) << ran.err;
  std::string out = read_file(dir + "/out.sw");
  auto at = [&](size_t i) { return int16_t(uint8_t(out[2 * i]) | uint8_t(out[2 * i + 1]) << 8); };
  ASSERT_EQ(out.size(), click.size() + 2 * 7 * 1200);  // rings out for seven repeats
  EXPECT_NEAR(at(400), 16384 / 1.9921875, 2);          // gain-out 1 / (1 + 0.5 + ... + 0.5^7)
  for (int k = 1; k <= 7; ++k)
    EXPECT_NEAR(at(400 + 1200 * k), at(400) * std::pow(0.5, k), 2) << "repeat " << k;
}
