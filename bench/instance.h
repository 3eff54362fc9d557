// A running Corvane, driven by the bench.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

#include "bench/setup.h"
#include "bench/x_driver.h"

struct Instance {
  pid_t pid = -1;
  XWindow main = 0;
};

// Starts argv (the launcher or the program) in the scratch folder with extra environment
// entries, waits for its main window and moves that to (x, y), so that several instances side by
// side each take their own clicks. False, after a message, when no window showed.
bool open_instance(Instance &app, const Setup &setup, const std::vector<std::string> &argv,
                   const std::vector<std::string> &env, int x, int y);

// Ends the instance and everything it left running.
void close_instance(Instance &app);

// Pushes the given effect buttons in the "Sound Effects" window, then closes that window.
bool choose_effects(const Instance &app, const std::vector<Box> &buttons);

// Presses and releases a button of the main window: the time of the release.
double click_timed(const Instance &app, Box button);
