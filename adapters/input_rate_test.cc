// The input's sample rate: from its options, its type, or its header peeked at without reading it.
#include "adapters/input_rate.h"

#include <unistd.h>

#include <gtest/gtest.h>

#include "tests/support/test_run.h"

namespace {

// A short tone written by sox itself, of the type its name ends in.
std::string tone_file(const std::string &type, int rate) {
  std::string path = scratch_dir() + "/tone." + type;
  Ran made =
      run(REAL_SOX_DIR "/sox",
          words("sox -n -r " + std::to_string(rate) + " " + path + " synth 0.01 sine 440"), {});
  EXPECT_EQ(made.status, 0) << made.err;
  return path;
}

TEST(InputRate, FromTheRateOptionTheTypeOrTheHeader) {
  for (const char *type : {"au", "wav", "aiff", "aifc", "sf", "dat", "hcom"})
    EXPECT_EQ(input_rate({"sox", "-V3", tone_file(type, 11025), "-t", "au", "-"}), 11025) << type;
  const struct {
    std::string command;
    double rate;
  } cases[] = {
      {"sox -r 11.025k -t wav - -t wav -", 11025},
      {"sox --rate=16000 -c 2 - -t wav -", 16000},
      {"sox -r 0 -t wav - -t wav -", 0},
      {"sox --type=ub - -r 44100 -t wav -", 8000},
      {"sox -tsw - -t wav -", 8000},
      {"sox -t cdr - -t wav -", 44100},
      {"sox --comment -r --type U8 - -t wav -", 8000},
      {"sox -t ub " + tone_file("wav", 22050) + " -t au -", 8000},  // -t wins over the header
      {"sox /tmp/x.y/in.sw -t au -", 8000},
      {"sox /tmp/x.y/in -t au -", 0},
      {"sox -n -t au -", 0},
  };
  for (const auto &c : cases) EXPECT_EQ(input_rate(words(c.command)), c.rate) << c.command;

  // Standard input: a pipe that holds the header, which must still be there for sox to read.
  int saved = dup(0), fds[2];
  ASSERT_EQ(pipe(fds), 0);
  std::string head = read_file(tone_file("au", 12000)).substr(0, 200);
  ASSERT_EQ(write(fds[1], head.data(), head.size()), ssize_t(head.size()));
  dup2(fds[0], 0);
  EXPECT_EQ(input_rate(words("sox -t au - -t au -")), 12000);
  EXPECT_EQ(read(0, &head[0], head.size()), ssize_t(head.size()));
  dup2(saved, 0);
  for (int fd : {saved, fds[0], fds[1]}) close(fd);
}

}  // namespace
