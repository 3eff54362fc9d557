#include "process/split_args.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <string>
#include <vector>

TEST(SplitArgs, OnlyTheBlankSeparates) {
  using Words = std::vector<std::string>;
  const std::pair<std::string, Words> rows[] = {
      {"vplay -r -b 8", {"vplay", "-r", "-b", "8"}},
      {"sox   -v 1.0  -", {"sox", "-v", "1.0", "-"}},  // a run of blanks is one separator
      {"a\tb c\nd", {"a\tb", "c\nd"}},
      {"sox - echo 0.8 0.4 ", {"sox", "-", "echo", "0.8", "0.4 "}},  // the last word keeps them
      {" vplay -r", {"", "vplay", "-r"}},                            // no program name
      {"", {""}},
      {"   ", {"   "}},
  };
  for (const auto &[command, expected] : rows) {
    std::string text = command;  // split in place
    char **argv = split_args(text.data());
    Words words;
    for (char **word = argv; *word; word++) words.push_back(*word);
    free(argv);
    EXPECT_EQ(words, expected) << "'" << command << "'";
  }
}
