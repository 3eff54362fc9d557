#include "adapters/header_rate.h"

#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "adapters/input_rate.h"
#include "adapters/peek.h"
#include "tests/support/test_run.h"

namespace {

const std::vector<std::string> kEnv = {"PATH=" REAL_SOX_DIR};

// A short tone of the given type written by sox itself.
std::string tone_file(const std::string &dir, const std::string &type, int rate) {
  std::string path = dir + "/tone." + type;
  Ran made = run(
      REAL_SOX_DIR "/sox",
      {"sox", "-n", "-r", std::to_string(rate), "-t", type, path, "synth", "0.01", "sine", "440"},
      kEnv, "", "");
  EXPECT_EQ(made.status, 0) << made.err;
  return path;
}

TEST(HeaderRate, ReadsTheRateSoxWrites) {
  std::string dir = scratch_dir();
  for (const char *type : {"au", "wav", "aiff", "aifc", "sf", "dat", "hcom"}) {
    for (int rate : {11025, 22050}) {
      std::string head = read_file(tone_file(dir, type, rate)).substr(0, 4096);
      EXPECT_EQ(header_rate(head), rate) << type;
      EXPECT_EQ(header_rate(head.substr(0, 6)), 0) << type << " cut short";
    }
  }
  EXPECT_EQ(header_rate(read_file(tone_file(dir, "ub", 11025))), 0);
}

TEST(PeekStart, LeavesTheDataUnread) {
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  ASSERT_EQ(write(fds[1], "RIFF1234WAVE", 12), 12);
  close(fds[1]);
  EXPECT_EQ(peek_start(fds[0], 8), "RIFF1234");
  EXPECT_EQ(peek_start(fds[0], 100), "RIFF1234WAVE");
  char buf[32];
  EXPECT_EQ(read(fds[0], buf, sizeof buf), 12);
  EXPECT_EQ(peek_start(fds[0], 100), "");  // end of input
  close(fds[0]);

  std::string path = tone_file(scratch_dir(), "au", 8000);
  int fd = open(path.c_str(), O_RDONLY);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(read(fd, buf, 4), 4);
  EXPECT_EQ(peek_start(fd, 4), read_file(path).substr(4, 4));  // from where reading stands
  EXPECT_EQ(read(fd, buf, 4), 4);
  EXPECT_EQ(std::string(buf, 4), read_file(path).substr(4, 4));
  close(fd);
}

TEST(InputRate, FromTheRateOptionTheTypeOrTheHeader) {
  std::string wav = tone_file(scratch_dir(), "wav", 22050);
  EXPECT_EQ(input_rate({"sox", "-r", "11.025k", "-t", "wav", "-", "-t", "wav", "-"}), 11025);
  EXPECT_EQ(input_rate({"sox", "--type=ub", "-", "-r", "44100", "-t", "wav", "-"}), 8000);
  EXPECT_EQ(input_rate({"sox", "-V3", "-tsw", "-", "-t", "wav", "-"}), 8000);
  EXPECT_EQ(input_rate({"sox", "-t", "cdr", "-", "-t", "wav", "-"}), 44100);
  EXPECT_EQ(input_rate({"sox", "-v", "0.5", wav, "-t", "au", "-"}), 22050);
  EXPECT_EQ(input_rate({"sox", "-t", "ub", wav, "-t", "au", "-"}), 8000);  // -t wins
  EXPECT_EQ(input_rate({"sox", "/nonexistent/in.wav", "-t", "au", "-"}), 0);
}

}  // namespace
