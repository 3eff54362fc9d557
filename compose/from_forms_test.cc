// The real windows read into Settings, seen through the commands composed from them; their
// alerts show in actions_test.
#include <gtest/gtest.h>  // before the X headers, whose macros clash with it

#include "compose/from_forms.h"

#include "forms/effects_form.h"
#include "forms/main_form.h"
#include "tests/support/gui_test.h"

// The main command in the actions' order, then the stage commands of the pushed effects in
// chain-building order.
static std::string commands() {
  CommandText command;
  add_volume_option(command);
  if (add_input_file(command) == 0) add_output_options(command);
  std::string text = command.text;
  Effect effects[5];
  for (int i = 0, count = selected_effects(effects); i < count; i++) {
    command.append("left over");  // a stage starts afresh
    compose_stage(effects[i], command);
    text += std::string("| ") + command.text;
  }
  return text;
}

// The sliders' start-up values all differ, so a slider read for another shows.
TEST(FromForms, EveryControlReachesTheCommands) {
  start_gui_once();
  reset_controls();
  FD_main *m = main_form;
  FD_effects *e = effects_form;
  fl_set_input(m->input_file, "song.au");
  fl_set_input(m->output_file, "song.wav");
  EXPECT_EQ(commands(), "-v 1.000 song.au -t wav ");  // Plain only
  const char *const at_start_up[] = {"echo 0.150 0.500 ", "vibro 5 0.600 ", "lowp 2030 ",
                                     "highp 2030 ", "band 2030 3490 "};
  FL_OBJECT *const buttons[] = {e->echo, e->vibrato, e->lowpass, e->highpass, e->bandpass};
  for (int i = 0; i < 5; i++) {
    plain_cb(nullptr, 0);
    fl_set_button(buttons[i], 1);
    EXPECT_EQ(commands(),
              std::string("-v 1.000 song.au -t wav | sox -t wav - -t wav - ") + at_start_up[i]);
  }
  plain_cb(nullptr, 0);
  for (FL_OBJECT *pushed : {m->in_ch2, m->out_ch4}) fl_set_button(pushed, 1);
  for (FL_OBJECT *off : {m->in_ch_off, m->out_ch_off}) fl_set_button(off, 0);
  fl_set_counter_value(m->input_rate, 100);
  fl_set_counter_value(m->output_rate, 44100);
  fl_set_choice(m->input_type, 8);   // sw
  fl_set_choice(m->output_type, 3);  // au
  EXPECT_EQ(commands(), "-v 1.000 -c 2 -r 100 -t sw song.au -c 4 -r 44100 -t au ");
  fl_set_button(m->in_ch1, 1);
  EXPECT_EQ(read_settings().input_channels, 1);
}
