#include "adapters/classic.h"

#include <gtest/gtest.h>

namespace {

using Args = std::vector<std::string>;

Args stage(const Args &effect) {
  Args a = {"sox", "-t", "wav", "-", "-t", "wav", "-"};
  a.insert(a.end(), effect.begin(), effect.end());
  return a;
}

// The effect part of the rewritten stage.
Args modern(const Args &effect, double rate) {
  Args a = stage(effect);
  size_t at = classic_effect_at(a);
  EXPECT_EQ(at, 7u) << effect[0];
  if (at != 7) return {};
  Args out = with_modern_effect(a, at, rate);
  EXPECT_EQ(Args(out.begin(), out.begin() + 7), Args(a.begin(), a.begin() + 7));
  return Args(out.begin() + 7, out.end());
}

TEST(ClassicEffectAt, FindsOnlyClassicOneEffectCommands) {
  EXPECT_EQ(classic_effect_at(stage({"band", "-n", "2030", "3490 "})), 7u);
  EXPECT_EQ(classic_effect_at(stage({"vibro", "5 "})), 7u);
  // The modern echo has four or more numbers; other words and non-numbers are not classic.
  EXPECT_EQ(classic_effect_at(stage({"echo", "1", "1", "150", "0.5 "})), 0u);
  EXPECT_EQ(classic_effect_at(stage({"echo", "0.150"})), 0u);
  EXPECT_EQ(classic_effect_at(stage({"lowp", "2030", "3000"})), 0u);
  EXPECT_EQ(classic_effect_at(stage({"lowp", "2k"})), 0u);
  EXPECT_EQ(classic_effect_at(stage({"lowpass", "-1", "2030"})), 0u);
  EXPECT_EQ(classic_effect_at(stage({"vibro", "-n", "5"})), 0u);
  EXPECT_EQ(classic_effect_at({"sox", "-v", "1.000", "in.wav", "-t", "au", "", "-"}), 0u);
  // A file named like an effect is still a file.
  EXPECT_EQ(classic_effect_at({"sox", "lowp", "300"}), 0u);
  EXPECT_EQ(classic_effect_at({"sox"}), 0u);
  EXPECT_EQ(classic_effect_at({}), 0u);
}

// The sound of each rewrite is measured in effects_test.cc; these are the limits around it.
TEST(ModernEffect, KeepsWithinWhatTodaysSoxAccepts) {
  EXPECT_EQ(modern({"echo", "0.100", "1.500"}, 0)[2], "0.125");  // decay clamped to 1: 1/8
  EXPECT_EQ(modern({"echo", "0.000", "0.500"}, 8000)[3], "1");   // delay raised to 1 ms
  // At 96 kHz today's echo holds 26.6 s: only the repeats at 10 and 20 s fit.
  EXPECT_EQ(modern({"echo", "10.000", "0.500"}, 96000),
            (Args{"echo", "1", "0.571428571", "10000", "0.5", "20000", "0.25"}));
  EXPECT_EQ(modern({"echo", "40.000", "0.500"}, 96000),
            (Args{"echo", "1", "0.666666667", "26656.25", "0.5"}));
  EXPECT_EQ(modern({"vibro", "5 "}, 0), (Args{"tremolo", "5", "50"}));
  EXPECT_EQ(modern({"vibro", "0", "1.2"}, 0), (Args{"tremolo", "0.001", "100"}));
  EXPECT_EQ(modern({"vibro", "45", "0.6"}, 0), (Args{"tremolo", "30", "60"}));
  EXPECT_EQ(modern({"lowp", "6000 "}, 0), (Args{"lowpass", "-1", "6000"}));  // rate unknown
  EXPECT_EQ(modern({"band", "-n", "2031 "}, 0), (Args{"band", "-n", "2031", "1015.5"}));
  EXPECT_EQ(modern({"band", "0", "3490"}, 8000), (Args{"band", "0.001", "3490"}));
}

}  // namespace
