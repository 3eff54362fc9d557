// The bench's hands and eyes on the X server named by DISPLAY: real pointer and key events through
// xdotool, and its own connection to find windows and to see them mapped.
#pragma once

#include <string>
#include <vector>

#include "tests/e2e/layout.h"

typedef unsigned long XWindow;  // Xlib's Window

// The viewable top-level windows titled `title`, bottom to top.
std::vector<XWindow> windows_titled(const std::string &title);

// A viewable top-level window titled `title` that is not one of `known`; 0 if none shows in time.
XWindow wait_new_window(const std::string &title, const std::vector<XWindow> &known,
                        double seconds = 10);

// True once no viewable top-level window titled `title` is left.
bool wait_no_window(const std::string &title, double seconds = 5);

void move_window(XWindow w, int x, int y);

// Starts watching the root window for top-level windows being mapped, from now on.
void watch_maps();
// Waits for the next top-level window titled `title` to be mapped, after watch_maps(); the time
// the bench learnt of it, or 0 after `seconds`.
double wait_mapped(const std::string &title, double seconds = 10);

// A whole click (press, release) at a spot of w, or into a box's centre.
void click(XWindow w, Spot at);
void click(XWindow w, Box b);
// The first half of a click: pointer there, button 1 down.
void press(XWindow w, Box b);
// The second half: button 1 up. Returns the time the release event had been sent.
double release();

// Clicks into a text field, empties it and types text.
void fill_field(XWindow w, Box field, const std::string &text);
