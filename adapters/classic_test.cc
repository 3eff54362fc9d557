#include "adapters/classic.h"

#include <gtest/gtest.h>

#include "tests/support/test_run.h"

static const std::string kStage = "sox -t wav - -t wav - ";  // a stage as Corvane writes it

TEST(ClassicEffectAt, FindsOnlyClassicOneEffectCommands) {
  for (const char *effect : {"echo 0.150 0.500 ", "vibro 5 ", "vibro 5 0.6", "lowp 2030 ",
                             "highp 2030", "band 2030 ", "band -n 2030 3490 "})
    EXPECT_EQ(classic_effect_at(words(kStage + effect)), 7u) << effect;
  // The modern echo takes four numbers or more; a file named like an effect is still a file.
  for (const char *effect :
       {"echo 1 1 150 0.5 ", "echo 0.150", "echo -n 1 2", "vibro 1 2 3", "vibro -n 5",
        "lowp 2030 3000", "lowp 2k", "highp -n 2030", "band 1 2 3", "lowpass -1 2030"})
    EXPECT_EQ(classic_effect_at(words(kStage + effect)), 0u) << effect;
  for (const char *command : {"sox -v 1.000 in.wav -t au  -", "sox in band -n 1", "sox 1", ""})
    EXPECT_EQ(classic_effect_at(words(command)), 0u) << command;
  EXPECT_EQ(classic_effect_at(words("sox in out band -n 1")), 3u);
  EXPECT_FALSE(needs_rate("vibro"));  // tremolo has no rate-dependent limit
  EXPECT_TRUE(needs_rate("band"));
}

// Each row: classic effect > the start of the rewrite, at the input rate (0: unknown).
TEST(ModernEffect, KeepsWithinWhatTodaysSoxAccepts) {
  const std::pair<double, std::vector<std::string>> cases[] = {
      {0,
       {"vibro 5  > tremolo 5 50", "vibro 0 1.2 > tremolo 0.001 100",
        "vibro 45 0.6 > tremolo 30 60", "vibro 5 0.000 > vol 1", "lowp 6000  > lowpass -1 6000",
        "band -n 2031  > band -n 2031 1015.5"}},
      {3, {"highp 6000  > highpass -1 0.5"}},
      {8000,
       {"echo 0.150 0.000  > vol 1", "echo 0.000 0.500 > echo 1 0.501960784 1 0.5 2 0.25",
        "lowp 6000  > lowpass -1 3999", "lowp 0  > vol 0", "highp 0  > vol 1",
        "band 0 3490 > band 0.001 3490", "band 6000 3490 > band 3999 3490",
        "band 2030 0  > vol 0"}},
      // Today's echo holds 26.6 s at 96 kHz: only the repeats at 10 and 20 s fit; decay at most 1.
      {96000,
       {"echo 10.000 1.500 > echo 1 0.333333333 10000 1 20000 1",
        "echo 40.000 0.500 > echo 1 0.666666667 26656.25 0.5"}}};
  for (const auto &[rate, rows] : cases) {
    for (const std::string &row : rows) {
      size_t to = row.find(" > ");
      Args modern = with_modern_effect(words(kStage + row.substr(0, to)), 7, rate);
      Args expected = words(kStage + row.substr(to + 3));
      modern.resize(std::min(modern.size(), expected.size()));
      EXPECT_EQ(modern, expected) << row << " at " << rate;
    }
  }
}
