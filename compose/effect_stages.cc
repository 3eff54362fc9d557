#include "compose/effect_stages.h"

#include "compose/options.h"

int selected_effects(const Settings &settings, Effect effects[5]) {
  int count = 0;
  for (Effect effect : {ECHO, VIBRATO, LOWPASS, HIGHPASS, BANDPASS})
    if (settings.pushed[effect]) effects[count++] = effect;
  return count;
}

// The frequency sliders are in kilohertz, the commands take hertz.
void compose_stage(const Settings &s, Effect effect, CommandText &command) {
  const char *type = output_type_name(s);
  command.clear();
  command.append("sox -t %s - -t %s - ", type, type);
  switch (effect) {
    case ECHO:
      command.append("echo %.3f %.3f ", s.echo_delay, s.echo_volume);
      break;
    case VIBRATO:
      command.append("vibro %.0f %.3f ", s.vibrato_speed, s.vibrato_depth);
      break;
    case LOWPASS:
      command.append("lowp %.0f ", s.filter_freq * 1000);
      break;
    case HIGHPASS:
      command.append("highp %.0f ", s.filter_freq * 1000);
      break;
    case BANDPASS:
      command.append("band %.0f %.0f ", s.filter_freq * 1000, s.bandwidth * 1000);
      break;
  }
}

bool stage_commands_fit(const Settings &settings) {
  Effect effects[5];
  int count = selected_effects(settings, effects);
  CommandText command;
  for (int i = 0; i < count; i++) {
    compose_stage(settings, effects[i], command);
    if (command.overflow) return false;
  }
  return true;
}
