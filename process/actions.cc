#include "process/actions.h"

#include <X11/Xlib.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "compose/from_forms.h"
#include "console/console.h"
#include "forms/desktop_window.h"
#include "forms/dialogs.h"
#include "forms/main_form.h"
#include "process/children.h"
#include "process/conversion.h"
#include "process/effects_chain.h"
#include "process/keep_errno.h"
#include "process/run_command.h"

CommandText command_buffer;

// Stop's first signal: SIGSYS on Linux, which ends the process (with a core where enabled).
constexpr int stop_signal = 31;

static void show_error(const char *first, const char *second = "") {
  show_alert(first, second);
}

static void show_system_error(const char *first) {
  show_error(first, strerror(errno));
}

// The main converter command: "sox ", the volume, the input side, the output options and " -";
// -1 after an alert when no input file is set. A player has no file name to take a type from,
// so Play makes " Use Filetype " unsigned bytes, visibly and for later actions too.
static int compose_main_command(bool for_player) {
  command_buffer.clear();
  command_buffer.append("sox ");
  add_volume_option(command_buffer);
  if (add_input_file(command_buffer) != 0) return -1;
  if (for_player && fl_get_choice(main_form->output_type) == 1)
    fl_set_choice(main_form->output_type, 5);
  add_output_options(command_buffer);
  command_buffer.append(" -");
  return 0;
}

// A cut command would run something the user did not ask for: refuse the whole action.
static bool commands_fit(const CommandText &extra) {
  if (!command_buffer.overflow && !extra.overflow && stage_commands_fit()) return true;
  show_error("Error: command too long !", "A command holds 999 characters at most.");
  return false;
}

static bool same_file(const char *a, const char *b) {
  struct stat sa, sb;
  return stat(a, &sa) == 0 && stat(b, &sb) == 0 && sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

// Emptying the output would destroy an input that is the same file. sox gets the input field's
// words split at blanks, so every word counts, not the field's raw text.
static bool output_is_an_input(const char *output) {
  std::string input = read_settings().input_file;
  for (size_t at = 0, end; at < input.size(); at = end + 1) {
    end = std::min(input.find(' ', at), input.size());
    if (end > at && same_file(input.substr(at, end - at).c_str(), output)) return true;
  }
  return false;
}

static void show_output_error(const char *path) {
  show_error("Error: cannot open outputfile !",
             (std::string(path) + ": " + strerror(errno)).c_str());
}

constexpr int toolkit_tick_ms = 50;

// Waits for the main converter while the window stays alive: the console keeps reading (so a
// child that writes a lot to standard error cannot block), the window redraws and Stop works.
// Convert and Play are out of use meanwhile, and look it.
static void wait_for_main_converter(pid_t pid) {
  show_busy_cursor(true);
  Display *display = fl_get_display();
  FL_OBJECT *buttons[] = {main_form->convert_button, main_form->play_button};
  FL_COLOR label[2];
  for (int i = 0; i < 2; i++) {
    label[i] = buttons[i]->lcol;
    fl_deactivate_object(buttons[i]);
    fl_set_object_lcol(buttons[i], FL_INACTIVE);
  }
  while (child_running(pid)) {
    if (XEventsQueued(display, QueuedAfterFlush) == 0) {
      pollfd watched[] = {{ConnectionNumber(display), POLLIN, 0},
                          {child_pidfd(pid), POLLIN, 0},
                          {console_fd(), POLLIN, 0}};
      // The toolkit's timers and auto-repeat need it back now and then, as in its own loop.
      poll(watched, 3, toolkit_tick_ms);
    }
    fl_check_forms();
  }
  for (int i = 0; i < 2; i++) {
    fl_activate_object(buttons[i]);
    fl_set_object_lcol(buttons[i], label[i]);
  }
  show_busy_cursor(false);
}

// What both actions do once their commands are checked: the effect chain into `destination`,
// then the main converter into the chain's head, which is left in *head (-1 when there is none)
// for the caller to close: that gives the stages their end of file. A Convert's `conversion` is
// made ready once every stage runs, which may call the start off. Returns the processes started, in
// the order the sound passes them, the main converter first; empty when it could not start, with
// the reason in *why.
static std::vector<Member> start_sound_path(int destination, Conversion *conversion, int *head,
                                            std::string *why) {
  std::vector<pid_t> stages;
  *head = build_effects_chain(destination, &stages);
  if (*head < 0) {
    *why = std::string("the effects could not start: ") + strerror(errno);
    show_system_error("Error: cannot start the effects !");
    return {};
  }
  if (conversion && !conversion_ready(conversion)) {
    *why = std::string("it could not be emptied: ") + strerror(errno);
    show_output_error(conversion->output.c_str());
    return {};
  }
  if (run_command(command_buffer.text, *head, RUN_STDOUT_TO_FD) < 0) {
    *why = std::string("the converter could not start: ") + strerror(errno);
    show_system_error("Error: cannot start sox !");
    return {};
  }
  std::vector<Member> started = {{last_child_pid, "the converter"}};
  Effect effects[5];
  selected_effects(effects);
  static const char *const role[] = {"the echo stage", "the vibrato stage", "the low-pass stage",
                                     "the high-pass stage", "the band-pass stage"};
  for (size_t i = stages.size(); i-- > 0;) started.push_back({stages[i], role[effects[i]]});
  return started;
}

void convert_cb(FL_OBJECT *, long) {
  CommandText path;
  if (compose_main_command(false) != 0 || get_output_file(path) != 0) return;
  if (check_names(false) != 0) return;
  if (!commands_fit(path)) return;
  if (output_is_an_input(path.text)) {
    show_error("Error: outputfile is the inputfile !", "Converting would destroy it.");
    return;
  }
  Conversion conversion;
  if (!open_conversion(path.text, &conversion)) {
    show_output_error(path.text);
    return;
  }
  int head;
  std::string why;
  std::vector<Member> started = start_sound_path(conversion.file, &conversion, &head, &why);
  if (started.empty()) {
    if (head >= 0) close(head);
    conversion_not_started(&conversion, why);
    return;
  }
  pid_t main = started.front().pid;
  conversion.members = std::move(started);
  conversion_started(std::move(conversion));  // before any of them can be collected
  wait_for_main_converter(main);
  close(head);
  // Collected now, so that a Convert without effects returns with its output in place.
  collect_child(child_pidfd(main));
}

void play_cb(FL_OBJECT *, long) {
  fl_call_object_callback(main_form->stop_button);
  if (compose_main_command(true) != 0) return;
  if (check_names(true) != 0) return;
  CommandText play_command;
  play_command.append("%s", read_settings().play_command.c_str());
  if (!commands_fit(play_command)) return;

  int player = run_command(play_command.text, 0, RUN_PIPE_STDIN);
  if (player < 0) {
    show_system_error("Error: cannot start the player !");
    return;
  }
  int head;
  std::string why;  // the alert says it
  start_sound_path(player, nullptr, &head, &why);
  if (head >= 0) close(head);
}

void stop_cb(FL_OBJECT *, long) {
  if (last_child_pid != 0 && signal_child(last_child_pid, stop_signal) == 0) {
    signal_child(last_child_pid, SIGKILL);
    console_add(main_form->console,
                "Player terminated, but music may continue until buffer is empty !");
  }
  last_child_pid = 0;
}
