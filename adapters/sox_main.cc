// Corvane's `sox`: it writes its converter stages in the classic syntax, which today's sox
// refuses for the effects echo, vibro, lowp, highp and band. This program rewrites only such an
// effect and its arguments, then becomes the next real sox on PATH, so that the process, its
// pipes and its exit status are the real sox's.

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "adapters/classic.h"
#include "adapters/input_rate.h"
#include "adapters/next_on_path.h"

namespace {

// Every adapter copy this command has passed through, so that two copies on PATH never hand the
// command back and forth.
const char kSeenVariable[] = "CORVANE_SOX_ADAPTERS";

}  // namespace

int main(int argc, char **argv) {
  std::vector<std::string> args(argv, argv + argc);
  size_t at = classic_effect_at(args);
  if (at) args = with_modern_effect(args, at, needs_rate(args[at]) ? input_rate(args) : 0);

  struct stat self;
  if (stat("/proc/self/exe", &self) != 0) {
    std::fprintf(stderr,
                 "sox: Corvane's sox adapter cannot tell its own file (/proc/self/exe): %s\n",
                 std::strerror(errno));
    return 127;
  }
  std::vector<FileId> seen = parse_file_ids(std::getenv(kSeenVariable));
  seen.push_back({self.st_dev, self.st_ino});
  std::string real = next_on_path("sox", search_path(), seen);
  if (real.empty()) {
    std::fprintf(stderr, "sox: no sox program found on PATH besides Corvane's adapter\n");
    return 127;
  }
  if (setenv(kSeenVariable, format_file_ids(seen).c_str(), 1) != 0) {
    std::fprintf(stderr, "sox: cannot set %s: %s\n", kSeenVariable, std::strerror(errno));
    return 127;
  }

  // sox picks its mode (sox, play, rec) by the name it is called with.
  args[0] = "sox";
  return become(real, args, "sox");
}
