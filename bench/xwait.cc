// The bench's timed steps on the X display, each a process of its own for hyperfine to time.
// General tools poll for a window every 500 ms; this one takes the map event itself.
//   xwait [-k] TITLE PROGRAM [ARG...]  starts PROGRAM and returns once a top-level window titled
//       TITLE is mapped: with -k after ending the program, else printing "PID WINDOW"
//   xwait click WINDOW X Y [PID]       clicks at (X, Y) of WINDOW; with PID it returns only once
//       the processes that PID starts on the click have ended and PID has collected them
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <err.h>
#include <poll.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

static Display *display;

// The first child of a single-threaded PID, 0 when it has none.
static pid_t first_child(const char *pid) {
  char path[64];
  snprintf(path, sizeof path, "/proc/%s/task/%s/children", pid, pid);
  FILE *list = fopen(path, "r");
  if (!list) errx(1, "no process %s", pid);
  int child = 0;
  if (fscanf(list, "%d", &child) != 1) child = 0;
  fclose(list);
  return child;
}

// A click's processes live for milliseconds at least, so polls every 0.1 ms see them start; then
// it sleeps on each until it ends, and polls until its parent has collected it.
static void wait_children(const char *pid) {
  for (int polls = 0; !first_child(pid); usleep(100))
    if (++polls > 50000) errx(1, "the click started nothing");
  for (pid_t child; (child = first_child(pid)) > 0; usleep(100)) {
    struct pollfd ended = {int(syscall(SYS_pidfd_open, child, 0)), POLLIN, 0};
    if (ended.fd >= 0 && poll(&ended, 1, -1) >= 0) close(ended.fd);
  }
}

static void click(Window window, int x, int y) {
  Window child;
  XTranslateCoordinates(display, window, DefaultRootWindow(display), x, y, &x, &y, &child);
  XTestFakeMotionEvent(display, -1, x, y, 0);
  XTestFakeButtonEvent(display, 1, True, 0);
  XTestFakeButtonEvent(display, 1, False, 0);
  XSync(display, False);
}

static int start(const char *title, char **argv, bool end) {
  XSelectInput(display, DefaultRootWindow(display), SubstructureNotifyMask);
  XSync(display, False);
  pid_t pid = fork();
  if (pid == 0) {
    dup2(2, 1);  // whoever reads our output must not wait for the program's end
    execvp(argv[0], argv);
    err(127, "%s", argv[0]);
  }
  for (XEvent event;;) {
    char *name = nullptr;
    XNextEvent(display, &event);
    if (event.type != MapNotify || !XFetchName(display, event.xmap.window, &name)) continue;
    bool found = strcmp(name, title) == 0;
    XFree(name);
    if (found && !end) return printf("%d %lu\n", pid, event.xmap.window) < 0;
    if (found) return kill(pid, SIGKILL) != 0 || waitpid(pid, nullptr, 0) != pid;
  }
}

int main(int argc, char **argv) {
  alarm(600);  // a program that never shows its window must not hang the bench
  if (!(display = XOpenDisplay(nullptr))) errx(1, "cannot open the display");
  // Windows vanish while they are looked at: a failed request only means the window has gone.
  XSetErrorHandler([](Display *, XErrorEvent *) { return 0; });
  if (argc >= 5 && strcmp(argv[1], "click") == 0) {
    click(strtoul(argv[2], nullptr, 0), atoi(argv[3]), atoi(argv[4]));
    if (argc > 5) wait_children(argv[5]);
    return 0;
  }
  bool end = argc > 1 && strcmp(argv[1], "-k") == 0;
  if (argc < 3 + end) errx(2, "usage: xwait [-k] TITLE PROGRAM [ARG...] | click WINDOW X Y [PID]");
  return start(argv[1 + end], argv + 2 + end, end);
}
