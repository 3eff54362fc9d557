// Time as every benchmark measures it.
#pragma once

#include <time.h>

// Seconds on the monotonic clock, which all processes of the machine share: a time taken in one
// process can be compared with a time taken in another.
inline double now() {
  timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}
