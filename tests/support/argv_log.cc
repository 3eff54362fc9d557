// Stands in for sox and the players in tests: writes its process id and then each argument (the
// name it was called by first), each ended by a NUL, to the file named by $ARGV_LOG; then keeps
// its standard input in $ARGV_LOG_INPUT if that is set, and exits with the status in
// $ARGV_LOG_STATUS.

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

int main(int argc, char **argv) {
  const char *log = std::getenv("ARGV_LOG"), *input = std::getenv("ARGV_LOG_INPUT");
  FILE *out = log ? std::fopen(log, "w") : nullptr;
  if (!out) return 125;
  std::fprintf(out, "%ld%c", static_cast<long>(getpid()), '\0');
  for (int i = 0; i < argc; ++i) std::fprintf(out, "%s%c", argv[i], '\0');
  if (std::fclose(out) != 0 || (input && !(out = std::fopen(input, "wb")))) return 125;
  for (int c; input && (c = std::getchar()) != EOF;) std::fputc(c, out);
  if (input && std::fclose(out) != 0) return 125;
  const char *status = std::getenv("ARGV_LOG_STATUS");
  return status ? std::atoi(status) : 0;
}
