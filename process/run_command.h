#pragma once

#include <sys/types.h>

enum { RUN_PIPE_STDIN = 1, RUN_STDOUT_TO_FD = 2 };

// 0, or the id of the child started last (it may have ended since).
extern pid_t last_child_pid;

// Takes the signal state the program was started with as the one every child starts with: the
// blocked signals and the ignored ones (SIGHUP under nohup, say), so that children keep what
// Corvane inherited and lose only what it changed itself. An ignored SIGCHLD is set back to its
// default instead, for Corvane and its children: it would free ended children before they are
// collected. Call it first, before the toolkit changes anything; until then children start with
// every signal at its default and none blocked.
void keep_start_signals();

// Gives every child fd as its standard error (-1: the parent's own descriptor 2). The console
// needs this: Corvane's descriptor 2 does not block, and a converter must not see EAGAIN.
void set_child_stderr(int fd);

// Announces "Executing: COMMAND" on standard error, splits command in place and starts it on the
// executable path. RUN_PIPE_STDIN gives the child a fresh pipe as standard input and returns its
// write end; RUN_STDOUT_TO_FD makes out_fd its standard output (out_fd stays the caller's).
// Returns 0 without RUN_PIPE_STDIN, or -1 with errno set when nothing could be started; then
// nothing stays open, no child is left and last_child_pid is unchanged. The child's pidfd stays
// below FD_SETSIZE, so that an event loop built on select() can watch it: a start that would need
// one at or past it is refused with EMFILE.
int run_command(char *command, int out_fd, int flags);
