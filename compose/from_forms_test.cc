// The real windows read into Settings, seen through the commands composed from them, and the
// alerts of the routines the actions call.
#include <gtest/gtest.h>  // before the X headers, whose macros clash with it

#include "compose/from_forms.h"

#include "forms/effects_form.h"
#include "forms/main_form.h"
#include "tests/support/gui_test.h"

namespace {

std::string main_command() {
  CommandText command;
  command.append("sox ");
  add_volume_option(command);
  if (add_input_file(command) != 0) return "";
  add_output_options(command);
  command.append(" -");
  return command.text;
}

// The stage commands of the pushed effects, in chain-building order.
std::vector<std::string> stages() {
  Effect effects[5];
  std::vector<std::string> commands;
  for (int i = 0, count = selected_effects(effects); i < count; i++) {
    CommandText command;
    compose_stage(effects[i], command);
    commands.push_back(command.text);
  }
  return commands;
}

// The sliders' start-up values all differ, so a slider read for another shows.
TEST(FromForms, EveryControlReachesTheCommands) {
  start_gui_once();
  reset_controls();
  FD_main *m = main_form;
  FD_effects *e = effects_form;
  fl_set_input(m->input_file, "song.au");
  fl_set_input(m->output_file, "song.wav");
  EXPECT_EQ(main_command(), "sox -v 1.000 song.au -t wav  -");
  EXPECT_TRUE(stages().empty());  // Plain only
  const char *const at_start_up[] = {
      "sox -t wav - -t wav - echo 0.150 0.500 ", "sox -t wav - -t wav - vibro 5 0.600 ",
      "sox -t wav - -t wav - lowp 2030 ",        "sox -t wav - -t wav - highp 2030 ",
      "sox -t wav - -t wav - band 2030 3490 ",
  };
  FL_OBJECT *const buttons[] = {e->echo, e->vibrato, e->lowpass, e->highpass, e->bandpass};
  for (int i = 0; i < 5; i++) {
    plain_cb(nullptr, 0);
    fl_set_button(buttons[i], 1);
    EXPECT_EQ(stages(), std::vector<std::string>{at_start_up[i]});
  }

  fl_set_button(m->in_ch2, 1);
  fl_set_button(m->in_ch_off, 0);
  fl_set_counter_value(m->input_rate, 100);
  fl_set_choice(m->input_type, 8);  // sw
  fl_set_button(m->out_ch4, 1);
  fl_set_button(m->out_ch_off, 0);
  fl_set_counter_value(m->output_rate, 44100);
  fl_set_choice(m->output_type, 3);  // au
  EXPECT_EQ(main_command(), "sox -v 1.000 -c 2 -r 100 -t sw song.au -c 4 -r 44100 -t au  -");
  fl_set_button(m->in_ch1, 1);
  EXPECT_EQ(read_settings().input_channels, 1);
}

TEST(FromForms, MissingAndTooLongNamesAlert) {
  start_gui_once();
  const struct {
    std::string input, output;
    const char *alert;
  } cases[] = {
      {"", "out.wav", "Error: no inputfile set !"},
      {"in.wav", "", "Error: no outputfile set !"},
      {"in.wav", std::string(1000, 'o'), "Error: outputfile name too long !"},
  };
  for (const auto &c : cases) {
    fl_set_input(main_form->input_file, c.input.c_str());
    fl_set_input(main_form->output_file, c.output.c_str());
    CommandText command, path;
    auto texts = dialogs_during(
        [&] { EXPECT_EQ(add_input_file(command) + get_output_file(path), -1); }, "Dismiss");
    EXPECT_EQ(texts, std::vector<std::string>{c.alert});
  }
}

}  // namespace
