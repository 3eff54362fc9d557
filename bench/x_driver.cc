#include "bench/x_driver.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <poll.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include "bench/clock.h"
#include "bench/processes.h"

static Display *display() {
  static Display *d = [] {
    Display *opened = XOpenDisplay(nullptr);
    if (!opened) {
      fprintf(stderr, "bench: cannot open the X display (run under tests/with-xvfb)\n");
      exit(1);
    }
    // Windows vanish while we look at them; a failed request just means "no such window".
    XSetErrorHandler([](Display *, XErrorEvent *) { return 0; });
    return opened;
  }();
  return d;
}

static std::string title_of(Window w) {
  char *name = nullptr;
  if (!XFetchName(display(), w, &name) || !name) return "";
  std::string s = name;
  XFree(name);
  return s;
}

static bool viewable(Window w) {
  XWindowAttributes a;
  return XGetWindowAttributes(display(), w, &a) && a.map_state == IsViewable;
}

// Without a window manager every top-level window is a child of the root, in stacking order.
std::vector<XWindow> windows_titled(const std::string &title) {
  std::vector<XWindow> found;
  Window root, parent, *children = nullptr;
  unsigned count = 0;
  if (!XQueryTree(display(), DefaultRootWindow(display()), &root, &parent, &children, &count))
    return found;
  for (unsigned i = 0; i < count; i++)
    if (viewable(children[i]) && title_of(children[i]) == title) found.push_back(children[i]);
  if (children) XFree(children);
  return found;
}

XWindow wait_new_window(const std::string &title, const std::vector<XWindow> &known,
                        double seconds) {
  for (double deadline = now() + seconds; now() < deadline; usleep(10000))
    for (XWindow w : windows_titled(title)) {
      bool old = false;
      for (XWindow k : known) old |= k == w;
      if (!old) return w;
    }
  return 0;
}

bool wait_no_window(const std::string &title, double seconds) {
  for (double deadline = now() + seconds; now() < deadline; usleep(10000))
    if (windows_titled(title).empty()) return true;
  return false;
}

void move_window(XWindow w, int x, int y) {
  XMoveWindow(display(), w, x, y);
  XSync(display(), False);
}

void watch_maps() {
  XSelectInput(display(), DefaultRootWindow(display()), SubstructureNotifyMask);
  XSync(display(), True);  // what was mapped before does not count
}

double wait_mapped(const std::string &title, double seconds) {
  double deadline = now() + seconds;
  for (;;) {
    while (XPending(display())) {
      XEvent e;
      XNextEvent(display(), &e);
      double t = now();
      if (e.type == MapNotify && title_of(e.xmap.window) == title) return t;
    }
    int left_ms = int((deadline - now()) * 1000);
    if (left_ms <= 0) return 0;
    pollfd x = {ConnectionNumber(display()), POLLIN, 0};
    poll(&x, 1, left_ms);
  }
}

static void xdotool(std::vector<std::string> args) {
  args.insert(args.begin(), "xdotool");
  if (run({args}) != 0) {
    fprintf(stderr, "bench: xdotool failed:");
    for (const std::string &a : args) fprintf(stderr, " %s", a.c_str());
    fprintf(stderr, "\n");
    exit(1);
  }
}

static std::vector<std::string> move_to(XWindow w, Spot at) {
  return {"mousemove",         "--sync", "--window", std::to_string(w), std::to_string(at.x),
          std::to_string(at.y)};
}

void click(XWindow w, Spot at) {
  std::vector<std::string> args = move_to(w, at);
  args.insert(args.end(), {"click", "1"});
  xdotool(args);
}

void click(XWindow w, Box b) {
  click(w, b.centre());
}

void press(XWindow w, Box b) {
  std::vector<std::string> args = move_to(w, b.centre());
  args.insert(args.end(), {"mousedown", "1"});
  xdotool(args);
}

double release() {
  xdotool({"mouseup", "1"});
  return now();
}

void fill_field(XWindow w, Box field, const std::string &text) {
  click(w, field);
  // Start of line, then delete to its end: the toolkit's own editing keys.
  xdotool({"key", "ctrl+a", "ctrl+k"});
  if (!text.empty()) xdotool({"type", "--delay", "2", text});
}
