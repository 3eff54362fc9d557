// Command composition from arbitrary settings, with no display, checked against properties of
// its own output: no command passes its 1000-byte buffer or miscounts its length; a missing input
// adds nothing; a stage command starts with its converter and effect words; the stages fit
// exactly when each pushed one does; the selected effects are the pushed ones, echo first.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "compose/effect_stages.h"
#include "compose/options.h"

static void check(bool good, const char *what, const CommandText &c) {
  if (good && c.length < command_size && strnlen(c.text, command_size) == c.length) return;
  fprintf(stderr, "compose: %s\n%zu bytes, overflow %d: %s\n", what, c.length, c.overflow, c.text);
  abort();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  FuzzedDataProvider input(data, size);
  Settings s;
  // Names of any length up to past the buffer (the lengths near the limit matter most).
  for (std::string *text : {&s.input_file, &s.output_file, &s.input_type, &s.output_type})
    text->assign(input.ConsumeIntegralInRange<size_t>(0, 1200),
                 char(1 + input.ConsumeIntegral<uint8_t>() % 255));
  for (double *value : {&s.input_rate, &s.output_rate, &s.volume, &s.echo_delay, &s.echo_volume,
                        &s.vibrato_speed, &s.vibrato_depth, &s.filter_freq, &s.bandwidth})
    *value = input.ConsumeFloatingPoint<double>();
  s.input_channels = input.ConsumeIntegral<int>();
  s.output_channels = input.ConsumeIntegral<int>();
  for (bool &pushed : s.pushed) pushed = input.ConsumeBool();

  CommandText command;
  add_volume_option(s, command);
  size_t before_input = command.length;
  int input_set = add_input_file(s, command);
  check((input_set == 0) != s.input_file.empty() &&
            (input_set == 0 || command.length == before_input),
        "a missing input is refused with nothing added", command);
  add_output_options(s, command);
  check(true, "main command", command);

  const char *const words[] = {"echo ", "vibro ", "lowp ", "highp ", "band "};
  const std::string type = output_type_name(s), head = "sox -t " + type + " - -t " + type + " - ";
  bool fit = true;
  for (Effect effect : {ECHO, VIBRATO, LOWPASS, HIGHPASS, BANDPASS}) {
    CommandText stage;
    stage.append("left over");
    compose_stage(s, effect, stage);
    std::string t = stage.text;
    check(stage.overflow ? t.empty() || t == head : t.rfind(head + words[effect], 0) == 0,
          "stage command", stage);
    fit = fit && !(s.pushed[effect] && stage.overflow);
  }
  Effect effects[5];
  int count = selected_effects(s, effects);
  bool in_order = count == std::count(s.pushed, s.pushed + 5, true);
  for (int i = 0; i < count; i++)
    in_order = in_order && s.pushed[effects[i]] && (i == 0 || effects[i] > effects[i - 1]);
  check(stage_commands_fit(s) == fit && in_order, "effects", command);
  return 0;
}
