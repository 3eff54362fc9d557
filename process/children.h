#pragma once

#include <sys/types.h>

// Every child Corvane starts is held by a pidfd until it is collected, so a process id is never
// used after the system may have given it to someone else.

// The event loop's hooks: watch(pidfd) for every new child, unwatch(pidfd) right before that pidfd
// is closed. Either may be null.
void set_child_watch(void (*watch)(int pidfd), void (*unwatch)(int pidfd));

// Told of every child collected by collect_child, with its wait status (as waitpid gives it), or
// -1 when someone else collected it first and the status is lost.
void set_child_ended(void (*ended)(pid_t pid, int status));

// Takes over pidfd for the new child pid and tells the watcher.
void track_child(pid_t pid, int pidfd);

// For a readable pidfd: reaps that child if it has ended (also when someone else already reaped
// it), then forgets it and closes the pidfd. A child still running is left alone.
void collect_child(int pidfd);

// True while pid is a tracked child that has not ended; an ended child counts as ended even
// before it is collected.
bool child_running(pid_t pid);

// True while some tracked child has not ended.
bool any_child_running();

// The pidfd of tracked child pid, or -1.
int child_pidfd(pid_t pid);

// Sends sig to pid only if it is one of our children and still running: 0 when sent, else -1.
int signal_child(pid_t pid, int sig);
