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

// A window's CARDINAL property; empty when unset.
inline std::vector<unsigned long> cardinals(Window w, const char *name) {
  Atom type;
  int format;
  unsigned long count = 0, left;
  unsigned char *data = nullptr;
  std::vector<unsigned long> values;
  if (XGetWindowProperty(display(), w, XInternAtom(display(), name, False), 0, 1 << 20, False,
                         XA_CARDINAL, &type, &format, &count, &left, &data) == Success &&
      type == XA_CARDINAL && format == 32)
    for (unsigned long i = 0; i < count; i++)  // Xlib hands each as a long, sign extended
      values.push_back(reinterpret_cast<long *>(data)[i] & 0xffffffff);
  if (data) XFree(data);
  return values;
}

// A PNG file as _NET_WM_ICON holds an icon: width, height, then 0xAARRGGBB row by row.
inline std::vector<unsigned long> png_as_net_wm_icon(const char *path) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  std::vector<png_byte> bytes;
  if (png_image_begin_read_from_file(&image, path)) {
    image.format = PNG_FORMAT_ARGB;
    bytes.resize(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, bytes.data(), 0, nullptr)) bytes.clear();
  }
  std::vector<unsigned long> icon{image.width, image.height};
  for (size_t i = 0; i + 3 < bytes.size(); i += 4)
    icon.push_back((0ul + bytes[i]) << 24 | bytes[i + 1] << 16 | bytes[i + 2] << 8 | bytes[i + 3]);
  return icon;
}

// What WM_HINTS shows of `icon` (as png_as_net_wm_icon has it) on a 24-bit screen: "" when its
// pixmap has the icon's colours wherever its mask is set, and the mask is set just where the
// icon is more than half opaque; else the first pixel that differs.
inline std::string wm_hints_icon_mismatch(Window w, const std::vector<unsigned long> &icon) {
  XWMHints *hints = XGetWMHints(display(), w);
  std::string found = "no icon pixmap and mask in WM_HINTS";
  if (hints && (hints->flags & IconPixmapHint) && (hints->flags & IconMaskHint)) {
    int width = icon[0], height = icon[1];
    XImage *colours =
        XGetImage(display(), hints->icon_pixmap, 0, 0, width, height, AllPlanes, ZPixmap);
    XImage *mask = XGetImage(display(), hints->icon_mask, 0, 0, width, height, 1, XYPixmap);
    found = colours && mask ? "" : "the icon pixmaps cannot be read";
    for (int y = 0; found.empty() && y < height; y++)
      for (int x = 0; found.empty() && x < width; x++) {
        unsigned long argb = icon[2 + y * width + x];
        bool opaque = argb >> 24 >= 0x80, shown = XGetPixel(mask, x, y) != 0;
        if (shown != opaque || (opaque && XGetPixel(colours, x, y) != (argb & 0xffffff)))
          found = "pixel " + std::to_string(x) + "," + std::to_string(y);
      }
    if (colours) XDestroyImage(colours);
    if (mask) XDestroyImage(mask);
  }
  if (hints) XFree(hints);
  return found;
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

// The busy cursor (the cursor font's watch) as this server shows it, over a window of the test's
// own in the screen's bottom right corner, where none of Corvane's windows opens.
inline std::vector<unsigned long> busy_cursor() {
  Display *d = display();
  XSetWindowAttributes a{};
  a.override_redirect = True;
  a.cursor = XCreateFontCursor(d, XC_watch);
  Window w = XCreateWindow(d, DefaultRootWindow(d), 1240, 984, 40, 40, 0, CopyFromParent, InputOnly,
                           CopyFromParent, CWOverrideRedirect | CWCursor, &a);
  XMapWindow(d, w);
  std::vector<unsigned long> shape = cursor_at(w, {20, 20});
  XDestroyWindow(d, w);
  XFreeCursor(d, a.cursor);
  return shape;
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

// A fresh folder for `app`, which removes it.
inline bool make_dir(App &app) {
  char pattern[] = "/tmp/corvane-e2e-XXXXXX";
  app.dir = mkdtemp(pattern) ? pattern : "";
  return !app.dir.empty();
}

// Starts corvane through its launcher (the build tree's, or CORVANE_LAUNCHER such as the
// installed /usr/bin/corvane) in its folder (a fresh one unless made already) that holds the
// recorder as aplay, first on PATH before today's sox, with `more_env` added to its environment;
// waits for its main window (false after a test failure). With `strays`, it inherits that many
// descriptors of its folder from a careless parent, none close-on-exec, with room to open more
// than select() can take.
inline bool start(App &app, std::vector<std::string> more_env = {}, int strays = 0) {
  if (app.dir.empty()) make_dir(app);
  const char *launcher = getenv("CORVANE_LAUNCHER");
  std::string program = launcher && *launcher ? launcher : LAUNCHER;
  std::vector<std::string> env = {"PATH=" + app.dir + ":/usr/bin:/bin",
                                  "ARGV_LOG=" + app.path("calls"),
                                  "ARGV_LOG_INPUT=" + app.path("played.raw")};
  env.insert(env.end(), more_env.begin(), more_env.end());
  if (!app.dir.empty() && symlink(ARGV_LOG, app.path("aplay").c_str()) == 0 &&
      (app.pid = fork()) == 0) {
    setpgid(0, 0);
    rlimit limit;
    if (strays > 0 && getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < 4096) {
      limit.rlim_cur = std::min<rlim_t>(limit.rlim_max, 4096);
      setrlimit(RLIMIT_NOFILE, &limit);
    }
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

// The player's arguments as the recorder logged them once it had read all it was sent.
inline std::vector<std::string> player_call(const App &app) {
  std::vector<std::string> call;
  std::istringstream log(read_file(app.path("calls")));
  for (std::string word; std::getline(log, word, '\0');) call.push_back(word);
  return call;
}
