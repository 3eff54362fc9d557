#include "process/split_args.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

TEST(SplitArgs, OnlyTheBlankSeparates) {
  using Words = std::vector<std::string>;
  const struct {
    const char *command;
    Words words;
  } rows[] = {
      {"vplay -r -b 8", {"vplay", "-r", "-b", "8"}},
      {"sox   -v 1.0  -", {"sox", "-v", "1.0", "-"}},  // a run of blanks is one separator
      {"a\tb c\nd", {"a\tb", "c\nd"}},
      {"sox - echo 0.8 0.4 ", {"sox", "-", "echo", "0.8", "0.4 "}},  // the last word keeps them
      {" vplay -r", {"", "vplay", "-r"}},                            // no program name
      {"", {""}},
      {"   ", {"   "}},
  };
  for (const auto &row : rows) {
    char buf[100];
    char **argv = split_args(strcpy(buf, row.command));
    Words words;
    for (char **word = argv; *word; word++) words.push_back(*word);
    free(argv);
    EXPECT_EQ(words, row.words) << "'" << row.command << "'";
  }
}
