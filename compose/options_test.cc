// The composed converter commands, read from the real windows' controls.
#include <gtest/gtest.h>  // before the X headers, whose macros clash with it

#include "compose/from_forms.h"

#include "forms/effects_form.h"
#include "forms/main_form.h"
#include "tests/support/gui_test.h"

class Compose : public ::testing::Test {
 protected:
  void SetUp() override {
    start_gui_once();
    reset_controls();
  }
  // The main command as Convert composes it; "" when the alert stopped it.
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

TEST_F(Compose, DefaultsGiveTheShortestCommand) {
  fl_set_input(main_form->input_file, "song.au");
  fl_set_input(main_form->output_file, "song.wav");
  EXPECT_EQ(main_command(), "sox -v 1.000 song.au -t wav  -");
}

TEST_F(Compose, ChannelsRatesAndTypesOnEachSide) {
  fl_set_input(main_form->input_file, "in.raw");
  fl_set_input(main_form->output_file, "out.wav");
  fl_set_button(main_form->in_ch2, 1);
  fl_set_button(main_form->in_ch_off, 0);
  fl_set_counter_value(main_form->input_rate, 100);
  fl_set_choice(main_form->input_type, 8);  // sw
  fl_set_button(main_form->out_ch4, 1);
  fl_set_button(main_form->out_ch_off, 0);
  fl_set_counter_value(main_form->output_rate, 44100);
  fl_set_choice(main_form->output_type, 3);  // au wins over the extension
  fl_set_slider_value(effects_form->amplification, 1.5);
  EXPECT_EQ(main_command(), "sox -v 1.500 -c 2 -r 100 -t sw in.raw -c 4 -r 44100 -t au  -");
}

TEST_F(Compose, OffChannelWritesNoOptionWhateverElseIsSet) {
  fl_set_input(main_form->input_file, "a");
  fl_set_input(main_form->output_file, "b.au");
  fl_set_button(main_form->in_ch1, 1);
  fl_set_button(main_form->in_ch_off, 1);  // off wins: it is tested first
  EXPECT_EQ(main_command(), "sox -v 1.000 a -t au  -");
}

TEST_F(Compose, OutputTypeFollowsTheLastDotOfTheName) {
  const struct {
    const char *name, *type;
  } cases[] = {
      {"a.b/c", "b/c"}, {".wav", "wav"}, {"noext", "unknown"},
      {"end.", ""},     {"", "unknown"}, {"x.tar.au", "au"},
  };
  for (const auto &c : cases) {
    fl_set_input(main_form->output_file, c.name);
    EXPECT_STREQ(output_type_name(read_settings()), c.type) << c.name;
  }
  fl_set_choice(main_form->output_type, 15);
  EXPECT_STREQ(output_type_name(read_settings()), "wav");
}

TEST_F(Compose, TrailingDotLeavesOnlyBlanksAfterTheTypeOption) {
  fl_set_input(main_form->input_file, "in.wav");
  fl_set_input(main_form->output_file, "out.");
  EXPECT_EQ(main_command(), "sox -v 1.000 in.wav -t   -");
}

TEST_F(Compose, MissingNamesAlertAndStop) {
  std::string command = "x";
  auto texts = dialogs_during([&] { command = main_command(); }, "Dismiss");
  EXPECT_EQ(command, "");
  ASSERT_FALSE(texts.empty());
  EXPECT_EQ(texts[0], "Error: no inputfile set !");

  CommandText path;
  fl_set_input(main_form->input_file, "in.wav");
  texts = dialogs_during([&] { EXPECT_EQ(get_output_file(path), -1); }, "Dismiss");
  ASSERT_FALSE(texts.empty());
  EXPECT_EQ(texts[0], "Error: no outputfile set !");
}

TEST_F(Compose, StageCommandsAtDefaultAndChangedValues) {
  fl_set_input(main_form->output_file, "x.au");
  EXPECT_EQ(stage(ECHO), "sox -t au - -t au - echo 0.150 0.500 ");
  EXPECT_EQ(stage(VIBRATO), "sox -t au - -t au - vibro 5 0.600 ");
  EXPECT_EQ(stage(LOWPASS), "sox -t au - -t au - lowp 2030 ");
  EXPECT_EQ(stage(HIGHPASS), "sox -t au - -t au - highp 2030 ");
  EXPECT_EQ(stage(BANDPASS), "sox -t au - -t au - band 2030 3490 ");

  fl_set_choice(main_form->output_type, 5);
  fl_set_slider_value(effects_form->echo_delay, 0.5);
  fl_set_slider_value(effects_form->echo_volume, 1);
  fl_set_slider_value(effects_form->vibrato_speed, 29.6);
  fl_set_slider_value(effects_form->filter_freq, 0.25);
  fl_set_slider_value(effects_form->bandwidth, 10);
  EXPECT_EQ(stage(ECHO), "sox -t ub - -t ub - echo 0.500 1.000 ");
  EXPECT_EQ(stage(VIBRATO), "sox -t ub - -t ub - vibro 30 0.600 ");
  EXPECT_EQ(stage(HIGHPASS), "sox -t ub - -t ub - highp 250 ");
  EXPECT_EQ(stage(BANDPASS), "sox -t ub - -t ub - band 250 10000 ");
}

TEST_F(Compose, SelectedEffectsInChainBuildingOrder) {
  Effect effects[5];
  EXPECT_EQ(selected_effects(effects), 0);  // Plain only
  fl_set_button(effects_form->bandpass, 1);
  fl_set_button(effects_form->echo, 1);
  ASSERT_EQ(selected_effects(effects), 2);
  EXPECT_EQ(effects[0], ECHO);
  EXPECT_EQ(effects[1], BANDPASS);
}

TEST_F(Compose, TooLongNamesOverflowInsteadOfWritingPastTheBuffer) {
  std::string name(990, 'n');
  fl_set_input(main_form->input_file, name.c_str());
  fl_set_input(main_form->output_file, "o.wav");
  CommandText command;
  command.append("sox ");
  add_volume_option(command);
  ASSERT_EQ(add_input_file(command), 0);
  EXPECT_TRUE(command.overflow);
  EXPECT_EQ(command.length, strlen(command.text));
  EXPECT_LT(command.length, command_size);

  fl_set_input(main_form->output_file, ("o." + std::string(985, 't')).c_str());
  fl_set_button(effects_form->echo, 1);
  EXPECT_FALSE(stage_commands_fit());
}
