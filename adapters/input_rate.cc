#include "adapters/input_rate.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <ctime>

#include "adapters/header_rate.h"
#include "adapters/peek.h"
#include "adapters/sox_words.h"

namespace {

const size_t kHeadBytes = 4096;

double sane(double rate) {
  return rate > 0 && std::isfinite(rate) ? rate : 0;
}

// A rate option: hertz, or kilohertz with a k.
double rate_value(const std::string &s) {
  char *end = nullptr;
  double r = std::strtod(s.c_str(), &end);
  return sane(*end == 'k' ? r * 1000 : r);
}

// The writer may not have sent the whole header yet and tee shows only what has arrived, so look
// again for up to a second. sox sends its header together with the first samples.
double piped_header_rate() {
  struct stat st;
  bool pipe = fstat(0, &st) == 0 && S_ISFIFO(st.st_mode);
  for (int tries = 0;; ++tries) {
    std::string head = peek_start(0, kHeadBytes);
    double rate = sane(header_rate(head));
    if (rate > 0 || !pipe || head.empty() || head.size() >= kHeadBytes || tries == 100) return rate;
    struct timespec pause = {0, 10 * 1000 * 1000};
    nanosleep(&pause, nullptr);
  }
}

double file_header_rate(const std::string &path) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return 0;
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return 0;
  double rate = sane(header_rate(peek_start(fd, kHeadBytes)));
  close(fd);
  return rate;
}

}  // namespace

double input_rate(const std::vector<std::string> &args) {
  std::vector<SoxFile> files = sox_files(args);
  if (files.empty()) return 0;
  const SoxFile &in = files.front();
  if (!in.rate.empty()) return rate_value(in.rate);
  std::string type = file_type(in);
  if (type == "cdr" || type == "cdda") return 44100;
  // Headerless types: sox reads them at the -r rate, else at 8 kHz.
  if (headerless_type(type)) return 8000;
  return in.name == "-" ? piped_header_rate() : file_header_rate(in.name);
}
