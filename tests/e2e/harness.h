// Drives the real corvane on the X server named by DISPLAY (a private Xvfb, no window manager)
// with real pointer and key events through xdotool, and watches it from the outside: its
// windows, the programs it starts (recorded by the stand-ins in bin/), its exit status.
#pragma once

// GoogleTest before Xlib, whose macros (None, Bool) would break GoogleTest's names.
#include <gtest/gtest.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/e2e/layout.h"

// One corvane in its own process group and a fresh working directory. Destroying it kills the
// group (corvane and whatever it left running) and removes the directory.
struct App {
  pid_t pid = -1;
  std::string dir;
  Window main = 0;  // the "Corvane" window
  int status = -1;  // exit status once ended: the code, or 128 + signal
  App() = default;
  App(const App &) = delete;
  ~App();
  std::string path(const std::string &name) const { return dir + "/" + name; }
};

// One start recorded by the stand-ins.
struct Call {
  pid_t pid;
  std::vector<std::string> argv;
};

// The test's own connection, to look at windows.
inline Display *display() {
  static Display *d = XOpenDisplay(nullptr);
  if (!d) fprintf(stderr, "no X display: run under tests/with-xvfb\n"), exit(1);
  XSetErrorHandler([](Display *, XErrorEvent *) { return 0; });  // windows vanish while looked at
  return d;
}

inline bool wait_until(const std::function<bool()> &done, double seconds = 5) {  // every 10 ms
  auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  for (; !done(); std::this_thread::sleep_for(std::chrono::milliseconds(10)))
    if (std::chrono::steady_clock::now() > end) return false;
  return true;
}

// Runs argv (searched on PATH) and returns its standard output; its exit status in *status.
inline std::string run(const std::vector<std::string> &argv, int *status = nullptr) {
  std::string command = "exec";
  for (std::string word : argv) {  // each in single quotes for sh
    for (size_t at = 0; (at = word.find('\'', at)) != std::string::npos; at += 4)
      word.replace(at, 1, "'\\''");
    command += " '" + word + "'";
  }
  FILE *out = popen(command.c_str(), "r");
  std::string text;
  char buf[4096];
  for (size_t got; out && (got = fread(buf, 1, sizeof buf, out)) > 0;) text.append(buf, got);
  int raw = out ? pclose(out) : -1;
  if (status) *status = raw != -1 && WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  return text;
}

inline std::string read_file(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

inline void xdotool(std::vector<std::string> args) {
  // It decodes typed text by the locale, and a test may run with none (C).
  args.insert(args.begin(), {"env", "LC_ALL=C.UTF-8", "xdotool"});
  int status = -1;
  run(args, &status);
  EXPECT_EQ(status, 0) << "failed: " << ::testing::PrintToString(args);
}

// No --sync: it can wait 15 s when a dialog opens under the pointer. Motion and click go through
// the same connection, so the click lands where the pointer was moved anyway.
inline void click(Window w, Spot at, int button = 1) {
  xdotool({"mousemove", "--window", std::to_string(w), std::to_string(at.x), std::to_string(at.y),
           "click", std::to_string(button)});
}

// Without a window manager the top-level windows are the root's children, the topmost last.
inline Window find_window(const std::string &title) {
  std::string ids =
      run({"xdotool", "search", "--maxdepth", "1", "--onlyvisible", "--name", "^" + title + "$"});
  return ids.empty() ? 0 : std::stoul(ids.substr(ids.rfind('\n', ids.size() - 2) + 1));
}

inline Window wait_window(const std::string &title, double seconds = 5) {  // 0 if none shows
  Window w = 0;
  wait_until([&] { return (w = find_window(title)) != 0; }, seconds);
  return w;
}

inline bool wait_gone(const std::string &title, double seconds = 5) {
  return wait_until([&] { return find_window(title) == 0; }, seconds);
}

// "WxH+X+Y", then " fixed" when its size hints forbid resizing.
inline std::string geometry(Window w) {
  XWindowAttributes a{};
  XSizeHints h{};
  long supplied;
  int x = 0, y = 0;
  XGetWindowAttributes(display(), w, &a);
  XGetWMNormalHints(display(), w, &h, &supplied);
  XTranslateCoordinates(display(), w, a.root, 0, 0, &x, &y, &w);
  bool fixed = h.min_width == a.width && h.max_width == a.width && h.min_height == a.height &&
               h.max_height == a.height;
  return std::to_string(a.width) + "x" + std::to_string(a.height) + "+" + std::to_string(x) + "+" +
         std::to_string(y) + (fixed ? " fixed" : "");
}

inline bool button_pushed(Window w, Box b) {  // drawn sunk in: its bottom right edge lit
  auto light = [&](int x, int y) {            // the sum of a 24-bit pixel's colour channels
    XImage *image = XGetImage(display(), w, x, y, 1, 1, AllPlanes, ZPixmap);
    if (!image) return -1;
    unsigned long p = XGetPixel(image, 0, 0);
    XDestroyImage(image);
    return int((p & 0xff) + (p >> 8 & 0xff) + (p >> 16 & 0xff));
  };
  return light(b.x + b.width - 1, b.y + b.height - 1) > light(b.x, b.y);
}

inline void fill_field(Window w, Box field, const std::string &text) {  // emptied first
  click(w, field);
  xdotool({"key", "ctrl+a", "ctrl+k"});  // the toolkit's start of line, delete to its end
  if (!text.empty()) xdotool({"type", "--delay", "2", text});
}

// Clicks a button of the dialog and waits for it to go; false after a test failure.
inline bool answer(const std::string &dialog, Spot button) {
  Window w = wait_window(dialog);
  if (w) click(w, button);
  if (w && wait_gone(dialog)) return true;
  ADD_FAILURE() << "the \"" << dialog << "\" window " << (w ? "stayed" : "never showed");
  return false;
}

// Info by its shortcut, then Ok: true when the program answered, so it handled all before.
inline bool answers(const App &app) {
  click(app.main, input_file);
  xdotool({"key", "Tab"});
  int width = 0, height = 0;
  sscanf(geometry(wait_window("Message")).c_str(), "%dx%d", &width, &height);
  return answer("Message", {width / 2, height - message_ok_from_bottom});
}

inline bool pick_file(const std::string &name) {  // in the file selector, then Ready
  if (Window w = wait_window("FileSelector")) {
    click(w, fselector_name);
    xdotool({"type", name});
  }
  return answer("FileSelector", fselector_ready);
}

inline bool make_tone(const std::string &path, double seconds) {  // 440 Hz, 8000 Hz mono
  int status = -1;
  run({E2E_REAL_SOX, "-n", "-r", "8000", path, "synth", std::to_string(seconds), "sine", "440"},
      &status);
  return status == 0;
}

// Starts `program` as "corvane" and waits for its main window (false after a test failure). The
// stand-ins come first on PATH and record into app.dir; the "NAME=value" entries that `setup`
// returns win over these, and it may fill app.dir.
using Setup = std::function<std::vector<std::string>(const App &)>;
inline bool start_program(App &app, const std::string &program, const Setup &setup) {
  char pattern[] = "/tmp/corvane-e2e-XXXXXX";
  app.dir = mkdtemp(pattern) ? pattern : "";
  std::vector<std::string> env = {
      "PATH=" E2E_BIN_DIR ":" + std::string(getenv("PATH")), "E2E_REAL_SOX=" E2E_REAL_SOX,
      "E2E_CALLS=" + app.path("calls.log"), "E2E_PLAYED=" + app.path("played.raw")};
  for (const std::string &e : setup(app)) env.push_back(e);
  if (!app.dir.empty() && (app.pid = fork()) == 0) {
    setpgid(0, 0);
    for (const std::string &e : env) putenv(const_cast<char *>(e.c_str()));
    if (chdir(app.dir.c_str()) == 0) execl(program.c_str(), "corvane", (char *)nullptr);
    _exit(127);
  }
  setpgid(app.pid, app.pid);  // here too, so the group exists whichever side runs first
  if (app.pid > 0 && (app.main = wait_window("Corvane", 10))) return true;
  ADD_FAILURE() << program << " showed no \"Corvane\" window within 10 s";
  return false;
}

inline bool start(App &app, const std::vector<std::string> &env = {}) {  // the build's corvane
  return start_program(app, CORVANE, [&](const App &) { return env; });
}

inline bool wait_exit(App &app, double seconds = 5) {  // then app.status holds its status
  int raw = 0;
  if (app.status < 0 && wait_until([&] { return waitpid(app.pid, &raw, WNOHANG) > 0; }, seconds))
    app.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
  return app.status >= 0;
}

inline App::~App() {
  if (pid > 0 && kill(-pid, SIGKILL) == 0 && status < 0) waitpid(pid, nullptr, 0);
  wait_gone("Corvane");  // the next test must not find this one's windows
  std::error_code ignored;
  if (!dir.empty()) std::filesystem::remove_all(dir, ignored);
}

// A stand-in's line: its process id (exec keeps it), then every argument in brackets, so that
// blanks inside and around an argument stay visible.
inline std::vector<Call> calls(const App &app) {  // in the order of the forks
  std::vector<Call> result;
  std::string log = read_file(app.path("calls.log"));
  std::istringstream lines(log.erase(log.rfind('\n') + 1));  // a line still being written waits
  for (std::string line; std::getline(lines, line);) {
    Call call{atoi(line.c_str()), {}};
    size_t at = line.find(" [") + 2, end;
    EXPECT_TRUE(at > 1 && line.back() == ']') << "not a line of the stand-ins: " << line;
    for (; at > 1 && at < line.size(); at = end + 3) {
      end = std::min(line.find("] [", at), line.size() - 1);  // no argument holds "] ["
      call.argv.push_back(line.substr(at, end - at));
    }
    result.push_back(call);
  }
  // The started scripts log in whatever order they get to run; the ids follow the forks.
  std::stable_sort(result.begin(), result.end(),
                   [](const Call &a, const Call &b) { return a.pid < b.pid; });
  return result;
}

inline bool process_ended(pid_t pid) {  // gone, or a zombie not yet collected
  std::string stat = read_file("/proc/" + std::to_string(pid) + "/stat");
  return stat.empty() || stat.compare(stat.rfind(')') + 2, 1, "Z") == 0;
}

// n starts recorded, and all of them ended.
inline bool wait_calls_ended(const App &app, size_t n, double seconds = 10) {
  auto ended = [](const Call &call) { return process_ended(call.pid); };
  std::vector<Call> c;
  return wait_until(
      [&] { return (c = calls(app)).size() >= n && all_of(c.begin(), c.end(), ended); }, seconds);
}

inline bool wait_blocked_on_pipe(pid_t pid, double seconds = 5) {  // writing to a full pipe
  std::string wchan = "/proc/" + std::to_string(pid) + "/wchan";   // anon_pipe_write since 6.x
  return wait_until([&] { return read_file(wchan).find("pipe_write") != std::string::npos; },
                    seconds);
}
