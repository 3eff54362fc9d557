// The effect stages' commands composed from settings.
#include "compose/effect_stages.h"

#include <gtest/gtest.h>

namespace {

TEST(Stage, CommandsCarryTheSlidersInTheCommandsUnits) {
  Settings s;
  s.output_type = "ub";
  s.echo_delay = 0.5, s.echo_volume = 1;
  s.vibrato_speed = 29.6, s.vibrato_depth = 0.6;  // the speed rounds to whole hertz
  s.filter_freq = 0.25, s.bandwidth = 10;         // kHz in, Hz out
  const struct {
    Effect effect;
    const char *command;
  } cases[] = {
      {ECHO, "sox -t ub - -t ub - echo 0.500 1.000 "},
      {VIBRATO, "sox -t ub - -t ub - vibro 30 0.600 "},
      {LOWPASS, "sox -t ub - -t ub - lowp 250 "},
      {HIGHPASS, "sox -t ub - -t ub - highp 250 "},
      {BANDPASS, "sox -t ub - -t ub - band 250 10000 "},
  };
  for (const auto &c : cases) {
    CommandText command;
    command.append("left over");  // a stage starts afresh
    compose_stage(s, c.effect, command);
    EXPECT_STREQ(command.text, c.command);
  }
}

}  // namespace
