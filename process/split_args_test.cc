#include "process/split_args.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

namespace {

using Words = std::vector<std::string>;

Words split(const char *command) {
  char buf[1000];
  strcpy(buf, command);
  char **argv = split_args(buf);
  Words words;
  for (char **w = argv; *w; w++) {
    EXPECT_TRUE(*w >= buf && *w < buf + sizeof buf) << "words must point into the command";
    words.push_back(*w);
  }
  free(argv);
  return words;
}

TEST(SplitArgs, BlanksSeparateWords) {
  EXPECT_EQ(split("vplay -r -b 8"), (Words{"vplay", "-r", "-b", "8"}));
  EXPECT_EQ(split("sox   -v 1.0  -"), (Words{"sox", "-v", "1.0", "-"}));
  EXPECT_EQ(split("play My Song.wav"), (Words{"play", "My", "Song.wav"}));
}

TEST(SplitArgs, OnlyTheBlankSeparates) {
  EXPECT_EQ(split("a\tb c\nd"), (Words{"a\tb", "c\nd"}));
}

TEST(SplitArgs, LastWordKeepsTrailingBlanks) {
  EXPECT_EQ(split("sox -t ub - -t ub - echo 0.8 0.88 60 0.4 "),
            (Words{"sox", "-t", "ub", "-", "-t", "ub", "-", "echo", "0.8", "0.88", "60", "0.4 "}));
  EXPECT_EQ(split("x  y   "), (Words{"x", "y   "}));
}

TEST(SplitArgs, LeadingBlankMakesEmptyProgramName) {
  EXPECT_EQ(split(" vplay -r"), (Words{"", "vplay", "-r"}));
  EXPECT_EQ(split("   x"), (Words{"", "x"}));
}

TEST(SplitArgs, DegenerateStringsGiveOneWord) {
  EXPECT_EQ(split(""), (Words{""}));
  EXPECT_EQ(split("   "), (Words{"   "}));
  EXPECT_EQ(split("sox"), (Words{"sox"}));
}

}  // namespace
