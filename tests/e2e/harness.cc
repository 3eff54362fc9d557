#include "tests/e2e/harness.h"

// GoogleTest before Xlib, whose macros (None, Bool) would break GoogleTest's names.
#include <gtest/gtest.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

namespace fs = std::filesystem;

// The test's own connection, used to look at windows; input goes through xdotool.
static Display *display() {
  static Display *d = [] {
    Display *opened = XOpenDisplay(nullptr);
    if (!opened) {
      fprintf(stderr, "e2e: cannot open the X display (run under tests/with-xvfb)\n");
      exit(1);
    }
    // Windows vanish while we look at them; a failed request just means "no such window".
    XSetErrorHandler([](Display *, XErrorEvent *) { return 0; });
    return opened;
  }();
  return d;
}

bool wait_until(const std::function<bool()> &done, double seconds) {
  auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  for (;;) {
    if (done()) return true;
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

// ---- windows

bool viewable(Window w) {
  XWindowAttributes a;
  return XGetWindowAttributes(display(), w, &a) && a.map_state == IsViewable;
}

std::string title(Window w) {
  char *name = nullptr;
  if (!XFetchName(display(), w, &name) || !name) return "";
  std::string s = name;
  XFree(name);
  return s;
}

// Without a window manager every top-level window is a child of the root, in stacking order.
static Window find_window(const std::string &name) {
  Window root, parent, *children = nullptr, found = 0;
  unsigned count = 0;
  if (!XQueryTree(display(), DefaultRootWindow(display()), &root, &parent, &children, &count))
    return 0;
  for (unsigned i = 0; i < count; i++)
    if (viewable(children[i]) && title(children[i]) == name) found = children[i];
  if (children) XFree(children);
  return found;
}

Window wait_window(const std::string &name, double seconds) {
  Window w = 0;
  wait_until([&] { return (w = find_window(name)) != 0; }, seconds);
  return w;
}

bool wait_gone(const std::string &name, double seconds) {
  return wait_until([&] { return find_window(name) == 0; }, seconds);
}

Geometry geometry(Window w) {
  XWindowAttributes a{};
  XGetWindowAttributes(display(), w, &a);
  int x = 0, y = 0;
  Window child;
  XTranslateCoordinates(display(), w, DefaultRootWindow(display()), 0, 0, &x, &y, &child);
  return {x, y, a.width, a.height};
}

SizeLimits size_limits(Window w) {
  XSizeHints hints{};
  long supplied = 0;
  SizeLimits limits{};
  if (!XGetWMNormalHints(display(), w, &hints, &supplied)) return limits;
  if (hints.flags & PMinSize)
    limits.min_width = hints.min_width, limits.min_height = hints.min_height;
  if (hints.flags & PMaxSize)
    limits.max_width = hints.max_width, limits.max_height = hints.max_height;
  return limits;
}

void send_delete_window(Window w) {
  XEvent e{};
  e.xclient.type = ClientMessage;
  e.xclient.window = w;
  e.xclient.message_type = XInternAtom(display(), "WM_PROTOCOLS", False);
  e.xclient.format = 32;
  e.xclient.data.l[0] = XInternAtom(display(), "WM_DELETE_WINDOW", False);
  e.xclient.data.l[1] = CurrentTime;
  XSendEvent(display(), w, False, NoEventMask, &e);
  XSync(display(), False);
}

void move_window(Window w, int x, int y) {
  XMoveWindow(display(), w, x, y);
  XSync(display(), False);
}

std::vector<unsigned long> pixels(Window w, Box b) {
  std::vector<unsigned long> values;
  XImage *image = XGetImage(display(), w, b.x, b.y, b.width, b.height, AllPlanes, ZPixmap);
  if (!image) return values;
  for (int y = 0; y < b.height; y++)
    for (int x = 0; x < b.width; x++) values.push_back(XGetPixel(image, x, y));
  XDestroyImage(image);
  return values;
}

static int brightness(Window w, int x, int y) {
  XWindowAttributes a{};
  XGetWindowAttributes(display(), w, &a);
  std::vector<unsigned long> p = pixels(w, {x, y, 1, 1});
  if (p.empty() || !a.visual) return -1;
  int sum = 0;
  for (unsigned long mask : {a.visual->red_mask, a.visual->green_mask, a.visual->blue_mask})
    if (mask) sum += (p[0] & mask) / (mask & -mask);
  return sum;
}

bool button_pushed(Window w, Box b) {
  return brightness(w, b.x + b.width - 1, b.y + b.height - 1) > brightness(w, b.x, b.y);
}

bool wait_drawn(Window w, double seconds) {
  Geometry g = geometry(w);
  std::vector<unsigned long> before;
  return wait_until(
      [&] {
        std::vector<unsigned long> now = pixels(w, {0, 0, g.width, g.height});
        bool settled =
            !now.empty() && now == before &&
            std::adjacent_find(now.begin(), now.end(), std::not_equal_to<>()) != now.end();
        before = now;
        return settled;
      },
      seconds);
}

bool screenshot(Window w, const std::string &file) {
  Geometry g = geometry(w);
  std::string crop = std::to_string(g.width) + "x" + std::to_string(g.height) + "+" +
                     std::to_string(g.x) + "+" + std::to_string(g.y);
  int status = -1;
  run({"import", "-window", "root", "-crop", crop, "+repage", file}, &status);
  return status == 0;
}

// ---- input

static int xdotool(std::vector<std::string> args) {
  // xdotool decodes the text it types by the locale, and a test may run with none (C): it would
  // then refuse any byte beyond ASCII.
  args.insert(args.begin(), {"env", "LC_ALL=C.UTF-8", "xdotool"});
  int status = -1;
  run(args, &status);
  EXPECT_EQ(status, 0) << "xdotool failed: " << ::testing::PrintToString(args);
  return status;
}

static std::vector<std::string> move_to(Window w, Spot at) {
  // No --sync: it can wait 15 s when a dialog opens under the pointer. Motion and click go
  // through the same connection, so the click lands where the pointer was moved anyway.
  return {"mousemove", "--window", std::to_string(w), std::to_string(at.x), std::to_string(at.y)};
}

void click(Window w, Spot at, int button) {
  std::vector<std::string> args = move_to(w, at);
  args.insert(args.end(), {"click", std::to_string(button)});
  xdotool(args);
}

void click(Window w, Box b, int button) {
  click(w, b.centre(), button);
}

void key(Window w, Spot at, const std::string &keys) {
  std::vector<std::string> args = move_to(w, at);
  args.insert(args.end(), {"key", keys});
  xdotool(args);
}

void type_text(const std::string &text) {
  xdotool({"type", "--delay", "2", text});
}

void fill_field(Window w, Box field, const std::string &text) {
  click(w, field);
  // Start of line, then delete to its end: the toolkit's own editing keys.
  xdotool({"key", "ctrl+a", "ctrl+k"});
  if (!text.empty()) type_text(text);
}

// ---- dialogs

bool answer(const std::string &dialog, Spot button) {
  Window w = wait_window(dialog);
  if (!w) {
    ADD_FAILURE() << "no \"" << dialog << "\" window showed";
    return false;
  }
  click(w, button);
  if (wait_gone(dialog)) return true;
  ADD_FAILURE() << "the \"" << dialog << "\" window stayed after its button was clicked";
  return false;
}

bool dismiss_message() {
  Window w = wait_window("Message");
  if (!w) {
    ADD_FAILURE() << "no \"Message\" window showed";
    return false;
  }
  Geometry g = geometry(w);
  return answer("Message", {g.width / 2, g.height - message_ok_from_bottom});
}

bool answers(const App &app) {
  click(app.main, info_button);
  return dismiss_message();
}

bool pick_file(const std::string &name) {
  Window w = wait_window("FileSelector");
  if (!w) {
    ADD_FAILURE() << "no \"FileSelector\" window showed";
    return false;
  }
  click(w, fselector_name);
  type_text(name);
  return answer("FileSelector", fselector_ready);
}

// ---- processes

std::string run(const std::vector<std::string> &argv, int *status) {
  int out[2];
  if (pipe2(out, O_CLOEXEC) != 0) {
    ADD_FAILURE() << "pipe: " << strerror(errno);
    return "";
  }
  pid_t pid = fork();
  if (pid < 0) ADD_FAILURE() << "fork: " << strerror(errno);
  if (pid == 0) {
    dup2(out[1], 1);
    std::vector<char *> args;
    for (const std::string &a : argv) args.push_back(const_cast<char *>(a.c_str()));
    args.push_back(nullptr);
    execvp(args[0], args.data());
    _exit(127);
  }
  close(out[1]);
  std::string text;
  char buf[4096];
  ssize_t got;
  while ((got = read(out[0], buf, sizeof buf)) > 0 || (got < 0 && errno == EINTR))
    if (got > 0) text.append(buf, got);
  close(out[0]);
  int raw = 0;
  if (pid < 0 || waitpid(pid, &raw, 0) != pid) raw = 127 << 8;
  if (status) *status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
  return text;
}

std::string read_file(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

bool make_tone(const std::string &path, double seconds, int rate, int channels) {
  int status = -1;
  run({E2E_REAL_SOX, "-n", "-r", std::to_string(rate), "-c", std::to_string(channels), path,
       "synth", std::to_string(seconds), "sine", "440"},
      &status);
  return status == 0;
}

bool start_program(App &app, const std::string &program,
                   const std::function<std::vector<std::string>(const App &)> &setup) {
  char pattern[] = "/tmp/corvane-e2e-XXXXXX";
  if (!mkdtemp(pattern)) {
    ADD_FAILURE() << "mkdtemp: " << strerror(errno);
    return false;
  }
  app.dir = fs::canonical(pattern).string();
  std::vector<std::string> entries = {
      "PATH=" E2E_BIN_DIR ":" + std::string(getenv("PATH") ? getenv("PATH") : "/usr/bin:/bin"),
      "E2E_REAL_SOX=" E2E_REAL_SOX, "E2E_CALLS=" + app.path("calls.log"),
      "E2E_PLAYED=" + app.path("played.raw")};
  if (setup) {
    std::vector<std::string> more = setup(app);
    entries.insert(entries.end(), more.begin(), more.end());
  }

  app.pid = fork();
  if (app.pid == 0) {
    setpgid(0, 0);
    if (chdir(app.dir.c_str()) != 0) _exit(126);
    for (const std::string &e : entries) putenv(const_cast<char *>(e.c_str()));
    int null = open("/dev/null", O_RDONLY);
    int out = open((app.dir + "/stdout.log").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (null < 0 || out < 0 || dup2(null, 0) < 0 || dup2(out, 1) < 0) _exit(126);
    execl(program.c_str(), "corvane", (char *)nullptr);
    _exit(127);
  }
  if (app.pid < 0) {
    ADD_FAILURE() << "fork: " << strerror(errno);
    return false;
  }
  setpgid(app.pid, app.pid);  // also here, so the group exists whichever side runs first
  app.main = wait_window("Corvane", 10);
  if (!app.main) {
    ADD_FAILURE() << program << " showed no \"Corvane\" window within 10 s";
    return false;
  }
  if (!wait_drawn(app.main)) ADD_FAILURE() << "the \"Corvane\" window is never drawn completely";
  return true;
}

bool start(App &app, const std::vector<std::string> &env) {
  return start_program(app, CORVANE, [&](const App &) { return env; });
}

bool wait_exit(App &app, double seconds) {
  if (app.status >= 0) return true;
  return wait_until(
      [&] {
        int raw;
        if (waitpid(app.pid, &raw, WNOHANG) != app.pid) return false;
        app.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
        return true;
      },
      seconds);
}

App::~App() {
  if (pid > 0) {
    kill(-pid, SIGKILL);  // corvane and everything it left running
    if (status < 0) waitpid(pid, nullptr, 0);
    // The next test must not find this one's windows.
    wait_until([&] { return !viewable(main); }, 5);
  }
  if (!dir.empty()) {
    std::error_code ignored;
    fs::remove_all(dir, ignored);
  }
}

std::vector<Call> calls(const App &app) {
  std::vector<Call> result;
  std::string log = read_file(app.path("calls.log"));
  log.erase(log.rfind('\n') + 1);  // a line without its newline is still being written
  std::istringstream lines(log);
  std::string line;
  while (std::getline(lines, line)) {
    Call call{};
    size_t open = line.find(" [");
    call.pid = atol(line.substr(0, open).c_str());
    // Arguments are " [text]" one after the other; text may hold blanks but no "] [".
    std::string rest = open == std::string::npos ? "" : line.substr(open + 2);
    if (rest.empty() || rest.back() != ']') {
      ADD_FAILURE() << "not a line of the stand-ins: " << line;
      continue;
    }
    rest.pop_back();
    for (size_t at = 0;;) {
      size_t end = rest.find("] [", at);
      call.argv.push_back(rest.substr(at, end - at));
      if (end == std::string::npos) break;
      at = end + 3;
    }
    result.push_back(call);
  }
  // Lines are written in whatever order the started scripts get to run; process ids follow the
  // order of the forks.
  std::stable_sort(result.begin(), result.end(),
                   [](const Call &a, const Call &b) { return a.pid < b.pid; });
  return result;
}

bool process_ended(pid_t pid) {
  std::string stat = read_file("/proc/" + std::to_string(pid) + "/stat");
  size_t paren = stat.rfind(')');
  return paren == std::string::npos || stat.compare(paren + 2, 1, "Z") == 0;
}

bool wait_blocked_on_pipe(pid_t pid, double seconds) {
  return wait_until(
      [&] {
        std::string wchan = read_file("/proc/" + std::to_string(pid) + "/wchan");
        return wchan.find("pipe_write") != std::string::npos;  // anon_pipe_write since Linux 6.x
      },
      seconds);
}

bool wait_calls_ended(const App &app, size_t n, double seconds) {
  return wait_until(
      [&] {
        std::vector<Call> c = calls(app);
        if (c.size() < n) return false;
        for (const Call &call : c)
          if (!process_ended(call.pid)) return false;
        return true;
      },
      seconds);
}
