#pragma once

#include <cerrno>

// Cleans up after a failure without losing its reason: errno is put back as it was when this was
// made, at the end of the scope.
//   if (write(fd, ...) < 0) { KeepErrno keep; close(fd); return -1; }
struct KeepErrno {
  int saved = errno;
  ~KeepErrno() { errno = saved; }
};
