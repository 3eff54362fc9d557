// What the hostile-input and fault tests add to the end-to-end harness (tests/e2e): a program
// that records what it shows, pasting into fields, and the program's processes and descriptors
// as /proc shows them.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

#include "tests/e2e/harness.h"

// Starts corvane like start(), with the observer (observe.cc) preloaded, so that alerts() and
// console() can tell what it showed.
bool start_observed(App &app, const std::vector<std::string> &env = {});

// Every alert shown so far, as its three lines, and every console line added so far.
std::vector<std::vector<std::string>> alerts(const App &app);
std::vector<std::string> console(const App &app);
// The console lines joined without separators: a message that the console broke at 78 bytes is
// whole again here.
std::string console_text(const App &app);
// True once console_text() holds text.
bool wait_console(const App &app, const std::string &text, double seconds = 10);

// Waits for an alert, dismisses it and returns its three lines (those of the newest alert); {}
// after a test failure when no alert shows.
std::vector<std::string> answer_alert(const App &app);

// Pastes text into field as a user does with the middle button: the test owns the primary
// selection and hands over the text byte for byte. The field is emptied first.
bool paste(Window w, Box field, const std::string &text);

// A path of exactly `length` characters below dir, relative to it, ending in `tail`: as many
// directories of up to 200 characters as it takes, each created.
std::string long_path(const std::string &dir, size_t length, const std::string &tail);

// Processes whose parent is pid, zombies included, and how many of them are zombies.
std::vector<pid_t> children_of(pid_t pid);
int zombies_of(pid_t pid);
// How many descriptors pid has open.
int open_descriptors(pid_t pid);
// True once app has no children left and holds exactly `descriptors` descriptors.
bool wait_idle(const App &app, int descriptors, double seconds = 10);
