#include "console/console.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>
#include <vector>

#include "console/line_breaker.h"

static FL_OBJECT *console_browser;
static int read_end = -1;

int console_fd() {
  return read_end;
}

// Past this many lines a read call trims the eleven oldest, so the console stays short.
constexpr int trim_trigger = 25;
constexpr int trim_count = 11;

int console_start(FL_OBJECT *browser) {
  int ends[2];
  // Both original ends are close-on-exec: children inherit the write end only as descriptor 2.
  if (pipe2(ends, O_CLOEXEC) != 0) return -1;
  if (dup2(ends[1], STDERR_FILENO) < 0) {
    int saved = errno;
    close(ends[0]);
    close(ends[1]);
    errno = saved;
    return -1;
  }
  setvbuf(stderr, nullptr, _IONBF, 0);
  fcntl(ends[0], F_SETFL, fcntl(ends[0], F_GETFL) | O_NONBLOCK);
  console_browser = browser;
  read_end = ends[0];
  fl_add_io_callback(ends[0], FL_READ, console_read_cb, reinterpret_cast<void *>(long(ends[0])));
  return 0;
}

// Hands lines to the toolkit in as few calls as it can. Each call costs the toolkit far more than
// a line does (it resizes the scrollbar and scrolls to the bottom), which a flood of diagnostics
// would pay thousands of times per read. A newline inside a text separates two lines in every
// toolkit release; only an empty text and a final newline are read differently between releases,
// so trailing empty lines go on their own.
static void add_lines(FL_OBJECT *browser, const std::vector<std::string> &lines) {
  // Join up to the last non-empty line, so the joined text never ends in a newline.
  size_t joined = lines.size();
  while (joined > 0 && lines[joined - 1].empty()) joined--;
  std::string text;
  for (size_t i = 0; i < joined; i++) {
    if (i > 0) text += '\n';
    text += lines[i];
  }
  if (joined > 0) fl_addto_browser(browser, text.c_str());
  for (size_t i = joined; i < lines.size(); i++) fl_addto_browser(browser, "");
}

void console_add(FL_OBJECT *browser, const char *text) {
  add_lines(browser, console_lines_of(text));
}

void console_read_cb(int, void *data) {
  int fd = static_cast<int>(reinterpret_cast<long>(data));
  FL_FORM *form = console_browser->form;
  fl_freeze_form(form);

  LineBreaker breaker;
  char chunk[65536];
  ssize_t got;
  // Read until the pipe is empty for now; reading in bulk gives the same lines as reading byte
  // by byte because the breaker carries the line state, not the read size.
  while ((got = read(fd, chunk, sizeof chunk)) > 0) breaker.feed(chunk, size_t(got));
  breaker.finish();
  std::vector<std::string> lines;
  for (const std::string &text : breaker.additions())
    for (std::string &line : console_lines_of(text)) lines.push_back(std::move(line));
  add_lines(console_browser, lines);

  if (fl_get_browser_maxline(console_browser) > trim_trigger)
    for (int i = 0; i < trim_count; i++) fl_delete_browser_line(console_browser, 1);
  fl_unfreeze_form(form);
}
