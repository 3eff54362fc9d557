// Stands in for sox and the players in tests: keeps its standard input in $ARGV_LOG_INPUT if
// that is set, then writes each argument (the name it was called by first), each ended by a NUL,
// to the file named by $ARGV_LOG, and exits with the status in $ARGV_LOG_STATUS.

#include <cstdio>
#include <cstdlib>

int main(int argc, char **argv) {
  const char *log = std::getenv("ARGV_LOG"), *input = std::getenv("ARGV_LOG_INPUT");
  FILE *out = input ? std::fopen(input, "wb") : nullptr;
  for (int c; out && (c = std::getchar()) != EOF;) std::fputc(c, out);
  if ((input && (!out || std::fclose(out) != 0)) || !log || !(out = std::fopen(log, "w")))
    return 125;
  for (int i = 0; i < argc; ++i) std::fprintf(out, "%s%c", argv[i], '\0');
  if (std::fclose(out) != 0) return 125;
  const char *status = std::getenv("ARGV_LOG_STATUS");
  return status ? std::atoi(status) : 0;
}
