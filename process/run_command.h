#pragma once

#include <sys/types.h>

enum { RUN_PIPE_STDIN = 1, RUN_STDOUT_TO_FD = 2 };

// 0, or the id of the child started last (it may have ended since).
extern pid_t last_child_pid;

// Announces "Executing: COMMAND" on standard error, splits command in place and starts it on the
// executable path. RUN_PIPE_STDIN gives the child a fresh pipe as standard input and returns its
// write end; RUN_STDOUT_TO_FD makes out_fd its standard output (out_fd stays the caller's).
// Returns 0 without RUN_PIPE_STDIN, or -1 with errno set when nothing could be started; then
// nothing stays open, no child is left and last_child_pid is unchanged.
int run_command(char *command, int out_fd, int flags);
