// Drives the real corvane program on the X server named by DISPLAY (a private Xvfb, no window
// manager) with real pointer and key events, and watches it from the outside: its windows, the
// programs it starts and its exit status.
#pragma once

#include <sys/types.h>

#include <functional>
#include <string>
#include <vector>

#include "tests/e2e/layout.h"

// An X window id, as Xlib's Window (Xlib's own header clashes with GoogleTest's names).
typedef unsigned long Window;

// One corvane process, in its own process group and a fresh working directory. The stand-ins in
// tests/e2e/bin come first on its PATH and record every start (see calls()). Destroying the object
// kills the whole process group (corvane and whatever it left running) and removes the directory.
struct App {
  pid_t pid = -1;
  std::string dir;  // working directory, symlinks resolved
  Window main = 0;  // the "Corvane" window
  int status = -1;  // exit status once ended: the code, or 128 + signal
  App() = default;
  App(const App &) = delete;
  App &operator=(const App &) = delete;
  ~App();
  std::string path(const std::string &name) const { return dir + "/" + name; }
};

// Starts corvane with extra "NAME=value" environment entries and waits for its main window;
// false (after a test failure saying what went wrong) if it does not show.
bool start(App &app, const std::vector<std::string> &env = {});

// Starts `program` (as argv[0] "corvane") the way start() does. `setup` runs once the working
// directory exists: it may put files there, and the environment entries it returns win over the
// defaults (a PATH among them replaces the stand-ins' PATH).
bool start_program(App &app, const std::string &program,
                   const std::function<std::vector<std::string>(const App &)> &setup);

// True once app has ended within `seconds`; app.status then holds its exit status.
bool wait_exit(App &app, double seconds = 5);

// True once done() holds; polls every 10 ms for at most `seconds`.
bool wait_until(const std::function<bool()> &done, double seconds = 5);

// The topmost viewable top-level window titled exactly `name`; 0 if none shows within `seconds`.
Window wait_window(const std::string &name, double seconds = 5);
// True once no viewable top-level window is titled `name`.
bool wait_gone(const std::string &name, double seconds = 5);

struct Geometry {
  int x, y, width, height;
};
Geometry geometry(Window w);
bool viewable(Window w);
std::string title(Window w);

struct SizeLimits {
  int min_width, min_height, max_width, max_height;  // 0 where the hint is missing
};
SizeLimits size_limits(Window w);

// Real pointer and key events through xdotool, at positions relative to w.
void click(Window w, Spot at, int button = 1);
void click(Window w, Box b, int button = 1);           // at its centre
void key(Window w, Spot at, const std::string &keys);  // pointer there first; e.g. "ctrl+e"
void type_text(const std::string &text);               // into the window under the pointer
// Clicks into a text field, empties it and types text.
void fill_field(Window w, Box field, const std::string &text);

// What a window manager sends when the user closes a window.
void send_delete_window(Window w);
// Moves a window as a user would through a window manager.
void move_window(Window w, int x, int y);

// Raw pixel values of a rectangle of w, row by row.
std::vector<unsigned long> pixels(Window w, Box b);
// A push button drawn sunk in (pushed) rather than raised: its bottom right edge is the lit one.
bool button_pushed(Window w, Box b);

// True once w shows more than one colour and two looks 10 ms apart agree: drawn and settled.
bool wait_drawn(Window w, double seconds = 5);

// Saves the window's part of the screen as a PNG file (imagemagick's import); false on failure.
bool screenshot(Window w, const std::string &file);

// Clicks a button of the dialog window titled `dialog` and waits for the dialog to go; false
// (after a test failure) if it never showed or does not close.
bool answer(const std::string &dialog, Spot button);
bool dismiss_message();

// Presses Info and dismisses the message: true when the program answered, which also shows that
// it has handled every event sent before.
bool answers(const App &app);

// In the file selector the program has opened: types name into its name field, presses Ready.
bool pick_file(const std::string &name);

// One start recorded by the stand-ins: its process id and its argument vector.
struct Call {
  pid_t pid;
  std::vector<std::string> argv;
};
// In the order they were started.
std::vector<Call> calls(const App &app);
// Waits until at least n starts are recorded and each of them has ended.
bool wait_calls_ended(const App &app, size_t n, double seconds = 10);
bool process_ended(pid_t pid);  // gone, or a zombie not yet collected
// True once pid sleeps in a write to a full pipe (as the kernel's wchan tells).
bool wait_blocked_on_pipe(pid_t pid, double seconds = 5);

// Runs a program (searched on PATH) and returns its standard output; its exit status in *status.
std::string run(const std::vector<std::string> &argv, int *status = nullptr);
std::string read_file(const std::string &path);

// A 440 Hz sine tone made by the real sox.
bool make_tone(const std::string &path, double seconds, int rate = 8000, int channels = 1);
