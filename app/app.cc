#include "app/app.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "app/version.h"
#include "console/console.h"
#include "forms/desktop_window.h"
#include "forms/dialogs.h"
#include "forms/effects_form.h"
#include "forms/fonts.h"
#include "process/children.h"
#include "process/conversion.h"
#include "process/run_command.h"

// Children inherit descriptors 0 to 2 and pipes must never land on them: open whatever of them
// the program was started without onto /dev/null.
static void keep_standard_descriptors_open() {
  for (int fd = 0; fd <= 2; fd++)
    if (fcntl(fd, F_GETFD) < 0 && errno == EBADF) open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
}

static void child_ended_cb(int pidfd, void *) {
  collect_child(pidfd);
}
static void watch_child(int pidfd) {
  fl_add_io_callback(pidfd, FL_READ, child_ended_cb, nullptr);
}
static void unwatch_child(int pidfd) {
  fl_remove_io_callback(pidfd, FL_READ, child_ended_cb);
}

// Stages still passing on the last of the sound when Corvane ends get this long to finish.
constexpr double stage_grace_seconds = 10;

// However Corvane ends (Exit, a window closed, the X connection lost), the children it leaves
// running keep a reader on their standard error, and no conversion leaves a file behind.
static void at_exit() {
  set_child_watch(nullptr, nullptr);  // the event loop is over
  if (any_child_running()) console_hand_off();
  finish_conversions_at_exit(stage_grace_seconds);
}

void start_up(int *argc, char **argv) {
  keep_start_signals();
  keep_standard_descriptors_open();
  use_75dpi_fonts();
  fl_initialize(argc, argv, nullptr, nullptr, 0);
  main_form = create_form_main();
  effects_form = create_form_effects();
  // CENTER with ASPECT matches no placement rule: the window opens at its own position (the top
  // left corner) at its own size, and cannot be resized.
  show_window(main_form->form, FL_PLACE_CENTER | FL_PLACE_ASPECT, "Corvane");
  init_defaults(main_form);
}

void setup_rate_counter(FL_OBJECT *counter) {
  fl_set_counter_value(counter, 0);
  fl_set_counter_bounds(counter, 0, 45000);
  fl_set_counter_step(counter, 100, 1000);
  fl_set_counter_precision(counter, 0);
}

void init_defaults(FD_main *fdui) {
  setup_rate_counter(fdui->input_rate);
  setup_rate_counter(fdui->output_rate);
  fl_set_button(effects_form->plain, 1);
  fl_set_button(fdui->in_ch_off, 1);
  fl_set_button(fdui->out_ch_off, 1);
  fl_set_input(fdui->play_command, "vplay -r -b 8");
  fl_addto_choice(fdui->input_type, file_type_table[0]);
  fl_addto_choice(fdui->output_type, file_type_table[0]);
  set_child_watch(watch_child, unwatch_child);
  set_child_ended(conversion_child_ended);
  atexit(at_exit);
  if (console_start(fdui->console) != 0)
    show_alert("Error: cannot show messages in the console !", strerror(errno));
  set_child_stderr(console_child_fd());
  fl_set_goodies_font(dialog_font_style, dialog_font_size);
}

void exit_cb(FL_OBJECT *, long) {
  // Running children are left alone: a player may still be playing what it holds.
  if (ask_yes_no("Do you want to quit ?")) exit(0);
}

void info_cb(FL_OBJECT *, long) {
  fl_show_message("Corvane: a powerful Sound Converter build using the Xforms library",
                  "Sound conversion by sox, windows by the XForms toolkit",
                  "Corvane " CORVANE_VERSION " by the Corvane team, 2026, under GPL-3.0-or-later");
}
