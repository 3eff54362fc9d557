#include "process/run_command.h"

#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/select.h>
#include <sys/wait.h>
#include <unistd.h>

// glibc 2.36 declares these without C linkage.
extern "C" {
#include <sys/pidfd.h>
}

#include "process/children.h"
#include "process/keep_errno.h"
#include "process/split_args.h"

pid_t last_child_pid = 0;

static int child_stderr = -1;

// What every child starts with; empty until keep_start_signals() records the program's start.
static sigset_t start_blocked, start_ignored;

void keep_start_signals() {
  sigprocmask(SIG_BLOCK, nullptr, &start_blocked);
  sigemptyset(&start_ignored);
  for (int sig = 1; sig < NSIG; sig++) {
    struct sigaction now;
    if (sigaction(sig, nullptr, &now) != 0 || now.sa_handler != SIG_IGN) continue;
    if (sig == SIGCHLD)
      signal(SIGCHLD, SIG_DFL);
    else
      sigaddset(&start_ignored, sig);
  }
}

void set_child_stderr(int fd) {
  child_stderr = fd;
}

// One write (the stream is unbuffered and the line short), so that announcements of several starts
// never interleave on the console.
static void announce(const char *command) {
  fprintf(stderr, "Executing: %s\n", command);
}

// The code below runs in the child between fork and exec: async-signal-safe calls only.

static size_t append(char *buf, size_t at, size_t cap, const char *s) {
  while (*s && at < cap) buf[at++] = *s++;
  return at;
}

[[noreturn]] static void fail_child(const char *prog, int err) {
  char line[1200];
  size_t n = append(line, 0, sizeof line - 1, "Error: cannot execute \"");
  n = append(line, n, sizeof line - 1, prog);
  n = append(line, n, sizeof line - 1, "\": ");
  const char *reason = strerrordesc_np(err);
  n = append(line, n, sizeof line - 1, reason ? reason : "unknown error");
  line[n++] = '\n';
  ssize_t ignored = write(2, line, n);
  (void)ignored;
  _exit(127);
}

// The program starts with the signals Corvane was started with, whatever Corvane ignores, catches
// or blocks since, and with only descriptors 0-2, so it can hold no pipe end open behind
// Corvane's back.
[[noreturn]] static void start_child(char **argv, int in_fd, int out_fd, int flags) {
  struct sigaction action = {};
  for (int sig = 1; sig < NSIG; sig++) {
    action.sa_handler = sigismember(&start_ignored, sig) == 1 ? SIG_IGN : SIG_DFL;
    sigaction(sig, &action, nullptr);
  }
  sigprocmask(SIG_SETMASK, &start_blocked, nullptr);

  // First, so that a failure below is reported through the blocking end.
  if (child_stderr >= 0 && dup2(child_stderr, 2) < 0) fail_child(argv[0], errno);
  // A source may itself sit on 0 or 1 when the parent had those closed; lift it out of the way
  // first, which also drops its close-on-exec flag once it lands on its target.
  if ((flags & RUN_PIPE_STDIN) && in_fd < 3 && (in_fd = fcntl(in_fd, F_DUPFD, 3)) < 0)
    fail_child(argv[0], errno);
  if ((flags & RUN_STDOUT_TO_FD) && out_fd < 3 && (out_fd = fcntl(out_fd, F_DUPFD, 3)) < 0)
    fail_child(argv[0], errno);
  if ((flags & RUN_PIPE_STDIN) && dup2(in_fd, 0) < 0) fail_child(argv[0], errno);
  if ((flags & RUN_STDOUT_TO_FD) && dup2(out_fd, 1) < 0) fail_child(argv[0], errno);
  close_range(3, ~0U, 0);

  execvp(argv[0], argv);
  fail_child(argv[0], errno);
}

// The pidfd lands on the lowest free descriptor: see where that is before anything starts, and
// refuse when select() could not watch it.
static bool pidfd_watchable() {
  int probe = pidfd_open(getpid(), 0);
  if (probe < 0) return false;
  close(probe);
  if (probe < FD_SETSIZE) return true;
  errno = EMFILE;
  return false;
}

// Forks the child with all signals blocked, so no handler of ours ever runs in it, and gives the
// parent a pidfd for it. On failure no child is left behind.
static pid_t fork_child(char **argv, int in_fd, int out_fd, int flags, int *pidfd) {
  if (!pidfd_watchable()) return -1;
  sigset_t all, old;
  sigfillset(&all);
  sigprocmask(SIG_SETMASK, &all, &old);
  pid_t pid = fork();
  if (pid == 0) start_child(argv, in_fd, out_fd, flags);
  if (pid > 0 && (*pidfd = pidfd_open(pid, 0)) < 0) {
    KeepErrno keep;
    kill(pid, SIGKILL);
    while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
    }
    pid = -1;
  }
  KeepErrno keep;
  sigprocmask(SIG_SETMASK, &old, nullptr);
  return pid;
}

int run_command(char *command, int out_fd, int flags) {
  announce(command);
  char **argv = split_args(command);
  if (!argv) return -1;
  int in[2] = {-1, -1};
  if ((flags & RUN_PIPE_STDIN) && pipe2(in, O_CLOEXEC) < 0) {
    KeepErrno keep;
    free(argv);
    return -1;
  }
  int pidfd = -1;
  pid_t pid = fork_child(argv, in[0], out_fd, flags, &pidfd);
  {
    KeepErrno keep;
    free(argv);
    if (flags & RUN_PIPE_STDIN) close(in[0]);
    if (pid < 0 && (flags & RUN_PIPE_STDIN)) close(in[1]);
  }
  if (pid < 0) return -1;
  last_child_pid = pid;
  track_child(pid, pidfd);
  return (flags & RUN_PIPE_STDIN) ? in[1] : 0;
}
