// Corvane's `sox`: it writes its converter stages in the classic syntax, which today's sox
// refuses for the effects echo, vibro, lowp, highp and band. This program rewrites only such an
// effect and its arguments, has a converter that sends raw sound down a pipe write it at the
// 8000 Hz mono every raw reader takes it at, then becomes the next real sox on PATH, so that the
// process, its pipes and its exit status are the real sox's.

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
#include "adapters/stream_format.h"

namespace {

// Every adapter copy this command has passed through, so that two copies on PATH never hand the
// command back and forth.
const char kSeenVariable[] = "CORVANE_SOX_ADAPTERS";

// A converter writing into a file (a Convert without effects) writes what sox alone would; one
// writing into a pipe or device feeds a reader that cannot tell the rate, so it gets the rate the
// reader assumes, and the console says so.
void add_stream_format(std::vector<std::string> &args) {
  struct stat out;
  if (fstat(1, &out) == 0 && S_ISREG(out.st_mode)) return;
  std::vector<std::string> missing = missing_stream_format(args);
  if (missing.empty()) return;
  args.insert(args.end() - 1, missing.begin(), missing.end());
  std::string added;
  for (const std::string &word : missing) added += " " + word;
  std::fprintf(stderr, "sox: a raw stream is read as 8000 Hz mono: adding%s\n", added.c_str());
}

}  // namespace

int main(int argc, char **argv) {
  std::vector<std::string> args(argv, argv + argc);
  size_t at = classic_effect_at(args);
  if (at) args = with_modern_effect(args, at, needs_rate(args[at]) ? input_rate(args) : 0);
  add_stream_format(args);

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
