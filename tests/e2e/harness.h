// Drives the real corvane on a private Xvfb without window manager by real pointer and key events
// (xdotool), and watches its windows and the player it starts from the outside.
#pragma once

// GoogleTest before Xlib, whose macros (None, Bool) would break GoogleTest's names.
#include <gtest/gtest.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/cursorfont.h>
#include <X11/extensions/Xfixes.h>
#include <fcntl.h>
#include <png.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/e2e/layout.h"

inline std::string read_file(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// One corvane in its own process group and a fresh folder; both go with it.
struct App {
  pid_t pid = -1;
  std::string dir;
  Window main = 0;  // the "Corvane" window
  App() {
    char pattern[] = "/tmp/corvane-e2e-XXXXXX";
    dir = mkdtemp(pattern) ? pattern : "";
  }
  ~App() {
    if (pid > 0) kill(-pid, SIGKILL), waitpid(pid, nullptr, 0);  // at once if collected already
    std::error_code ignored;
    if (!dir.empty()) std::filesystem::remove_all(dir, ignored);
  }
  std::string path(const std::string &name) const { return dir + "/" + name; }
  std::string children() const {  // running or not yet collected
    return read_file("/proc/" + std::to_string(pid) + "/task/" + std::to_string(pid) + "/children");
  }
};

// The test's own connection, to look at windows.
inline Display *display() {
  static Display *d = XOpenDisplay(nullptr);
  if (!d) fprintf(stderr, "no X display: run under tests/with-xvfb\n"), exit(1);
  XSetErrorHandler([](Display *, XErrorEvent *) { return 0; });  // windows vanish while looked at
  return d;
}

template <class Done>
bool wait_until(Done done, double seconds = 5) {  // every 10 ms
  auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  for (; !done(); std::this_thread::sleep_for(std::chrono::milliseconds(10)))
    if (std::chrono::steady_clock::now() > end) return false;
  return true;
}

// Runs argv (searched on PATH; no word holds a single quote) and returns its standard output; its
// exit status in *status.
inline std::string run(const std::vector<std::string> &argv, int *status = nullptr) {
  std::string command = "exec";
  for (const std::string &word : argv) command += " '" + word + "'";
  FILE *out = popen(command.c_str(), "r");
  std::string text;
  char buf[4096];
  for (size_t got; out && (got = fread(buf, 1, sizeof buf, out)) > 0;) text.append(buf, got);
  int raw = out ? pclose(out) : -1;
  if (status) *status = raw != -1 && WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  return text;
}

// Moves the pointer to `at` in w and does `what` there (xdotool's words: unless told, a click of
// button 1 without the 100 ms xdotool sleeps after each; keys go to the window under the
// pointer). No --sync: it can wait 15 s when a dialog opens under the pointer; motion and click
// go through one connection, so the click lands where the pointer was moved anyway. Typed text
// is decoded in a UTF-8 locale, whatever the test's own.
inline void click(Window w, Spot at,
                  std::vector<std::string> what = {"click", "--delay", "0", "1"}) {
  what.insert(what.begin(), {"env", "LC_ALL=C.UTF-8", "xdotool", "mousemove", "--window",
                             std::to_string(w), std::to_string(at.x), std::to_string(at.y)});
  int status = -1;
  run(what, &status);
  EXPECT_EQ(status, 0) << "failed: " << ::testing::PrintToString(what);
}

inline void type_into(const App &app, Box field, const std::string &text) {
  click(app.main, field, {"click", "--delay", "0", "1", "type", text});
}

// The topmost shown top-level window of that title, once there is one within `seconds`, else 0.
// Without a window manager the top-level windows are the root's children, the topmost last.
inline Window wait_window(const std::string &title, double seconds = 5) {
  std::string ids, name = "^" + title + "$";
  auto search = [&] {
    return run({"xdotool", "search", "--maxdepth", "1", "--onlyvisible", "--name", name});
  };
  wait_until([&] { return !(ids = search()).empty(); }, seconds);
  return ids.empty() ? 0 : std::stoul(ids.substr(ids.rfind('\n', ids.size() - 2) + 1));
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
  XImage *image = XGetImage(display(), w, b.x, b.y, b.width, b.height, AllPlanes, ZPixmap);
  auto light = [&](int x, int y) {  // the sum of a 24-bit pixel's colour channels
    unsigned long p = XGetPixel(image, x, y);
    return (p & 0xff) + (p >> 8 & 0xff) + (p >> 16 & 0xff);
  };
  bool pushed = image && light(b.width - 1, b.height - 1) > light(0, 0);
  if (image) XDestroyImage(image);
  return pushed;
}

// A window's CARDINAL property; empty when unset.
inline std::vector<unsigned long> cardinals(Window w, const char *name) {
  Atom type;
  int format = 0;
  unsigned long count = 0, left;
  unsigned char *data = nullptr;
  XGetWindowProperty(display(), w, XInternAtom(display(), name, False), 0, 1 << 20, False,
                     XA_CARDINAL, &type, &format, &count, &left, &data);
  std::vector<unsigned long> values;
  for (unsigned long i = 0; format == 32 && i < count; i++)  // each a long, sign extended
    values.push_back(reinterpret_cast<long *>(data)[i] & 0xffffffff);
  if (data) XFree(data);
  return values;
}

// A PNG file as _NET_WM_ICON holds an icon: width, height, then 0xAARRGGBB row by row.
inline std::vector<unsigned long> png_as_net_wm_icon(const char *path) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  std::vector<png_byte> argb;
  if (png_image_begin_read_from_file(&image, path)) {
    image.format = PNG_FORMAT_ARGB;
    argb.resize(PNG_IMAGE_SIZE(image));
    png_image_finish_read(&image, nullptr, argb.data(), 0, nullptr);
  }
  std::vector<unsigned long> icon{image.width, image.height};
  for (size_t i = 0; i + 3 < argb.size(); i += 4)
    icon.push_back((0ul + argb[i]) << 24 | argb[i + 1] << 16 | argb[i + 2] << 8 | argb[i + 3]);
  return icon;
}

// A pixel of a window's WM_HINTS icon on a 24-bit screen: its 0xRRGGBB where the mask lets it
// through, else -1; -2 without an icon pixmap and mask.
inline long wm_hints_icon_at(Window w, Spot at) {
  XWMHints *hints = XGetWMHints(display(), w);
  long seen = -2;
  if (hints && (hints->flags & IconPixmapHint) && (hints->flags & IconMaskHint)) {
    XImage *colour = XGetImage(display(), hints->icon_pixmap, at.x, at.y, 1, 1, AllPlanes, ZPixmap);
    XImage *mask = XGetImage(display(), hints->icon_mask, at.x, at.y, 1, 1, 1, XYPixmap);
    if (colour && mask) seen = XGetPixel(mask, 0, 0) ? long(XGetPixel(colour, 0, 0)) : -1;
    if (colour) XDestroyImage(colour);
    if (mask) XDestroyImage(mask);
  }
  if (hints) XFree(hints);
  return seen;
}

// The cursor the X server shows with the pointer at `at` in w, as XFixes reads it: hotspot, size
// and ARGB pixels, whoever set it. A cursor that has just changed reads as a placeholder (serial
// 0) for a moment: it waits for the real one, and is empty if none comes.
inline std::vector<unsigned long> cursor_at(Window w, Spot at) {
  XWarpPointer(display(), 0, w, 0, 0, 0, 0, at.x, at.y);
  std::vector<unsigned long> shape;
  wait_until([&] {
    XFixesCursorImage *c = XFixesGetCursorImage(display());
    if (c && c->cursor_serial != 0) {
      shape = {c->xhot, c->yhot, c->width, c->height};
      shape.insert(shape.end(), c->pixels, c->pixels + c->width * c->height);
    }
    if (c) XFree(c);
    return !shape.empty();
  });
  return shape;
}

// Does `what` at `at` in the dialog and waits for it to go; false after a test failure.
inline bool answer(const std::string &dialog, Spot at,
                   std::vector<std::string> what = {"click", "--delay", "0", "1"}) {
  Window w = wait_window(dialog);
  if (w) click(w, at, what);
  if (w && wait_until([&] { return !wait_window(dialog, 0); })) return true;
  ADD_FAILURE() << "the \"" << dialog << "\" window " << (w ? "stayed" : "never showed");
  return false;
}

inline bool pick_file(const App &app, Box select, const std::string &name) {  // typed, then Ready
  click(app.main, select);
  if (Window w = wait_window("FileSelector"))
    click(w, fselector_name, {"click", "--delay", "0", "1", "type", name});
  return answer("FileSelector", fselector_ready);
}

// Exit, answered Yes, which leaves "answered" in its folder for stand-ins that wait for it: the
// program's wait status once it has ended (the launcher execs it), 0 when it exited with status
// 0; -1 while it runs.
inline int quit(const App &app, double seconds = 5) {
  click(app.main, exit_button);
  int status = -1;
  if (answer("Question", question_yes) && std::ofstream(app.path("answered")))
    wait_until([&] { return waitpid(app.pid, &status, WNOHANG) > 0; }, seconds);
  return status;
}

// Starts corvane through its launcher (the build tree's, or CORVANE_LAUNCHER such as the
// installed /usr/bin/corvane) in its folder, which holds a second of 440 Hz at 8000 Hz
// (tone.wav) and the recorder as aplay, first on PATH before today's sox, with `env` added to
// its environment; waits for its main window (false after a test failure). With `strays`, it
// inherits that many descriptors of its folder from a careless parent, none close-on-exec, with
// room to open more than select() can take.
inline bool start(App &app, std::vector<std::string> env = {}, int strays = 0) {
  const char *launcher = getenv("CORVANE_LAUNCHER");
  std::string program = launcher && *launcher ? launcher : LAUNCHER;
  env.insert(env.end(), {"PATH=" + app.dir + ":/usr/bin:/bin", "ARGV_LOG=" + app.path("calls"),
                         "ARGV_LOG_INPUT=" + app.path("played.raw")});
  if (system(("sox -n -r 8000 " + app.path("tone.wav") + " synth 1 sine 440").c_str()) == 0 &&
      symlink(ARGV_LOG, app.path("aplay").c_str()) == 0 && (app.pid = fork()) == 0) {
    setpgid(0, 0);
    rlimit limit{};
    getrlimit(RLIMIT_NOFILE, &limit);
    limit.rlim_cur = std::max(limit.rlim_cur, std::min<rlim_t>(limit.rlim_max, 4096));
    setrlimit(RLIMIT_NOFILE, &limit);
    for (int i = 0; i < strays; i++) open(app.dir.c_str(), O_RDONLY | O_DIRECTORY);
    for (std::string &e : env) putenv(e.data());
    if (chdir(app.dir.c_str()) == 0) execl(program.c_str(), "corvane", (char *)nullptr);
    _exit(127);
  }
  setpgid(app.pid, app.pid);  // here too, so the group exists whichever side runs first
  if (app.pid > 0 && (app.main = wait_window("Corvane", 10))) return true;
  ADD_FAILURE() << program << " showed no \"Corvane\" window within 10 s";
  return false;
}
