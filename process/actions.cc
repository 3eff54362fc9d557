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
#include <functional>
#include <string>

#include "compose/from_forms.h"
#include "console/console.h"
#include "forms/dialogs.h"
#include "forms/main_form.h"
#include "process/children.h"
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
  std::string input = fl_get_input(main_form->input_file);
  for (size_t at = 0, end; at < input.size(); at = end + 1) {
    end = std::min(input.find(' ', at), input.size());
    if (end > at && same_file(input.substr(at, end - at).c_str(), output)) return true;
  }
  return false;
}

// Finds the converter the way the runner will, before the output is touched: a missing sox
// would otherwise leave the output emptied and nothing converted.
static bool converter_found() {
  int error = find_program("sox");
  if (error == 0) return true;
  fprintf(stderr, "Error: cannot execute \"sox\": %s\n", strerror(error));
  return false;
}

static void show_output_error(const char *path) {
  show_error("Error: cannot open outputfile !",
             (std::string(path) + ": " + strerror(errno)).c_str());
}

// Opens the output without waiting (a FIFO without a reader is refused at once instead of
// freezing the window) and without emptying it yet; the converter then writes to it blocking.
static int open_output(const char *path) {
  int file = open(path, O_WRONLY | O_CREAT | O_NONBLOCK | O_CLOEXEC, 0644);
  if (file >= 0 && fcntl(file, F_SETFL, fcntl(file, F_GETFL) & ~O_NONBLOCK) < 0) {
    KeepErrno keep;
    close(file);
    file = -1;
  }
  if (file < 0) show_output_error(path);
  return file;
}

// An older, longer output must not keep its tail; FIFOs and devices have nothing to empty.
static bool empty_output(int file, const char *path) {
  struct stat st;
  if (fstat(file, &st) == 0 && S_ISREG(st.st_mode) && ftruncate(file, 0) != 0) {
    show_output_error(path);
    return false;
  }
  return true;
}

constexpr int toolkit_tick_ms = 50;

// Waits for the main converter while the window stays alive: the console keeps reading (so a
// child that writes a lot to standard error cannot block), the window redraws and Stop works.
// Convert and Play are out of use meanwhile, and look it.
static void wait_for_main_converter(pid_t pid) {
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
}

// What both actions do once their commands are checked: the effect chain into `destination`,
// then the main converter into the chain's head. `ready` runs once every stage runs and may call
// the start off; with `wait` this returns only when the main converter has ended. Closing the
// head at the end gives the stages their end of file.
static void start_sound_path(int destination, const std::function<bool()> &ready, bool wait) {
  int head = build_effects_chain(destination);
  if (head < 0) {
    show_system_error("Error: cannot start the effects !");
    return;
  }
  if (ready()) {
    if (run_command(command_buffer.text, head, RUN_STDOUT_TO_FD) < 0)
      show_system_error("Error: cannot start sox !");
    else if (wait)
      wait_for_main_converter(last_child_pid);
  }
  close(head);
}

void convert_cb(FL_OBJECT *, long) {
  CommandText path;
  if (compose_main_command(false) != 0 || get_output_file(path) != 0) return;
  if (!commands_fit(path)) return;
  if (output_is_an_input(path.text)) {
    show_error("Error: outputfile is the inputfile !", "Converting would destroy it.");
    return;
  }
  if (!converter_found()) return;

  int file = open_output(path.text);
  if (file < 0) return;
  // The chain closes `file` once a stage holds it; this copy empties the output later.
  int own = fcntl(file, F_DUPFD_CLOEXEC, 3);
  if (own < 0) {
    show_system_error("Error: cannot start the effects !");
    close(file);
    return;
  }
  // Emptied only once every stage runs, so a stage that cannot start leaves the old content; the
  // stages write nothing before the converter does. Closing the copy first frees the descriptor
  // that the converter's start needs.
  start_sound_path(
      file,
      [&] {
        bool emptied = empty_output(own, path.text);
        close(own);
        own = -1;
        return emptied;
      },
      true);
  if (own >= 0) close(own);
}

void play_cb(FL_OBJECT *, long) {
  fl_call_object_callback(main_form->stop_button);
  if (compose_main_command(true) != 0) return;
  CommandText play_command;
  play_command.append("%s", fl_get_input(main_form->play_command));
  if (!commands_fit(play_command)) return;

  int player = run_command(play_command.text, 0, RUN_PIPE_STDIN);
  if (player < 0) {
    show_system_error("Error: cannot start the player !");
    return;
  }
  start_sound_path(
      player, [] { return true; }, false);
}

void stop_cb(FL_OBJECT *, long) {
  if (last_child_pid != 0 && signal_child(last_child_pid, stop_signal) == 0) {
    signal_child(last_child_pid, SIGKILL);
    console_add(main_form->console,
                "Player terminated, but music may continue until buffer is empty !");
  }
  last_child_pid = 0;
}
