// Support for tests that build Corvane's real windows on the private Xvfb of tests/with-xvfb and
// call the real callbacks.
#pragma once

#include <forms.h>

#include <functional>
#include <string>
#include <vector>

// Starts the toolkit and shows both forms' owner exactly as the program does (once per process).
void start_gui_once();

// Runs the event loop until done() holds or `seconds` pass; returns done().
bool pump_until(const std::function<bool()> &done, double seconds = 10);

// The text lines of the alerts that `action` shows, joined by newlines; each alert is answered by
// its button. Before that, `look` (if given) is asked about each alert every 20 ms until it
// returns true (for at most 5 s), e.g. until the window has been drawn.
std::string alerts_during(const std::function<void()> &action,
                          const std::function<bool(FL_FORM *)> &look = {});

// The console browser's lines.
std::vector<std::string> console_lines();

// Leaves in the field what typing `latin1` would: the toolkit's keyboard input is Latin-1, and
// fl_set_input() alone would drop every byte above 0x7f.
void type_into(FL_OBJECT *field, const std::string &latin1);

// Sets every control of both windows back to its start-up value and empties the console.
void reset_controls();
