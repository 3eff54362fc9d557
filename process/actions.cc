#include "process/actions.h"

#include <X11/Xlib.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <string>

#include "compose/from_forms.h"
#include "console/console.h"
#include "forms/main_form.h"
#include "process/children.h"
#include "process/effects_chain.h"
#include "process/run_command.h"

CommandText command_buffer;

// Stop's first signal: SIGSYS on Linux, which ends the process (with a core where enabled).
constexpr int stop_signal = 31;

static void show_error(const char *first, const char *second = "") {
  fl_show_alert(first, second, "", 1);
}

static void show_system_error(const char *first) {
  show_error(first, strerror(errno));
}

// "sox ", the volume and the input side; -1 after an alert when no input file is set.
static int begin_main_command() {
  command_buffer.clear();
  command_buffer.append("sox ");
  add_volume_option(command_buffer);
  return add_input_file(command_buffer);
}

// A cut command would run something the user did not ask for: refuse the whole action.
static bool commands_fit(const CommandText &extra) {
  if (!command_buffer.overflow && !extra.overflow && stage_commands_fit()) return true;
  show_error("Error: command too long !", "A command holds 999 characters at most.");
  return false;
}

// Opening the output truncates it, so an output that is the input itself would lose the input.
static bool same_file(const char *a, const char *b) {
  struct stat sa, sb;
  return stat(a, &sa) == 0 && stat(b, &sb) == 0 && sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

constexpr int toolkit_tick_ms = 50;

// Waits for the main converter while the window stays alive: the console keeps reading (so a
// child that writes a lot to standard error cannot block), the window redraws and Stop works.
static void wait_for_main_converter(pid_t pid) {
  Display *display = fl_get_display();
  fl_deactivate_object(main_form->convert_button);
  fl_deactivate_object(main_form->play_button);
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
  fl_activate_object(main_form->convert_button);
  fl_activate_object(main_form->play_button);
}

void convert_cb(FL_OBJECT *, long) {
  CommandText path;
  if (begin_main_command() != 0) return;
  if (get_output_file(path) != 0) return;
  add_output_options(command_buffer);
  command_buffer.append(" -");
  if (!commands_fit(path)) return;
  if (same_file(fl_get_input(main_form->input_file), path.text)) {
    show_error("Error: outputfile is the inputfile !", "Converting would destroy it.");
    return;
  }

  int file = open(path.text, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (file < 0) {
    show_error("Error: cannot open outputfile !",
               (std::string(path.text) + ": " + strerror(errno)).c_str());
    return;
  }
  int head = build_effects_chain(file);
  if (head < 0) {
    show_system_error("Error: cannot start the effects !");
    return;
  }
  if (run_command(command_buffer.text, head, RUN_STDOUT_TO_FD) < 0) {
    show_system_error("Error: cannot start sox !");
  } else {
    wait_for_main_converter(last_child_pid);
  }
  // The stages see end of file now and finish the output on their own.
  close(head);
}

void play_cb(FL_OBJECT *, long) {
  fl_call_object_callback(main_form->stop_button);
  if (begin_main_command() != 0) return;
  if (fl_get_choice(main_form->output_type) == 1) fl_set_choice(main_form->output_type, 5);
  add_output_options(command_buffer);
  command_buffer.append(" -");
  CommandText play_command;
  play_command.append("%s", fl_get_input(main_form->play_command));
  if (!commands_fit(play_command)) return;

  int player = run_command(play_command.text, 0, RUN_PIPE_STDIN);
  if (player < 0) {
    show_system_error("Error: cannot start the player !");
    return;
  }
  int head = build_effects_chain(player);
  if (head < 0) {
    show_system_error("Error: cannot start the effects !");
    return;
  }
  if (run_command(command_buffer.text, head, RUN_STDOUT_TO_FD) < 0)
    show_system_error("Error: cannot start sox !");
  close(head);
}

void stop_cb(FL_OBJECT *, long) {
  if (last_child_pid != 0 && signal_child(last_child_pid, stop_signal) == 0) {
    signal_child(last_child_pid, SIGKILL);
    console_add(main_form->console,
                "Player terminated, but music may continue until buffer is empty !");
  }
  last_child_pid = 0;
}
