// Reading the real windows into Settings, seen through the commands composed from it, and the
// alerts of the routines the actions call.
#include <gtest/gtest.h>  // before the X headers, whose macros clash with it

#include "compose/from_forms.h"

#include "forms/effects_form.h"
#include "forms/main_form.h"
#include "tests/support/gui_test.h"

namespace {

class FromForms : public ::testing::Test {
 protected:
  void SetUp() override {
    start_gui_once();
    reset_controls();
  }
  static std::string main_command() {
    CommandText command;
    command.append("sox ");
    add_volume_option(command);
    if (add_input_file(command) != 0) return "";
    add_output_options(command);
    command.append(" -");
    return command.text;
  }
  static std::string stage(Effect effect) {
    CommandText command;
    compose_stage(effect, command);
    return command.text;
  }
};

TEST_F(FromForms, StartUpValuesGiveTheDefaultCommands) {
  fl_set_input(main_form->input_file, "song.au");
  fl_set_input(main_form->output_file, "song.wav");
  EXPECT_EQ(main_command(), "sox -v 1.000 song.au -t wav  -");
  EXPECT_EQ(stage(ECHO), "sox -t wav - -t wav - echo 0.150 0.500 ");
  EXPECT_EQ(stage(VIBRATO), "sox -t wav - -t wav - vibro 5 0.600 ");
  EXPECT_EQ(stage(LOWPASS), "sox -t wav - -t wav - lowp 2030 ");
  EXPECT_EQ(stage(HIGHPASS), "sox -t wav - -t wav - highp 2030 ");
  EXPECT_EQ(stage(BANDPASS), "sox -t wav - -t wav - band 2030 3490 ");
  Effect effects[5];
  EXPECT_EQ(selected_effects(effects), 0);  // Plain only
}

TEST_F(FromForms, EveryControlReachesTheCommands) {
  FD_main *m = main_form;
  FD_effects *e = effects_form;
  fl_set_input(m->input_file, "in.raw");
  fl_set_input(m->output_file, "out.wav");
  fl_set_button(m->in_ch2, 1);
  fl_set_button(m->in_ch_off, 0);
  fl_set_counter_value(m->input_rate, 100);
  fl_set_choice(m->input_type, 8);  // sw
  fl_set_button(m->out_ch4, 1);
  fl_set_button(m->out_ch_off, 0);
  fl_set_counter_value(m->output_rate, 44100);
  fl_set_choice(m->output_type, 3);  // au
  fl_set_slider_value(e->amplification, 1.5);
  fl_set_slider_value(e->echo_delay, 0.25);
  fl_set_slider_value(e->echo_volume, 0.75);
  fl_set_slider_value(e->vibrato_speed, 12);
  fl_set_slider_value(e->vibrato_depth, 0.35);
  fl_set_slider_value(e->filter_freq, 0.5);
  fl_set_slider_value(e->bandwidth, 1.25);
  fl_set_button(e->vibrato, 1);
  fl_set_button(e->bandpass, 1);

  EXPECT_EQ(main_command(), "sox -v 1.500 -c 2 -r 100 -t sw in.raw -c 4 -r 44100 -t au  -");
  EXPECT_EQ(stage(ECHO), "sox -t au - -t au - echo 0.250 0.750 ");
  EXPECT_EQ(stage(VIBRATO), "sox -t au - -t au - vibro 12 0.350 ");
  EXPECT_EQ(stage(BANDPASS), "sox -t au - -t au - band 500 1250 ");
  Effect effects[5];
  ASSERT_EQ(selected_effects(effects), 2);
  EXPECT_EQ(effects[0], VIBRATO);
  EXPECT_EQ(effects[1], BANDPASS);
  CommandText path;
  EXPECT_EQ(get_output_file(path), 0);
  EXPECT_STREQ(path.text, "out.wav");

  // Each channel button on its own; "off" is read first.
  const struct {
    FL_OBJECT *button;
    int channels;
  } buttons[] = {{m->in_ch1, 1}, {m->in_ch4, 4}, {m->in_ch_off, 0}};
  for (const auto &b : buttons) {
    fl_set_button(b.button, 1);
    EXPECT_EQ(read_settings().input_channels, b.channels);
  }
}

TEST_F(FromForms, MissingAndTooLongNamesAlert) {
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
