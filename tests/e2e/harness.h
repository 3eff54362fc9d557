// Drives the real corvane on a private Xvfb without window manager by real pointer and key events
// (xdotool), and watches its windows and the player it starts from the outside.
#pragma once

// GoogleTest before Xlib, whose macros (None, Bool) would break GoogleTest's names.
#include <gtest/gtest.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/e2e/layout.h"

// One corvane in its own process group and working directory; both go with it.
struct App {
  pid_t pid = -1;
  std::string dir;
  Window main = 0;  // the "Corvane" window
  ~App() {
    if (pid > 0) kill(-pid, SIGKILL), waitpid(pid, nullptr, 0);  // at once if collected already
    std::error_code ignored;
    if (!dir.empty()) std::filesystem::remove_all(dir, ignored);
  }
  std::string path(const std::string &name) const { return dir + "/" + name; }
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

inline bool wait_gone(const std::string &title) {
  return wait_until([&] { return find_window(title) == 0; });
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

// Clicks a button of the dialog and waits for it to go; false after a test failure.
inline bool answer(const std::string &dialog, Spot button) {
  Window w = wait_window(dialog);
  if (w) click(w, button);
  if (w && wait_gone(dialog)) return true;
  ADD_FAILURE() << "the \"" << dialog << "\" window " << (w ? "stayed" : "never showed");
  return false;
}

// Presses a key in the dialog, with the pointer on it as keys go to the window under the pointer,
// and waits for the dialog to go; false after a test failure.
inline bool press(const std::string &dialog, const std::string &key) {
  Window w = wait_window(dialog);
  if (w) xdotool({"mousemove", "--window", std::to_string(w), "10", "10", "key", key});
  if (w && wait_gone(dialog)) return true;
  ADD_FAILURE() << "the \"" << dialog << "\" window " << (w ? "stayed" : "never showed");
  return false;
}

inline bool pick_file(const std::string &name) {  // in the file selector, then Ready
  if (Window w = wait_window("FileSelector")) {
    click(w, fselector_name);
    xdotool({"type", name});
  }
  return answer("FileSelector", fselector_ready);
}

// Starts corvane through its launcher (the build tree's, or CORVANE_LAUNCHER such as the
// installed /usr/bin/corvane) in a fresh folder that holds the recorder as aplay, first on PATH
// before today's sox; waits for its main window (false after a test failure).
inline bool start(App &app) {
  char pattern[] = "/tmp/corvane-e2e-XXXXXX";
  app.dir = mkdtemp(pattern) ? pattern : "";
  const char *launcher = getenv("CORVANE_LAUNCHER");
  std::string program = launcher && *launcher ? launcher : LAUNCHER;
  std::string env[] = {"PATH=" + app.dir + ":/usr/bin:/bin", "ARGV_LOG=" + app.path("calls"),
                       "ARGV_LOG_INPUT=" + app.path("played.raw")};
  if (!app.dir.empty() && symlink(ARGV_LOG, app.path("aplay").c_str()) == 0 &&
      (app.pid = fork()) == 0) {
    setpgid(0, 0);
    for (std::string &e : env) putenv(e.data());
    if (chdir(app.dir.c_str()) == 0) execl(program.c_str(), "corvane", (char *)nullptr);
    _exit(127);
  }
  setpgid(app.pid, app.pid);  // here too, so the group exists whichever side runs first
  if (app.pid > 0 && (app.main = wait_window("Corvane", 10))) return true;
  ADD_FAILURE() << program << " showed no \"Corvane\" window within 10 s";
  return false;
}

// The player's arguments as the recorder logged them once it had read all it was sent.
inline std::vector<std::string> player_call(const App &app) {
  std::vector<std::string> call;
  std::istringstream log(read_file(app.path("calls")));
  for (std::string word; std::getline(log, word, '\0');) call.push_back(word);
  return call;
}
