// The console: everything written to standard error, by Corvane and by every child it starts,
// shows as lines in the main window's browser.
#pragma once

#include <forms.h>

#include <cstddef>

// Replaces standard error by a pipe that the event loop reads into `browser`. Corvane's own
// descriptor 2 never blocks: what the full pipe cannot take is added by the reader directly.
// Returns 0, or -1 with errno set when the pipe cannot be made (standard error is then left as it
// was).
int console_start(FL_OBJECT *browser);

// The read end of the console pipe, or -1 before the console started.
int console_fd();

// The blocking write end that children get as standard error, or -1 before the console started.
int console_child_fd();

// For when Corvane ends while children still run: a process of its own goes on reading the pipe
// and passes what it reads to the standard error Corvane was started with, until every child has
// closed its end, so that no child is killed for writing a message nobody reads.
void console_hand_off();

// Event-loop callback for the pipe's read end (passed again as `data`).
void console_read_cb(int fd, void *data);

// Adds text to the console the way the console promises: one line per newline, even an empty
// one, plus the text after the last newline when there is any; the newest line shows.
void console_add(FL_OBJECT *browser, const char *text);

constexpr size_t console_cap = 1000;  // lines the console holds at most; the oldest go first
