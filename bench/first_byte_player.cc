// A player for measurements: notes when the first byte of sound arrives, then takes in the rest
// until end of file, as a real player would.
//   first_byte_player STAMP   writes the monotonic time of the first byte, in seconds, to STAMP
#include <errno.h>
#include <stdio.h>
#include <unistd.h>

#include <string>

#include "bench/clock.h"

// Written whole under a temporary name, then renamed: whoever waits for STAMP never reads half.
static bool write_stamp(const std::string &path, double t) {
  std::string temporary = path + ".tmp";
  FILE *f = fopen(temporary.c_str(), "w");
  if (!f) return false;
  bool ok = fprintf(f, "%.9f\n", t) > 0;
  ok = fclose(f) == 0 && ok;
  return ok && rename(temporary.c_str(), path.c_str()) == 0;
}

int main(int argc, char **argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: first_byte_player STAMP\n");
    return 2;
  }
  static char buffer[65536];
  ssize_t got;
  while ((got = read(0, buffer, sizeof buffer)) < 0 && errno == EINTR) {
  }
  double first = now();
  if (got > 0 && !write_stamp(argv[1], first)) {
    perror(argv[1]);
    return 1;
  }
  while ((got = read(0, buffer, sizeof buffer)) > 0 || (got < 0 && errno == EINTR)) {
  }
  return 0;
}
