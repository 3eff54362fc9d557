#include "console/console.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "console/line_breaker.h"
#include "process/keep_errno.h"

static FL_OBJECT *console_browser;
static int read_end = -1;
static int child_end = -1;
static int started_with = -1;  // the standard error Corvane was started with

// Corvane's own text that the full pipe had no room for; the reader adds it after the pipe's.
static std::string pending;

int console_fd() {
  return read_end;
}

int console_child_fd() {
  return child_end;
}

// Past this many lines a read call trims the eleven oldest, so the console stays short.
constexpr size_t trim_trigger = 25;
constexpr size_t trim_count = 11;

// What the pipe holds: enough that a flooding child rarely waits for the window, and that one
// reader call takes a flood in large steps. Each step ends in the toolkit showing up to console_cap
// lines, which costs far more than breaking the step into lines, so fewer steps make a cheaper
// flood.
constexpr int pipe_capacity = 1024 * 1024;

// Bytes one reader call takes at most, so the window gets its turn however fast a child writes.
// It is at least what the pipe holds: text queued before a call then follows everything that was
// in the pipe when it was queued.
constexpr size_t read_budget = pipe_capacity;

// Corvane is the pipe's only reader, so a blocking write of its own into a pipe that a child keeps
// full would never return. Its standard error stream writes without blocking and queues the rest.
static ssize_t write_own(void *, const char *bytes, size_t size) {
  size_t done = 0;
  while (pending.empty() && done < size) {  // once text waits, later text waits behind it
    ssize_t wrote = write(STDERR_FILENO, bytes + done, size - done);
    if (wrote > 0)
      done += size_t(wrote);
    else if (wrote < 0 && errno == EINTR)
      continue;
    else
      break;
  }
  pending.append(bytes + done, size - done);
  return ssize_t(size);
}

// Descriptor 2 becomes a non-blocking open of the pipe's write end of its own (through /proc, a new
// open file description), while children get the blocking end: a converter must never see EAGAIN.
static int redirect_standard_error(int write_end) {
  cookie_io_functions_t own_writer = {nullptr, write_own, nullptr, nullptr};
  FILE *stream = fopencookie(nullptr, "w", own_writer);
  if (!stream) return -1;
  std::string path = "/proc/self/fd/" + std::to_string(write_end);
  int own = open(path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
  if (own < 0 || dup2(own, STDERR_FILENO) < 0) {
    KeepErrno keep;
    if (own >= 0) close(own);
    fclose(stream);
    return -1;
  }
  close(own);
  setvbuf(stream, nullptr, _IONBF, 0);
  stderr = stream;  // the GNU C library lets programs replace the standard streams
  return 0;
}

int console_start(FL_OBJECT *browser) {
  int ends[2];
  // Both ends are close-on-exec: the runner hands children the write end as descriptor 2 only.
  if (pipe2(ends, O_CLOEXEC) != 0) return -1;
  int original = fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 3);
  if (redirect_standard_error(ends[1]) != 0) {
    KeepErrno keep;
    close(ends[0]);
    close(ends[1]);
    if (original >= 0) close(original);
    return -1;
  }
  started_with = original;
  fcntl(ends[0], F_SETFL, fcntl(ends[0], F_GETFL) | O_NONBLOCK);
  fcntl(ends[0], F_SETPIPE_SZ, pipe_capacity);  // where the system refuses, the default pipe does
  console_browser = browser;
  read_end = ends[0];
  child_end = ends[1];
  fl_add_io_callback(ends[0], FL_READ, console_read_cb, reinterpret_cast<void *>(long(ends[0])));
  return 0;
}

void console_hand_off() {
  if (read_end < 0) return;
  fflush(stderr);
  if (fork() != 0) return;
  // The reader holds no write end, so it sees the end once every child has closed its own; and
  // nothing else of Corvane's, so that no reader of its output waits for it.
  if (dup2(started_with >= 0 ? started_with : open("/dev/null", O_WRONLY), STDERR_FILENO) < 0 ||
      dup2(read_end, 3) < 0)
    _exit(1);
  close_range(4, ~0U, 0);
  int null = open("/dev/null", O_RDWR);
  dup2(null, 0), dup2(null, 1), close(null);
  int fd = 3;
  fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  signal(SIGPIPE, SIG_IGN);  // a closed terminal only means the messages go nowhere
  char bytes[65536];
  for (ssize_t got; (got = read(fd, bytes, sizeof bytes)) != 0;) {
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) break;
    for (ssize_t done = 0, n; done < got; done += n)
      if ((n = write(STDERR_FILENO, bytes + done, size_t(got - done))) <= 0) break;
  }
  _exit(0);
}

// Adds lines[first..], then applies the trim rule (when asked) and the cap. Lines that these would
// delete at once never reach the toolkit, so a flood costs what breaking it into lines costs.
// Each toolkit call costs far more than a line does (it resizes the scrollbar and scrolls to the
// bottom), so the lines go in one text; a newline inside a text separates two lines in every
// toolkit release, and only an empty text and a final newline are read differently between
// releases, so trailing empty lines go on their own.
static void add_lines(FL_OBJECT *browser, const std::vector<std::string_view> &lines, bool trim) {
  size_t old = size_t(fl_get_browser_maxline(browser)), added = lines.size();
  size_t total = old + added;
  if (trim && total > trim_trigger) total -= trim_count;
  total = std::min(total, console_cap);
  size_t kept_new = std::min(added, total), dropped_old = old - (total - kept_new);
  if (dropped_old == old && old > 0)
    fl_clear_browser(browser);
  else
    for (size_t i = 0; i < dropped_old; i++) fl_delete_browser_line(browser, 1);

  size_t first = added - kept_new, joined = added;
  while (joined > first && lines[joined - 1].empty()) joined--;
  std::string text;
  for (size_t i = first; i < joined; i++) {
    if (i > first) text += '\n';
    text.append(lines[i]);
  }
  if (joined > first) fl_addto_browser(browser, text.c_str());
  for (size_t i = joined; i < added; i++) fl_addto_browser(browser, "");
}

void console_add(FL_OBJECT *browser, const char *text) {
  std::vector<std::string> lines = console_lines_of(text);
  add_lines(browser, std::vector<std::string_view>(lines.begin(), lines.end()), false);
}

void console_read_cb(int, void *data) {
  int fd = static_cast<int>(reinterpret_cast<long>(data));
  FL_FORM *form = console_browser->form;
  fl_freeze_form(form);

  // Kept between calls and not cleared, so that only what a flood actually wrote becomes resident.
  static std::unique_ptr<char[]> store(new char[read_budget]);
  size_t used = 0;
  ssize_t got;
  while (used < read_budget && (got = read(fd, store.get() + used, read_budget - used)) > 0)
    used += size_t(got);
  // Text queued before this call goes after what the call reads; text queued meanwhile (the
  // toolkit's own warnings) waits for the next call, which the full pipe guarantees.
  std::string_view text(store.get(), used);
  std::string joined;
  if (!pending.empty()) {
    joined.assign(text).append(pending);
    pending.clear();
    text = joined;
  }

  std::vector<std::string_view> lines;
  for (LineSpan line : break_lines(text.data(), text.size()))
    lines.push_back(text.substr(line.start, line.length));
  add_lines(console_browser, lines, true);
  fl_unfreeze_form(form);
}
