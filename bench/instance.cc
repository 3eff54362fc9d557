#include "bench/instance.h"

#include <stdio.h>

#include "bench/processes.h"

bool open_instance(Instance &app, const Setup &setup, const std::vector<std::string> &argv,
                   const std::vector<std::string> &env, int x, int y) {
  std::vector<XWindow> before = windows_titled("Corvane");
  app.pid = spawn({argv, env, setup.scratch});
  app.main = app.pid > 0 ? wait_new_window("Corvane", before) : 0;
  if (!app.main) {
    fprintf(stderr, "bench: %s showed no main window\n", argv[0].c_str());
    return false;
  }
  move_window(app.main, x, y);
  return true;
}

void close_instance(Instance &app) {
  kill_group(app.pid);
  app = Instance();
}

bool choose_effects(const Instance &app, const std::vector<Box> &buttons) {
  click(app.main, effects_button);
  XWindow effects = wait_new_window("Sound Effects", {});
  if (!effects) {
    fprintf(stderr, "bench: the \"Sound Effects\" window did not show\n");
    return false;
  }
  for (Box b : buttons) click(effects, b);
  click(effects, close_button);
  return wait_no_window("Sound Effects");
}

double click_timed(const Instance &app, Box button) {
  press(app.main, button);
  return release();
}
