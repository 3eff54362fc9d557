#include "adapters/classic.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace {

// Today's echo keeps at most 2,560,000 samples of delay and reads delays as floats: a little
// margin keeps a clamped delay from rounding past the end.
const double kEchoBufferSamples = 2559000;
const int kEchoTaps = 7;  // the most taps today's echo takes

std::string trimmed(const std::string &s) {
  size_t begin = s.find_first_not_of(" \t\n");
  if (begin == std::string::npos) return "";
  return s.substr(begin, s.find_last_not_of(" \t\n") - begin + 1);
}

// A classic numeric argument; blanks around it are ignored, since Corvane's last word keeps one
// and today's sox refuses it after some numbers.
bool number(const std::string &s, double *out) {
  std::string t = trimmed(s);
  if (t.empty()) return false;
  char *end = nullptr;
  double v = std::strtod(t.c_str(), &end);
  if (*end != '\0' || !std::isfinite(v)) return false;
  *out = v;
  return true;
}

// Nine digits survive the float sox reads them into and never print as 0.59999999.
std::string num(double v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.9g", v);
  return buf;
}

// Today's filters refuse a frequency above half the rate (rounding makes exactly half fail at
// some rates); one hertz below it sounds the same as the classic filter there.
double below_nyquist(double f, double rate) {
  return rate > 2 ? std::min(f, rate / 2 - 1) : f;
}

// The classic echo feeds its output back: repeats at d, 2d, ... seconds with volumes v, v², ...
// Today's echo has fixed taps only, so the first seven repeats become taps, and its gain-out keeps
// their sum from clipping where the classic one could.
std::vector<std::string> echo(double d, double v, double rate) {
  if (v <= 0) return {"vol", "1"};  // no repeats: echo would only append silence
  v = std::min(v, 1.0);             // today's echo refuses a decay above 1
  d = std::max(d, 0.001);           // it also refuses a delay under one sample
  if (rate > 0) d = std::min(d, kEchoBufferSamples / rate);
  std::vector<std::string> taps;
  double level = 1, sum = 1;
  for (int k = 1; k <= kEchoTaps; ++k) {
    if (rate > 0 && k * d * rate > kEchoBufferSamples) break;  // later repeats do not fit
    level *= v;
    sum += level;
    taps.push_back(num(1000 * k * d));
    taps.push_back(num(level));
  }
  std::vector<std::string> e = {"echo", "1", num(1 / sum)};
  e.insert(e.end(), taps.begin(), taps.end());
  return e;
}

// Classic vibro multiplies by a sine between 1 - d and 1, which is tremolo's depth in percent.
// Tremolo's default depth differs, so the depth is always given.
std::vector<std::string> tremolo(double s, double d) {
  if (d <= 0) return {"vol", "1"};  // a classic depth of 0 leaves the sound alone; tremolo fails
  // Classic vibro took 0.001 to 30 Hz; tremolo takes that range too, and 0.001 Hz is as good as
  // the steady level a setting of 0 asks for.
  return {"tremolo", num(std::clamp(s, 0.001, 30.0)), num(100 * std::min(d, 1.0))};
}

// The classic one-pole filters at 0 Hz: the low-pass gain 1 - e^0 lets nothing through, the
// high-pass one passes everything. Today's filters refuse 0 Hz.
std::vector<std::string> one_pole(const std::string &name, double f, double rate) {
  if (f <= 0) return {"vol", name == "lowpass" ? "0" : "1"};
  return {name, "-1", num(below_nyquist(f, rate))};
}

// Today's band is the classic resonator; it only refuses what the classic one did not.
std::vector<std::string> band(bool noise, const std::vector<double> &x, double rate) {
  double c = x[0], w = x.size() > 1 ? x[1] : c / 2;
  if (w <= 0) return {"vol", "0"};  // the classic resonator has no gain at zero width
  // At a centre of 0 Hz the classic one resonates at DC; today's needs a positive centre.
  c = below_nyquist(std::max(c, 0.001), rate);
  std::vector<std::string> e = {"band"};
  if (noise) e.push_back("-n");
  e.push_back(num(c));
  e.push_back(num(w));
  return e;
}

}  // namespace

size_t classic_effect_at(const std::vector<std::string> &args) {
  size_t at = args.size(), n = 0;
  double v;
  while (at > 1 && number(args[at - 1], &v)) --at, ++n;
  if (at < 2) return 0;
  --at;
  bool noise = trimmed(args[at]) == "-n";
  if (noise) --at;
  if (at < 3) return 0;  // the program, an input and an output come first
  std::string word = trimmed(args[at]);
  bool fits = word == "echo"                      ? n == 2 && !noise
              : word == "vibro"                   ? (n == 1 || n == 2) && !noise
              : word == "lowp" || word == "highp" ? n == 1 && !noise
              : word == "band"                    ? n == 1 || n == 2
                                                  : false;
  return fits ? at : 0;
}

bool needs_rate(const std::string &word) {
  return trimmed(word) != "vibro";
}

std::vector<std::string> with_modern_effect(const std::vector<std::string> &args, size_t at,
                                            double rate) {
  std::vector<double> x;
  bool noise = false;
  for (size_t i = at + 1; i < args.size(); ++i) {
    double v;
    if (number(args[i], &v))
      x.push_back(v);
    else
      noise = true;  // classic_effect_at lets only band's -n through
  }
  std::string word = trimmed(args[at]);
  std::vector<std::string> e = word == "echo"    ? echo(x[0], x[1], rate)
                               : word == "vibro" ? tremolo(x[0], x.size() > 1 ? x[1] : 0.5)
                               : word == "lowp"  ? one_pole("lowpass", x[0], rate)
                               : word == "highp" ? one_pole("highpass", x[0], rate)
                                                 : band(noise, x, rate);
  std::vector<std::string> out(args.begin(), args.begin() + at);
  out.insert(out.end(), e.begin(), e.end());
  return out;
}
