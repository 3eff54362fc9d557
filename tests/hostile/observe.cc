// Preloaded into corvane by the hostile-input tests (LD_PRELOAD): records every alert and every
// console line the program shows, in the file named by $HOSTILE_LOG, and then lets the toolkit
// show them as usual. The tests read what the user would read from there.
//
// One record per line: "alert", then its three lines, or "console", then the line; fields are
// separated by tabs, with backslash, tab and newline inside them written as \\, \t and \n.
#include <dlfcn.h>
#include <fcntl.h>
#include <forms.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <initializer_list>
#include <string>

namespace {

const char *log_path;

// Children must start exactly as without the observer.
__attribute__((constructor)) void take_environment() {
  const char *path = getenv("HOSTILE_LOG");
  log_path = path ? strdup(path) : nullptr;
  unsetenv("LD_PRELOAD");
}

void escape_into(std::string &record, const char *text) {
  for (const char *c = text ? text : ""; *c; c++) {
    if (*c == '\\')
      record += "\\\\";
    else if (*c == '\t')
      record += "\\t";
    else if (*c == '\n')
      record += "\\n";
    else
      record += *c;
  }
}

// One write per record, so that records never tear.
void record(std::initializer_list<const char *> fields) {
  if (!log_path) return;
  std::string line;
  for (const char *field : fields) {
    if (!line.empty()) line += '\t';
    escape_into(line, field);
  }
  line += '\n';
  int fd = open(log_path, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) return;
  ssize_t ignored = write(fd, line.data(), line.size());
  (void)ignored;
  close(fd);
}

template <typename F>
F real(const char *name) {
  return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

}  // namespace

extern "C" void fl_show_alert(const char *first, const char *second, const char *third,
                              int centre) {
  static auto show = real<void (*)(const char *, const char *, const char *, int)>("fl_show_alert");
  record({"alert", first, second, third});
  show(first, second, third, centre);
}

// Only the main window's browser is the console; the file selector has browsers too.
extern "C" void fl_addto_browser(FL_OBJECT *browser, const char *text) {
  static auto add = real<void (*)(FL_OBJECT *, const char *)>("fl_addto_browser");
  if (browser->form && browser->form->label && strcmp(browser->form->label, "Corvane") == 0)
    record({"console", text});
  add(browser, text);
}
