// The real windows read into Settings, seen through the commands composed from them; their
// alerts show in actions_test.
#include <gtest/gtest.h>  // before the X headers, whose macros clash with it

#include <stdlib.h>

#include <fstream>

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

// What the file selector is left to do once it shows: pick a line of its list as a click does,
// or take text typed into its name field; then Ready.
static std::string picked, typed;
static void use_selector(int, void *) {
  FD_FSELECTOR *selector = fl_get_fselector_fdstruct();
  if (!selector->fselect->visible) {
    fl_add_timeout(20, use_selector, nullptr);
    return;
  }
  for (int line = 1; line <= fl_get_browser_maxline(selector->browser); line++)
    if (!picked.empty() && picked == fl_get_browser_line(selector->browser, line) + 2) {
      fl_select_browser_line(selector->browser, line);
      fl_call_object_callback(selector->browser);
    }
  if (!typed.empty()) type_into(selector->input, typed);
  fl_trigger_object(selector->ready);
}

// The selector hands over names as the file system spells them; the field shows them in Latin-1,
// and they leave it in the locale's encoding exactly as picked. What cannot pass is refused.
TEST(FromForms, NamesLeaveTheFieldsAsTypedOrPicked) {
  start_gui_once();
  reset_controls();
  char pattern[] = "/tmp/corvane-names-XXXXXX";
  const std::string dir = mkdtemp(pattern), utf8 = "M\xC3\xBCller.wav";
  const std::string cannot =
      "Error: this file name cannot pass unchanged !\n"
      "A field holds printable Latin-1 letters in the locale's encoding (";
  const struct {
    const char *locale;
    std::string pick, type, name, alert;  // the name settings get
  } rows[] = {
      {"C.UTF-8", utf8, "", dir + "/" + utf8, ""},
      {"C.UTF-8", "", "T\xFCr.wav", dir + "/T\xC3\xBCr.wav", ""},      // typed in the selector
      {"C.UTF-8", "\xC5\x81uk.wav", "", "", cannot + "UTF-8) only."},  // beyond Latin-1
      {"C.UTF-8", "M\xFCller.wav", "", "", cannot + "UTF-8) only."},   // a Latin-1 name
      {"C.UTF-8", "tab\there.wav", "", "", cannot + "UTF-8) only."},
      {"C", utf8, "", "", cannot + "ANSI_X3.4-1968) only."},
      {"C", "", "", "", ""},  // Ready with an empty name field empties the fields
  };
  for (const auto &row : rows)
    if (!row.pick.empty()) std::ofstream(dir + "/" + row.pick);
  fl_set_directory(dir.c_str());  // lists the folder
  for (const auto &row : rows) {
    setenv("LC_ALL", row.locale, 1);
    fl_set_input(main_form->input_file, "");
    fl_set_input(main_form->output_file, "before");
    picked = row.pick, typed = row.type;
    fl_add_timeout(20, use_selector, nullptr);
    EXPECT_EQ(alerts_during([] { select_output_cb(nullptr, 0); }), row.alert) << row.pick;
    fl_add_timeout(20, use_selector, nullptr);
    EXPECT_EQ(alerts_during([] { select_input_cb(nullptr, 0); }), row.alert) << row.pick;
    Settings s = read_settings();
    EXPECT_EQ(s.input_file, row.name) << row.pick;
    EXPECT_EQ(s.output_file, row.alert.empty() ? row.name : "before") << row.pick;
  }
  // Typed Latin-1 reaches the system in the locale's encoding; in ASCII it cannot.
  type_into(main_form->play_command, "play -t au M\xFCller");
  setenv("LC_ALL", "C.UTF-8", 1);
  EXPECT_EQ(read_settings().play_command, "play -t au M\xC3\xBCller");
  setenv("LC_ALL", "C", 1);
  EXPECT_FALSE(read_settings().play_command_encoded);
  unsetenv("LC_ALL");
  EXPECT_EQ(system(("rm -rf " + dir).c_str()), 0);
}
