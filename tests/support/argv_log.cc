// Stands in for sox, aplay or play in tests: writes its process id and then each argument (the
// name it was called by first), each ended by a NUL, to the file named by $ARGV_LOG, and exits
// with the status in $ARGV_LOG_STATUS.

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

int main(int argc, char **argv) {
  const char *log = std::getenv("ARGV_LOG");
  FILE *out = log ? std::fopen(log, "w") : nullptr;
  if (!out) {
    std::perror("argv_log: ARGV_LOG");
    return 125;
  }
  std::fprintf(out, "%ld%c", static_cast<long>(getpid()), '\0');
  for (int i = 0; i < argc; ++i) std::fprintf(out, "%s%c", argv[i], '\0');
  if (std::fclose(out) != 0) return 125;
  const char *status = std::getenv("ARGV_LOG_STATUS");
  return status ? std::atoi(status) : 0;
}
