// Corvane's windows as the desktop sees them: the process they belong to, Corvane's icon in the
// taskbar and window list, and the busy cursor while Convert waits.
#pragma once

#include <forms.h>

// fl_show_form with a full border, the new window marked before it is mapped: _NET_WM_PID, the
// icon as _NET_WM_ICON and in WM_HINTS, and the busy cursor while one is shown. Hiding a form
// destroys its window, so every window of Corvane is shown through here, each time.
void show_window(FL_FORM *form, int place, const char *title);

// The busy cursor over every shown window of Corvane (true), or the toolkit's arrow again.
void show_busy_cursor(bool busy);
