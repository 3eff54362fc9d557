// The main window: input and output panels, console, play command and action buttons.
#pragma once

#include <forms.h>

struct FD_main {
  FL_FORM *form;
  FL_OBJECT *input_file;
  FL_OBJECT *output_file;
  FL_OBJECT *output_type;
  FL_OBJECT *input_type;
  FL_OBJECT *input_rate;
  FL_OBJECT *output_rate;
  FL_OBJECT *output_channels;
  FL_OBJECT *out_ch1, *out_ch2, *out_ch4, *out_ch_off;
  FL_OBJECT *input_channels;
  FL_OBJECT *in_ch1, *in_ch2, *in_ch4, *in_ch_off;
  FL_OBJECT *select_input, *select_output;
  FL_OBJECT *console;
  FL_OBJECT *play_command;
  FL_OBJECT *action_group;
  FL_OBJECT *exit_button, *convert_button, *play_button, *info_button, *stop_button,
      *effects_button;
};

// Entry 0 is the whole choice item list; entries 1 to 15 are the converter's type names of the
// items with the same number. Item 1 (" Use Filetype ", "auto") means "derive the type" and its
// name is never written into a command.
extern const char *const file_type_table[16];

// Builds the main form once; the record lives until the process ends.
FD_main *create_form_main();

// The main form's record, set once by start-up and never freed.
extern FD_main *main_form;

// Callbacks bound by the main form.
void select_input_cb(FL_OBJECT *, long);
void select_output_cb(FL_OBJECT *, long);
void exit_cb(FL_OBJECT *, long);
void info_cb(FL_OBJECT *, long);
void show_effects_cb(FL_OBJECT *, long);
void convert_cb(FL_OBJECT *, long);
void play_cb(FL_OBJECT *, long);
void stop_cb(FL_OBJECT *, long);
