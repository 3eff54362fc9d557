#include "compose/effect_stages.h"

#include "compose/options.h"
#include "forms/effects_form.h"

int selected_effects(Effect effects[5]) {
  const struct {
    Effect effect;
    FL_OBJECT *button;
  } order[] = {
      {ECHO, effects_form->echo},         {VIBRATO, effects_form->vibrato},
      {LOWPASS, effects_form->lowpass},   {HIGHPASS, effects_form->highpass},
      {BANDPASS, effects_form->bandpass},
  };
  int count = 0;
  for (const auto &stage : order)
    if (fl_get_button(stage.button)) effects[count++] = stage.effect;
  return count;
}

static double value(FL_OBJECT *slider) {
  return fl_get_slider_value(slider);
}

void compose_stage(Effect effect, CommandText &command) {
  const char *type = output_type_name();
  command.clear();
  command.append("sox -t %s - -t %s - ", type, type);
  switch (effect) {
    case ECHO:
      command.append("echo %.3f %.3f ", value(effects_form->echo_delay),
                     value(effects_form->echo_volume));
      break;
    case VIBRATO:
      command.append("vibro %.0f %.3f ", value(effects_form->vibrato_speed),
                     value(effects_form->vibrato_depth));
      break;
    case LOWPASS:
      command.append("lowp %.0f ", value(effects_form->filter_freq) * 1000);
      break;
    case HIGHPASS:
      command.append("highp %.0f ", value(effects_form->filter_freq) * 1000);
      break;
    case BANDPASS:
      command.append("band %.0f %.0f ", value(effects_form->filter_freq) * 1000,
                     value(effects_form->bandwidth) * 1000);
      break;
  }
}

bool stage_commands_fit() {
  Effect effects[5];
  int count = selected_effects(effects);
  CommandText command;
  for (int i = 0; i < count; i++) {
    compose_stage(effects[i], command);
    if (command.overflow) return false;
  }
  return true;
}
