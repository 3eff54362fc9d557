#include "adapters/input_rate.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "adapters/header_rate.h"
#include "adapters/peek.h"

namespace {

const size_t kHeadBytes = 4096;

// Headerless types: sox reads them at the -r rate, else at 8 kHz (cdr always at 44.1 kHz).
const char *const kRawTypes[] = {"raw", "ub",  "sb",  "uw",  "sw",  "ul",  "al",  "lu",  "la",
                                 "sl",  "s1",  "s2",  "s3",  "s4",  "s8",  "s16", "s24", "s32",
                                 "u1",  "u2",  "u3",  "u4",  "u8",  "u16", "u24", "u32", "f4",
                                 "f8",  "f32", "f64", "sln", "vox", "ima", "gsm", "cvsd"};

// Long options of today's sox that take the following word as their value; the short ones are
// the letters t r c b e v C.
const char kLongValueOptions[] =
    " --type --rate --channels --bits --encoding --volume --compression --comment --comment-file"
    " --add-comment --buffer --input-buffer --combine --effects-file --plot --replay-gain --temp"
    " --play-rate-arg ";

struct Input {
  std::string file, type, rate;
};

bool takes_value(const std::string &a) {
  if (a.size() == 2) return std::strchr("trcbevC", a[1]) != nullptr;
  return std::strstr(kLongValueOptions, (" " + a + " ").c_str()) != nullptr;
}

// The first file sox reads and the type and rate options given for it.
Input first_input(const std::vector<std::string> &args) {
  Input in;
  for (size_t i = 1; i < args.size(); ++i) {
    const std::string &a = args[i];
    if (a.size() < 2 || a[0] != '-' || a == "-n" || a == "--null") {
      in.file = a;
      break;
    }
    std::string name = a, value;
    size_t eq = a.find('=');
    if (a[1] == '-' && eq != std::string::npos) {
      name = a.substr(0, eq);
      value = a.substr(eq + 1);
    } else if (a[1] != '-' && a.size() > 2 && std::strchr("trcbevC", a[1])) {
      name = a.substr(0, 2);  // a value written right after the letter: -twav
      value = a.substr(2);
    } else if (takes_value(a) && i + 1 < args.size()) {
      value = args[++i];
    }
    if (name == "-t" || name == "--type") in.type = value;
    if (name == "-r" || name == "--rate") in.rate = value;
  }
  return in;
}

double sane(double rate) {
  return rate > 0 && std::isfinite(rate) ? rate : 0;
}

// A rate option: hertz, or kilohertz with a k.
double rate_value(const std::string &s) {
  char *end = nullptr;
  double r = std::strtod(s.c_str(), &end);
  return sane(*end == 'k' ? r * 1000 : r);
}

std::string type_of(const Input &in) {
  std::string t = in.type;
  if (t.empty() && in.file != "-") {
    size_t slash = in.file.rfind('/'), dot = in.file.rfind('.');
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash))
      t = in.file.substr(dot + 1);
  }
  std::transform(t.begin(), t.end(), t.begin(), [](unsigned char c) { return std::tolower(c); });
  return t;
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
  Input in = first_input(args);
  if (!in.rate.empty()) return rate_value(in.rate);
  std::string type = type_of(in);
  if (type == "cdr" || type == "cdda") return 44100;
  for (const char *raw : kRawTypes)
    if (type == raw) return 8000;
  return in.file == "-" ? piped_header_rate() : file_header_rate(in.file);
}
