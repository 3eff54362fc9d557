#include "adapters/input_rate.h"

#include <unistd.h>

#include <fstream>

#include <gtest/gtest.h>

#include "tests/support/test_run.h"

// A short tone written by sox itself, of the type its name ends in, with the output options.
static std::string tone(const std::string &type, int rate, const std::string &options = "") {
  std::string path = scratch_dir() + "/tone." + type;
  Ran made = run(
      REAL_SOX_DIR "/sox",
      words("sox -n -r " + std::to_string(rate) + " " + options + path + " synth 0.01 sine 1"), {});
  EXPECT_EQ(made.status, 0) << made.err;
  return path;
}

TEST(InputRate, FromTheRateOptionTheTypeOrTheHeader) {
  for (const char *type : {"au", "wav", "aiff", "aifc", "sf", "dat", "hcom"})
    EXPECT_EQ(input_rate({"sox", "-V3", tone(type, 11025), "-t", "au", "-"}), 11025) << type;
  // Little-endian au: as sox -L writes it, and with the reversed Sun magic.
  EXPECT_EQ(input_rate({"sox", tone("au", 22050, "-L "), "-t", "au", "-"}), 22050);
  std::string reversed = scratch_dir() + "/reversed.au";
  std::ofstream(reversed) << std::string("dns.\x18\0\0\0\0\0\0\0\2\0\0\0\x40\x1f\0\0\1\0\0\0", 24);
  EXPECT_EQ(input_rate({"sox", reversed, "-t", "au", "-"}), 8000);
  const std::pair<double, std::vector<std::string>> cases[] = {
      {11025, {"sox -r 11.025k -t wav - -t wav -"}},
      {16000, {"sox --rate=16000 -c 2 - -t wav -"}},
      {44100, {"sox -t cdr - -t wav -"}},
      {8000,
       {"sox --type=ub - -r 44100 -t wav -", "sox -tsw - -t wav -", "sox /tmp/x.y/in.sw -t au -",
        "sox --comment -r --type U8 - -t wav -", "sox -t ub " + tone("wav", 22050) + " -t au -"}},
      {0, {"sox -r 0 -t wav - -t wav -", "sox /tmp/x.y/in -t au -", "sox -n -t au -"}}};
  for (const auto &[rate, commands] : cases)
    for (const std::string &command : commands)
      EXPECT_EQ(input_rate(words(command)), rate) << command;

  // From a pipe on standard input, the header is left there for sox to read.
  int saved = dup(0), fds[2];
  ASSERT_EQ(pipe(fds), 0);
  std::string head = read_file(tone("au", 12000)).substr(0, 200);
  ASSERT_EQ(write(fds[1], head.data(), head.size()), ssize_t(head.size()));
  dup2(fds[0], 0);
  EXPECT_EQ(input_rate(words("sox -t au - -t au -")), 12000);
  EXPECT_EQ(read(0, &head[0], head.size()), ssize_t(head.size()));
  dup2(saved, 0);
  for (int fd : {saved, fds[0], fds[1]}) close(fd);
}
