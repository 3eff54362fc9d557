#include "adapters/vplay_args.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

bool whole_number(const std::string &s, long *out) {
  char *end = nullptr;
  long v = std::strtol(s.c_str(), &end, 10);
  if (s.empty() || *end != '\0' || v < 0) return false;
  *out = v;
  return true;
}

// -s takes hertz, or kilohertz below 300; a fraction such as 22.05 is kept rather than dropped.
bool rate_option(const std::string &s, long *out) {
  char *end = nullptr;
  double v = std::strtod(s.c_str(), &end);
  if (s.empty() || *end != '\0' || !(v > 0) || v > 1e7) return false;
  *out = std::lround(v < 300 ? v * 1000 : v);
  return *out > 0;
}

// 12-bit samples are played as 16-bit words: neither player takes 12-bit ones.
bool bits_option(const std::string &s, int *out) {
  if (s != "8" && s != "12" && s != "16") return false;
  *out = s == "8" ? 8 : 16;
  return true;
}

bool option_value(char letter, const std::string &value, PlayRequest *out, std::string *error) {
  bool ok = letter == 's'   ? rate_option(value, &out->rate)
            : letter == 'b' ? bits_option(value, &out->bits)
                            : whole_number(value, &out->seconds);
  if (!ok) *error = std::string("bad value for -") + letter + ": " + value;
  return ok;
}

std::vector<std::string> input(const PlayRequest &r) {
  return r.files.empty() ? std::vector<std::string>{"-"} : r.files;
}

}  // namespace

bool parse_vplay(const std::vector<std::string> &args, PlayRequest *out, std::string *error) {
  *out = PlayRequest();
  size_t i = 1;
  for (; i < args.size(); ++i) {
    const std::string &a = args[i];
    if (a == "--") {
      ++i;
      break;
    }
    if (a.size() < 2 || a[0] != '-') break;
    for (size_t j = 1; j < a.size(); ++j) {
      char c = a[j];
      if (c == 'S') {
        out->channels = 2;
      } else if (std::strchr("qdrvwa", c)) {
        // -q: the players below always run quietly; -d: debugging output, none to give;
        // -r -v -w -a choose a file type when recording and mean nothing when playing.
      } else if (std::strchr("sbt", c)) {
        std::string value = a.substr(j + 1);
        if (value.empty()) {
          if (i + 1 == args.size()) {
            *error = std::string("option -") + c + " needs a value";
            return false;
          }
          value = args[++i];
        }
        if (!option_value(c, value, out, error)) return false;
        break;
      } else {
        *error = std::string("unknown option -") + c;
        return false;
      }
    }
  }
  out->files.assign(args.begin() + static_cast<long>(i), args.end());
  return true;
}

std::vector<std::string> aplay_args(const PlayRequest &r) {
  std::vector<std::string> a = {"aplay", "-q",
                                "-f",    r.bits == 8 ? "U8" : "S16_LE",
                                "-r",    std::to_string(r.rate),
                                "-c",    std::to_string(r.channels)};
  if (r.seconds > 0) {
    a.push_back("-d");
    a.push_back(std::to_string(r.seconds));
  }
  for (const std::string &f : input(r)) a.push_back(f);
  return a;
}

std::vector<std::string> play_args(const PlayRequest &r) {
  std::vector<std::string> a = {"play", "-q"};
  // play takes format options for each file; vplay's 16-bit words are little-endian everywhere.
  for (const std::string &f : input(r)) {
    for (const char *o : {"-t", r.bits == 8 ? "ub" : "sw", r.bits == 8 ? "" : "-L"})
      if (*o) a.push_back(o);
    for (const std::string &o : {std::string("-r"), std::to_string(r.rate), std::string("-c"),
                                 std::to_string(r.channels), f})
      a.push_back(o);
  }
  if (r.seconds > 0) {
    a.push_back("trim");
    a.push_back("0");
    a.push_back(std::to_string(r.seconds));
  }
  return a;
}
