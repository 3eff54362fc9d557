#include "compose/from_forms.h"

#include <utility>

#include "compose/name_checks.h"
#include "forms/dialogs.h"
#include "forms/effects_form.h"
#include "forms/field_text.h"
#include "forms/main_form.h"

// The radio grouping leaves exactly one of the four pushed; "off" is read first.
static int channels(FL_OBJECT *off, FL_OBJECT *one, FL_OBJECT *two, FL_OBJECT *four) {
  if (fl_get_button(off)) return 0;
  if (fl_get_button(one)) return 1;
  if (fl_get_button(two)) return 2;
  if (fl_get_button(four)) return 4;
  return 0;
}

static std::string type_name(FL_OBJECT *choice) {
  int item = fl_get_choice(choice);
  return item > 1 ? file_type_table[item] : "";
}

Settings read_settings() {
  const FD_main *m = main_form;
  const FD_effects *e = effects_form;
  Settings s;
  s.input_file_encoded = field_text(m->input_file, s.input_file);
  s.output_file_encoded = field_text(m->output_file, s.output_file);
  s.play_command_encoded = field_text(m->play_command, s.play_command);
  s.input_type = type_name(m->input_type);
  s.output_type = type_name(m->output_type);
  s.input_rate = fl_get_counter_value(m->input_rate);
  s.output_rate = fl_get_counter_value(m->output_rate);
  s.input_channels = channels(m->in_ch_off, m->in_ch1, m->in_ch2, m->in_ch4);
  s.output_channels = channels(m->out_ch_off, m->out_ch1, m->out_ch2, m->out_ch4);
  s.volume = fl_get_slider_value(e->amplification);
  s.pushed[ECHO] = fl_get_button(e->echo);
  s.pushed[VIBRATO] = fl_get_button(e->vibrato);
  s.pushed[LOWPASS] = fl_get_button(e->lowpass);
  s.pushed[HIGHPASS] = fl_get_button(e->highpass);
  s.pushed[BANDPASS] = fl_get_button(e->bandpass);
  s.echo_delay = fl_get_slider_value(e->echo_delay);
  s.echo_volume = fl_get_slider_value(e->echo_volume);
  s.vibrato_speed = fl_get_slider_value(e->vibrato_speed);
  s.vibrato_depth = fl_get_slider_value(e->vibrato_depth);
  s.filter_freq = fl_get_slider_value(e->filter_freq);
  s.bandwidth = fl_get_slider_value(e->bandwidth);
  return s;
}

static void show_error(const char *first, const char *second = "") {
  show_alert(first, second);
}

void add_volume_option(CommandText &command) {
  add_volume_option(read_settings(), command);
}

int add_input_file(CommandText &command) {
  if (add_input_file(read_settings(), command) == 0) return 0;
  show_error("Error: no inputfile set !");
  return -1;
}

void add_output_options(CommandText &command) {
  add_output_options(read_settings(), command);
}

int get_output_file(CommandText &path) {
  if (get_output_file(read_settings(), path) == 0) return 0;
  show_error(path.overflow ? "Error: outputfile name too long !" : "Error: no outputfile set !");
  return -1;
}

int selected_effects(Effect effects[5]) {
  return selected_effects(read_settings(), effects);
}

void compose_stage(Effect effect, CommandText &command) {
  compose_stage(read_settings(), effect, command);
}

bool stage_commands_fit() {
  return stage_commands_fit(read_settings());
}

int check_names(bool for_player) {
  NameFault fault = name_fault(read_settings(), for_player);
  if (fault == NAMES_PASS) return 0;
  const std::string unencoded =
      "Its letters have no form in the locale's encoding (" + locale_codeset() + ").";
  const std::pair<const char *, std::string> alerts[] = {
      {},  // NAMES_PASS
      {"Error: inputfile name cannot pass unchanged !", unencoded},
      {"Error: outputfile name cannot pass unchanged !", unencoded},
      {"Error: play command cannot pass unchanged !", unencoded},
      {"Error: outputfile type has blanks !", "sox would take its words for other files."},
      {"Error: inputfile name has blanks !", "File names with blanks cannot be passed to sox."},
  };
  show_error(alerts[fault].first, alerts[fault].second.c_str());
  return -1;
}
