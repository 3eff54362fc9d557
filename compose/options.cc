#include "compose/options.h"

#include <cstring>

#include "forms/effects_form.h"
#include "forms/main_form.h"

static void show_error(const char *message) {
  fl_show_alert(message, "", "", 1);
}

void add_volume_option(CommandText &command) {
  command.append("-v %.3f ", fl_get_slider_value(effects_form->amplification));
}

// The radio grouping leaves at most one of the three pushed.
static void add_channel_option(CommandText &command, FL_OBJECT *off, FL_OBJECT *one, FL_OBJECT *two,
                               FL_OBJECT *four) {
  if (fl_get_button(off)) return;
  if (fl_get_button(one)) command.append("-c 1 ");
  if (fl_get_button(two)) command.append("-c 2 ");
  if (fl_get_button(four)) command.append("-c 4 ");
}

static void add_rate_option(CommandText &command, FL_OBJECT *counter) {
  double rate = fl_get_counter_value(counter);
  if (rate != 0) command.append("-r %.0f ", rate);
}

void add_input_options(CommandText &command) {
  add_channel_option(command, main_form->in_ch_off, main_form->in_ch1, main_form->in_ch2,
                     main_form->in_ch4);
  add_rate_option(command, main_form->input_rate);
  int item = fl_get_choice(main_form->input_type);
  if (item > 1) command.append("-t %s ", file_type_table[item]);
}

int add_input_file(CommandText &command) {
  const char *name = fl_get_input(main_form->input_file);
  if (!name[0]) {
    show_error("Error: no inputfile set !");
    return -1;
  }
  add_input_options(command);
  command.append("%s ", name);
  return 0;
}

void add_output_options(CommandText &command) {
  add_channel_option(command, main_form->out_ch_off, main_form->out_ch1, main_form->out_ch2,
                     main_form->out_ch4);
  add_rate_option(command, main_form->output_rate);
  command.append("-t %s ", output_type_name());
}

const char *output_type_name() {
  int item = fl_get_choice(main_form->output_type);
  if (item > 1) return file_type_table[item];
  const char *name = fl_get_input(main_form->output_file);
  const char *dot = strrchr(name, '.');
  return dot ? dot + 1 : "unknown";
}

int get_output_file(CommandText &path) {
  const char *name = fl_get_input(main_form->output_file);
  if (!name[0]) {
    show_error("Error: no outputfile set !");
    return -1;
  }
  path.append("%s", name);
  if (path.overflow) {
    show_error("Error: outputfile name too long !");
    return -1;
  }
  return 0;
}
