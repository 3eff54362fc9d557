#include "tests/support/test_sound.h"

#include <cmath>
#include <cstdint>
#include <fstream>

#include "tests/support/test_run.h"

std::vector<double> read_s16(const std::string &path) {
  std::string bytes = read_file(path);
  std::vector<double> samples(bytes.size() / 2);
  for (size_t i = 0; i < samples.size(); ++i) {
    auto lo = static_cast<uint8_t>(bytes[2 * i]), hi = static_cast<uint8_t>(bytes[2 * i + 1]);
    samples[i] = static_cast<int16_t>(hi << 8 | lo) / 32768.0;
  }
  return samples;
}

void write_s16(const std::string &path, const std::vector<double> &samples) {
  std::ofstream out(path, std::ios::binary);
  for (double s : samples) {
    auto v = static_cast<int16_t>(std::lround(s * 32767));
    out.put(static_cast<char>(v & 0xff)).put(static_cast<char>(v >> 8 & 0xff));
  }
}

double rms(const std::vector<double> &samples, size_t from, size_t to) {
  double sum = 0;
  for (size_t i = from; i < to; ++i) sum += samples[i] * samples[i];
  return to > from ? std::sqrt(sum / static_cast<double>(to - from)) : 0;
}

double decibels(double ratio) {
  return 20 * std::log10(ratio);
}
