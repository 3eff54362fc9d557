// The two Select buttons: pick a file with the toolkit's file selector.
#include "forms/main_form.h"

// The selector remembers its directory between calls; an empty directory argument keeps it.
static const char *select_file(const char *message) {
  return fl_show_fselector(message, "", "*", "");
}

void select_input_cb(FL_OBJECT *, long) {
  const char *name = select_file("Select Inputfile");
  if (name) fl_set_input(main_form->input_file, name);
}

void select_output_cb(FL_OBJECT *, long) {
  const char *name = select_file("Select Outputfile");
  if (!name) return;
  fl_set_input(main_form->output_file, name);
  // A new name brings its own extension: let the type follow it again.
  fl_set_choice(main_form->output_type, 1);
}
