#include "adapters/classic.h"

#include <gtest/gtest.h>

#include "tests/support/test_run.h"

namespace {

const std::string kStage = "sox -t wav - -t wav - ";  // a converter stage as Corvane writes it

TEST(ClassicEffectAt, FindsOnlyClassicOneEffectCommands) {
  for (const char *effect : {"echo 0.150 0.500 ", "vibro 5 ", "vibro 5 0.6", "lowp 2030 ",
                             "highp 2030", "band 2030 ", "band -n 2030 3490 "})
    EXPECT_EQ(classic_effect_at(words(kStage + effect)), 7u) << effect;
  // The modern echo has four or more numbers; other words and non-numbers are not classic.
  for (const char *effect :
       {"echo 1 1 150 0.5 ", "echo 0.150", "echo -n 1 2", "vibro 1 2 3", "vibro -n 5",
        "lowp 2030 3000", "lowp 2k", "highp -n 2030", "band 1 2 3", "lowpass -1 2030"})
    EXPECT_EQ(classic_effect_at(words(kStage + effect)), 0u) << effect;
  // The program, an input and an output come first: a file named like an effect is still a file.
  for (const char *command : {"sox -v 1.000 in.wav -t au  -", "sox in band -n 1", "sox 1", ""})
    EXPECT_EQ(classic_effect_at(words(command)), 0u) << command;
  EXPECT_EQ(classic_effect_at(words("sox in out band -n 1")), 3u);
  EXPECT_FALSE(needs_rate("vibro"));  // tremolo has no rate-dependent limit
  EXPECT_TRUE(needs_rate("band"));
}

// How the echo rewrite sounds is measured in sox_main_test.cc; these are the limits around it.
TEST(ModernEffect, KeepsWithinWhatTodaysSoxAccepts) {
  const struct {
    std::string classic;
    double rate;
    std::string modern;  // the start of the rewritten effect
  } cases[] = {
      {"echo 0.150 0.000 ", 8000, "vol 1"},
      {"echo 0.000 0.500", 8000, "echo 1 0.501960784 1 0.5 2 0.25"},
      // At 96 kHz today's echo holds 26.6 s: only the repeats at 10 and 20 s fit; decay at most 1.
      {"echo 10.000 1.500", 96000, "echo 1 0.333333333 10000 1 20000 1"},
      {"echo 40.000 0.500", 96000, "echo 1 0.666666667 26656.25 0.5"},
      {"vibro 5 ", 0, "tremolo 5 50"},
      {"vibro 0 1.2", 0, "tremolo 0.001 100"},
      {"vibro 45 0.6", 0, "tremolo 30 60"},
      {"vibro 5 0.000", 0, "vol 1"},
      {"lowp 6000 ", 0, "lowpass -1 6000"},  // rate unknown: left to sox
      {"lowp 6000 ", 8000, "lowpass -1 3999"},
      {"highp 6000 ", 3, "highpass -1 0.5"},
      {"lowp 0 ", 8000, "vol 0"},
      {"highp 0 ", 8000, "vol 1"},
      {"band -n 2031 ", 0, "band -n 2031 1015.5"},
      {"band 0 3490", 8000, "band 0.001 3490"},
      {"band 6000 3490", 8000, "band 3999 3490"},
      {"band 2030 0 ", 8000, "vol 0"},
  };
  for (const auto &c : cases) {
    Args modern = with_modern_effect(words(kStage + c.classic), 7, c.rate);
    modern.resize(std::min(modern.size(), words(kStage + c.modern).size()));
    EXPECT_EQ(modern, words(kStage + c.modern)) << c.classic << " at " << c.rate;
  }
}

}  // namespace
