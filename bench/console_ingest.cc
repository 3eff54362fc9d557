// How fast the console takes in a flood of diagnostics: a child writes whole lines of mixed
// lengths to standard error, the console pipe of a real Corvane start-up on the X server, and the
// time runs until the console has taken every byte. The same flood is then read the
// straightforward way, one byte per read call with the same line rules, and both readers must
// give the browser the same lines.
//   console_ingest MEGABYTES RUNS
// prints "check LINES" once, then "console SECONDS" and "bytewise SECONDS" for every run.
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "app/app.h"
#include "bench/clock.h"
#include "bench/diagnostics.h"
#include "console/console.h"
#include "console/line_breaker.h"

static bool recording;
static std::vector<std::string> recorded;

// Every console line passes here on its way to the toolkit, so that the lines of both readers can
// be compared.
void fl_addto_browser(FL_OBJECT *browser, const char *text) {
  using Real = void (*)(FL_OBJECT *, const char *);
  static Real real = reinterpret_cast<Real>(dlsym(RTLD_NEXT, "fl_addto_browser"));
  // This toolkit release makes a line of every piece of text between newlines, empty or not.
  for (const char *line = text; recording; line++) {
    const char *end = strchrnul(line, '\n');
    recorded.emplace_back(line, end);
    if (!*end) break;
    line = end;
  }
  real(browser, text);
}

// The straightforward reader: one byte per read call, and otherwise what the console does.
static void bytewise_read_cb(int fd, void *) {
  FL_OBJECT *console = main_form->console;
  fl_freeze_form(console->form);
  std::string read_text;
  char byte;
  while (read(fd, &byte, 1) > 0) read_text += byte;
  for (LineSpan line : break_lines(read_text.data(), read_text.size()))
    console_add(console, (read_text.substr(line.start, line.length) + "\n").c_str());
  if (fl_get_browser_maxline(console) > 25)
    for (int i = 0; i < 11; i++) fl_delete_browser_line(console, 1);
  fl_unfreeze_form(console->form);
}

static void use_reader(FL_IO_CALLBACK reader) {
  static FL_IO_CALLBACK current = console_read_cb;
  fl_remove_io_callback(console_fd(), FL_READ, current);
  fl_add_io_callback(console_fd(), FL_READ, reader, reinterpret_cast<void *>(long(console_fd())));
  current = reader;
}

static size_t unread() {
  int n = 0;
  return ioctl(console_fd(), FIONREAD, &n) == 0 ? size_t(n) : 0;
}

// The writer: a program of its own, as the converters are, started from this one with
// "--writer MEGABYTES". It makes its text, says it is ready on standard output, waits for the go
// on standard input, writes the text to standard error in whole-line pieces and ends.
static int write_flood(double megabytes) {
  std::vector<std::string> pieces =
      whole_line_pieces(diagnostic_lines(size_t(megabytes * 1024 * 1024)), PIPE_BUF);
  char go;
  if (write(1, "r", 1) != 1 || read(0, &go, 1) != 1) return 1;
  for (const std::string &piece : pieces)
    if (write(2, piece.data(), piece.size()) != ssize_t(piece.size())) return 1;
  return 0;
}

struct Writer {
  pid_t pid = -1;
  int go = -1;    // a byte here starts the writing
  int gone = -1;  // hangs up once the writer has ended: it held the other end as standard output
};

// Starts the writer with its standard error on the console and waits until it is ready.
static bool start_writer(const char *self, double megabytes, Writer &w) {
  int ready[2], start[2];
  if (pipe2(ready, O_CLOEXEC) != 0 || pipe2(start, O_CLOEXEC) != 0) return false;
  std::string size = std::to_string(megabytes);
  w.pid = fork();
  if (w.pid == 0) {
    if (dup2(start[0], 0) < 0 || dup2(ready[1], 1) < 0) _exit(126);
    execl(self, self, "--writer", size.c_str(), (char *)nullptr);
    _exit(127);
  }
  close(ready[1]);
  close(start[0]);
  w.go = start[1];
  w.gone = ready[0];
  char byte;
  return w.pid > 0 && read(w.gone, &byte, 1) == 1;
}

static bool has_ended(const Writer &w) {
  pollfd p = {w.gone, POLLIN, 0};
  return poll(&p, 1, 0) == 1;
}

// One flood through the console with the given reader; the seconds until it has all been taken.
static double ingest(const char *self, double megabytes, FL_IO_CALLBACK reader) {
  use_reader(reader);
  fl_clear_browser(main_form->console);
  fl_check_forms();
  Writer writer;
  if (!start_writer(self, megabytes, writer)) {
    fprintf(stdout, "console_ingest: cannot start the writer: %s\n", strerror(errno));
    exit(1);
  }
  double start = now();
  if (write(writer.go, "g", 1) != 1) exit(1);
  close(writer.go);
  // As the program's own waits do: sleep until the pipe or the writer has news, then let the
  // toolkit run the console's input callback.
  for (;;) {
    bool writer_done = has_ended(writer);  // first: then nothing is written after the check below
    if (writer_done && unread() == 0) break;
    pollfd watched[] = {{console_fd(), POLLIN, 0}, {writer.gone, POLLIN, 0}};
    poll(watched, writer_done ? 1 : 2, 50);
    fl_check_forms();
  }
  double took = now() - start;
  close(writer.gone);
  int status;
  if (waitpid(writer.pid, &status, 0) != writer.pid || !WIFEXITED(status) ||
      WEXITSTATUS(status) != 0) {
    fprintf(stdout, "console_ingest: the writer failed\n");
    exit(1);
  }
  return took;
}

// The lines the console must show for text that arrives in bursts of whole lines.
static std::vector<std::string> expected_lines(const std::string &text) {
  std::vector<std::string> lines;
  for (LineSpan line : break_lines(text.data(), text.size()))
    lines.push_back(text.substr(line.start, line.length));
  console_column = 1;
  return lines;
}

static std::vector<std::string> recorded_lines(const char *self, double megabytes,
                                               FL_IO_CALLBACK reader) {
  recorded.clear();
  recording = true;
  ingest(self, megabytes, reader);
  recording = false;
  return std::move(recorded);
}

int main(int argc, char **argv) {
  if (argc == 3 && strcmp(argv[1], "--writer") == 0) return write_flood(atof(argv[2]));
  if (argc != 3) {
    fprintf(stdout, "usage: console_ingest MEGABYTES RUNS\n");
    return 2;
  }
  double megabytes = atof(argv[1]);
  int runs = atoi(argv[2]);
  const char *self = argv[0];  // run by its path: the writer is this program again
  int toolkit_argc = 1;
  start_up(&toolkit_argc, argv);
  fl_check_forms();

  std::vector<std::string> expected =
      expected_lines(diagnostic_lines(size_t(megabytes * 1024 * 1024)));
  if (recorded_lines(self, megabytes, console_read_cb) != expected ||
      recorded_lines(self, megabytes, bytewise_read_cb) != expected) {
    fprintf(stdout, "console_ingest: the readers' lines differ from the expected ones\n");
    return 1;
  }
  fprintf(stdout, "check %zu\n", expected.size());
  for (int i = 0; i < runs; i++) {
    fprintf(stdout, "console %.6f\n", ingest(self, megabytes, console_read_cb));
    fprintf(stdout, "bytewise %.6f\n", ingest(self, megabytes, bytewise_read_cb));
    fflush(stdout);
  }
  return 0;
}
