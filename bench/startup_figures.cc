// Start-up: from exec to the main window being mapped, and the resident memory once started,
// against xmessage started the same way.
#include <stdio.h>

#include "bench/clock.h"
#include "bench/figures.h"
#include "bench/processes.h"
#include "bench/x_driver.h"

namespace {

struct Started {
  double seconds = 0;
  long resident_kib = 0;
};

Started start_once(const Setup &setup, const std::vector<std::string> &argv,
                   const std::string &title) {
  Started s;
  watch_maps();
  double start = now();
  pid_t pid = spawn({argv, {}, setup.scratch});
  double mapped = pid > 0 ? wait_mapped(title) : 0;
  if (mapped && wait_idle(pid, 10)) {
    s.seconds = mapped - start;
    s.resident_kib = resident_kib(pid);
  } else {
    fprintf(stderr, "bench: %s showed no \"%s\" window, or never settled\n", argv[0].c_str(),
            title.c_str());
  }
  kill_group(pid);
  wait_no_window(title);
  return s;
}

}  // namespace

std::vector<Figure> startup_figures(const Setup &setup) {
  Figure time{"4 start-up to window mapped", "ms", "xmessage"};
  Figure launcher{"4 start-up via launcher", "ms", "xmessage"};
  Figure memory{"4 resident memory (VmRSS)", "MiB", "xmessage"};
  time.goal_max = 1.5;
  memory.goal_max = 8;
  memory.goal_on_value = true;
  const std::vector<std::string> xmessage = {"xmessage", "-geometry", "+0+0", "Corvane bench"};
  // One start of each, unmeasured, fills the caches: files, fonts, the X server's own.
  start_once(setup, {corvane_program}, "Corvane");
  start_once(setup, xmessage, "xmessage");
  for (int i = 0; i < setup.runs; i++) {
    Started base = start_once(setup, xmessage, "xmessage");
    Started app = start_once(setup, {corvane_program}, "Corvane");
    Started via = start_once(setup, {corvane_launcher}, "Corvane");
    if (!base.seconds || !app.seconds || !via.seconds) break;
    time.baseline_runs.push_back(base.seconds * 1000);
    time.runs.push_back(app.seconds * 1000);
    launcher.baseline_runs.push_back(base.seconds * 1000);
    launcher.runs.push_back(via.seconds * 1000);
    memory.baseline_runs.push_back(base.resident_kib / 1024.0);
    memory.runs.push_back(app.resident_kib / 1024.0);
    fprintf(stderr, ".");
  }
  return {time, launcher, memory};
}
