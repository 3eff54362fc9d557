#include "compose/options.h"

#include <cstring>

void add_volume_option(const Settings &settings, CommandText &command) {
  command.append("-v %.3f ", settings.volume);
}

static void add_channels_and_rate(CommandText &command, int channels, double rate) {
  if (channels != 0) command.append("-c %d ", channels);
  if (rate != 0) command.append("-r %.0f ", rate);
}

void add_input_options(const Settings &settings, CommandText &command) {
  add_channels_and_rate(command, settings.input_channels, settings.input_rate);
  if (!settings.input_type.empty()) command.append("-t %s ", settings.input_type.c_str());
}

int add_input_file(const Settings &settings, CommandText &command) {
  if (settings.input_file.empty()) return -1;
  add_input_options(settings, command);
  command.append("%s ", settings.input_file.c_str());
  return 0;
}

// The output side, unlike the input side, always names a type.
void add_output_options(const Settings &settings, CommandText &command) {
  add_channels_and_rate(command, settings.output_channels, settings.output_rate);
  command.append("-t %s ", output_type_name(settings));
}

const char *output_type_name(const Settings &settings) {
  if (!settings.output_type.empty()) return settings.output_type.c_str();
  const char *dot = strrchr(settings.output_file.c_str(), '.');
  return dot ? dot + 1 : "unknown";
}

int get_output_file(const Settings &settings, CommandText &path) {
  if (settings.output_file.empty()) return -1;
  path.append("%s", settings.output_file.c_str());
  return path.overflow ? -1 : 0;
}
