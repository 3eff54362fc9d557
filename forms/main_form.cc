#include "forms/main_form.h"

#include <cstdlib>

FD_main *main_form;

// clang-format off
const char *const file_type_table[16] = {
    " Use Filetype | Apple II (aiff) | SUN audio (au) | Mac (hcom) | Unsigned Byte (ub) "
    "| Signed Byte (sb) | Unsigned Word (uw) | Signed Word (sw) | U Law (ul) | IRCAM (sf) "
    "| Sound Blaster (voc) | CD-format (cdr) | Ascii data (dat) | Sample Vision (smp) "
    "| Windows 3.1 (wav) ",
    "auto", "aiff", "au", "hcom", "ub", "sb", "uw", "sw", "ul", "sf", "voc", "cdr", "dat", "smp",
    "wav",
};
// clang-format on

static void panel_title(FL_OBJECT *obj) {
  fl_set_object_boxtype(obj, FL_NO_BOX);
  fl_set_object_lsize(obj, 12);
  fl_set_object_lalign(obj, FL_ALIGN_INSIDE);
  fl_set_object_lstyle(obj, FL_EMBOSSED_STYLE);
}

static void channels_title(FL_OBJECT *obj) {
  fl_set_object_lsize(obj, 12);
  fl_set_object_lalign(obj, FL_ALIGN_LEFT | FL_ALIGN_INSIDE);
  fl_set_object_lstyle(obj, FL_EMBOSSED_STYLE);
}

static FL_OBJECT *action_button(int x, int y, const char *label, const char *shortcut,
                                FL_CALLBACKPTR cb) {
  FL_OBJECT *obj = fl_add_button(FL_NORMAL_BUTTON, x, y, 70, 20, label);
  if (shortcut) fl_set_object_shortcut(obj, shortcut, 1);
  fl_set_object_callback(obj, cb, 0);
  return obj;
}

FD_main *create_form_main() {
  FD_main *fdui = static_cast<FD_main *>(calloc(1, sizeof(FD_main)));
  if (!fdui) abort();
  FL_OBJECT *obj;

  fdui->form = fl_bgn_form(FL_NO_BOX, 435, 275);
  fl_add_box(FL_UP_BOX, 0, 0, 435, 275, "");
  fl_add_frame(FL_ENGRAVED_FRAME, 10, 185, 205, 20, "");
  fl_add_frame(FL_ENGRAVED_FRAME, 10, 210, 205, 55, "");
  fl_add_frame(FL_ENGRAVED_FRAME, 220, 185, 205, 80, "");
  fl_add_frame(FL_ENGRAVED_FRAME, 220, 10, 205, 110, "");
  fl_add_frame(FL_ENGRAVED_FRAME, 10, 10, 205, 110, "");

  fdui->input_file = obj = fl_add_input(FL_NORMAL_INPUT, 60, 30, 145, 20, "");
  fl_set_object_lalign(obj, FL_ALIGN_CENTER);
  fdui->output_file = obj = fl_add_input(FL_NORMAL_INPUT, 270, 30, 145, 20, "");
  fl_set_object_lalign(obj, FL_ALIGN_CENTER);
  fdui->output_type = obj = fl_add_choice(FL_DROPLIST_CHOICE, 225, 55, 115, 20, "");
  fl_set_object_boxtype(obj, FL_FRAME_BOX);
  fl_set_object_lalign(obj, FL_ALIGN_TOP);
  fdui->input_type = obj = fl_add_choice(FL_DROPLIST_CHOICE, 15, 55, 115, 20, "");
  fl_set_object_boxtype(obj, FL_FRAME_BOX);
  fl_set_object_lalign(obj, FL_ALIGN_TOP);
  panel_title(fl_add_text(FL_NORMAL_TEXT, 85, 15, 125, 15, "Input Specs"));
  panel_title(fl_add_text(FL_NORMAL_TEXT, 290, 15, 130, 15, "Output Specs"));
  fdui->input_rate = fl_add_counter(FL_NORMAL_COUNTER, 15, 80, 115, 20, "Sample Rate");
  fdui->output_rate = fl_add_counter(FL_NORMAL_COUNTER, 225, 80, 115, 20, "Sample Rate");

  fdui->output_channels = fl_bgn_group();
  fdui->out_ch1 = obj = fl_add_checkbutton(FL_RADIO_BUTTON, 365, 90, 25, 25, "1");
  fl_set_object_lalign(obj, FL_ALIGN_LEFT);
  fdui->out_ch2 = obj = fl_add_checkbutton(FL_RADIO_BUTTON, 385, 70, 25, 25, "2");
  fl_set_object_lalign(obj, FL_ALIGN_RIGHT);
  fdui->out_ch4 = obj = fl_add_checkbutton(FL_RADIO_BUTTON, 385, 90, 25, 25, "4");
  fl_set_object_lalign(obj, FL_ALIGN_RIGHT);
  fdui->out_ch_off = obj = fl_add_checkbutton(FL_RADIO_BUTTON, 365, 70, 25, 25, "off");
  fl_set_object_lalign(obj, FL_ALIGN_LEFT);
  fl_end_group();

  fdui->input_channels = fl_bgn_group();
  fdui->in_ch1 = obj = fl_add_checkbutton(FL_RADIO_BUTTON, 155, 90, 25, 25, "1");
  fl_set_object_lalign(obj, FL_ALIGN_LEFT);
  fdui->in_ch2 = obj = fl_add_checkbutton(FL_RADIO_BUTTON, 175, 70, 25, 25, "2");
  fl_set_object_lalign(obj, FL_ALIGN_RIGHT);
  fdui->in_ch4 = obj = fl_add_checkbutton(FL_RADIO_BUTTON, 175, 90, 25, 25, "4");
  fl_set_object_lalign(obj, FL_ALIGN_RIGHT);
  fdui->in_ch_off = obj = fl_add_checkbutton(FL_RADIO_BUTTON, 155, 70, 25, 25, "off");
  fl_set_object_lalign(obj, FL_ALIGN_LEFT);
  fl_end_group();

  channels_title(fl_add_text(FL_NORMAL_TEXT, 145, 55, 65, 15, "Channels"));
  channels_title(fl_add_text(FL_NORMAL_TEXT, 355, 55, 65, 15, "Channels"));

  fdui->select_input = obj = fl_add_button(FL_NORMAL_BUTTON, 15, 30, 40, 20, "Select");
  fl_set_object_callback(obj, select_input_cb, 0);
  fdui->select_output = obj = fl_add_button(FL_NORMAL_BUTTON, 225, 30, 40, 20, "Select");
  fl_set_object_callback(obj, select_output_cb, 0);
  fdui->console = fl_add_browser(FL_NORMAL_BROWSER, 10, 125, 415, 55, "");
  fdui->play_command = obj = fl_add_input(FL_NORMAL_INPUT, 300, 200, 115, 20, "Set Play Command");
  fl_set_object_lalign(obj, FL_ALIGN_BOTTOM);

  fdui->action_group = fl_bgn_group();
  fdui->exit_button = action_button(25, 240, "Exit", "^E^E", exit_cb);
  fdui->convert_button = action_button(130, 240, "Convert", "^C^C", convert_cb);
  fdui->play_button = action_button(225, 200, "Play", "^P^P", play_cb);
  fdui->info_button = action_button(25, 215, "Info", "^I^I", info_cb);
  fdui->stop_button = action_button(225, 230, "Stop", "^S^S", stop_cb);
  fdui->effects_button = action_button(130, 215, "Add Effects", nullptr, show_effects_cb);
  fl_end_group();

  obj = fl_add_text(FL_NORMAL_TEXT, 93, 187, 114, 15, "by the Corvane team");
  fl_set_object_lalign(obj, FL_ALIGN_LEFT | FL_ALIGN_INSIDE);
  obj = fl_add_text(FL_NORMAL_TEXT, 15, 186, 71, 17, "Corvane");
  fl_set_object_lsize(obj, 14);
  fl_set_object_lalign(obj, FL_ALIGN_INSIDE);
  fl_set_object_lstyle(obj, FL_EMBOSSED_STYLE);
  fl_end_form();

  return fdui;
}
