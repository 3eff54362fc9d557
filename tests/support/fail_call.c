// Makes the Nth call of one system call fail, for tests of what Corvane does when the system says
// no. FAIL_CALL=name:N[:errno] names the call (fork, pipe2, pidfd_open, openat, ftruncate,
// linkat or renameat), which call of it fails, counted from when FAIL_CALL took that value, and
// the error (each call has a likely default). Link it into a test program, or LD_PRELOAD it.
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/pidfd.h>
#include <sys/types.h>
#include <unistd.h>

static int should_fail(const char *name, int default_error) {
  static char seen[64];
  static long calls;
  const char *setting = getenv("FAIL_CALL");
  if (!setting) setting = "";
  if (strncmp(seen, setting, sizeof seen - 1) != 0) {  // a new setting counts from 0
    snprintf(seen, sizeof seen, "%s", setting);
    calls = 0;
  }
  size_t length = strlen(name);
  if (strncmp(setting, name, length) != 0 || setting[length] != ':') return 0;
  char *rest;
  long nth = strtol(setting + length + 1, &rest, 10);
  if (++calls != nth) return 0;
  errno = *rest == ':' ? atoi(rest + 1) : default_error;
  return 1;
}

#define REAL(name) ((__typeof__(&name))dlsym(RTLD_NEXT, #name))

pid_t fork(void) {
  return should_fail("fork", EAGAIN) ? -1 : REAL(fork)();
}
int pipe2(int fds[2], int flags) {
  return should_fail("pipe2", EMFILE) ? -1 : REAL(pipe2)(fds, flags);
}
int pidfd_open(pid_t pid, unsigned flags) {
  return should_fail("pidfd_open", EMFILE) ? -1 : REAL(pidfd_open)(pid, flags);
}
int ftruncate(int fd, off_t length) {
  return should_fail("ftruncate", EFBIG) ? -1 : REAL(ftruncate)(fd, length);
}
int linkat(int from_dir, const char *from, int to_dir, const char *to, int flags) {
  return should_fail("linkat", ENOSPC) ? -1 : REAL(linkat)(from_dir, from, to_dir, to, flags);
}
int renameat(int from_dir, const char *from, int to_dir, const char *to) {
  return should_fail("renameat", EACCES) ? -1 : REAL(renameat)(from_dir, from, to_dir, to);
}
int openat(int dir, const char *path, int flags, ...) {
  va_list args;
  va_start(args, flags);
  mode_t mode = (flags & O_CREAT) || (flags & O_TMPFILE) == O_TMPFILE ? va_arg(args, mode_t) : 0;
  va_end(args);
  return should_fail("openat", ENOSPC) ? -1 : REAL(openat)(dir, path, flags, mode);
}
