#include "adapters/header_rate.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

uint32_t be32(const std::string &s, size_t at) {
  uint32_t v = 0;
  for (size_t i = 0; i < 4; ++i) v = v << 8 | static_cast<unsigned char>(s[at + i]);
  return v;
}

uint32_t le32(const std::string &s, size_t at) {
  uint32_t v = 0;
  for (size_t i = 4; i-- > 0;) v = v << 8 | static_cast<unsigned char>(s[at + i]);
  return v;
}

bool has(const std::string &s, size_t at, const char *tag) {
  return s.size() >= at + std::strlen(tag) && s.compare(at, std::strlen(tag), tag) == 0;
}

// AIFF keeps its rate as an 80-bit IEEE extended number.
double extended(const std::string &s, size_t at) {
  int exponent =
      (static_cast<unsigned char>(s[at]) & 0x7f) << 8 | static_cast<unsigned char>(s[at + 1]);
  uint64_t mantissa = static_cast<uint64_t>(be32(s, at + 2)) << 32 | be32(s, at + 6);
  return std::ldexp(static_cast<double>(mantissa), exponent - 16383 - 63);
}

// Walks RIFF (little-endian) or IFF (big-endian) chunks from at to the one called id; returns
// where its data starts, or 0.
size_t chunk(const std::string &s, size_t at, const char *id, bool little, size_t need) {
  while (at + 8 <= s.size()) {
    uint64_t size = little ? le32(s, at + 4) : be32(s, at + 4);
    if (has(s, at, id)) return at + 8 + need <= s.size() ? at + 8 : 0;
    at += 8 + size + (size & 1);
  }
  return 0;
}

float float_at(const std::string &s, size_t at, bool little) {
  uint32_t bits = little ? le32(s, at) : be32(s, at);
  float f;
  std::memcpy(&f, &bits, sizeof f);
  return f;
}

}  // namespace

double header_rate(const std::string &s) {
  // au: Sun's ".snd" or DEC's ".sd\0", big-endian, or either reversed (sox -L writes "\0ds.").
  std::string magic = s.substr(0, 4);
  if (s.size() >= 20 && (magic == ".snd" || magic == std::string(".sd\0", 4))) return be32(s, 16);
  if (s.size() >= 20 && (magic == "dns." || magic == std::string("\0ds.", 4))) return le32(s, 16);
  if (has(s, 0, "RIFF") && has(s, 8, "WAVE")) {
    size_t fmt = chunk(s, 12, "fmt ", true, 8);
    return fmt ? le32(s, fmt + 4) : 0;
  }
  if (has(s, 0, "FORM") && (has(s, 8, "AIFF") || has(s, 8, "AIFC"))) {
    size_t comm = chunk(s, 12, "COMM", false, 18);
    return comm ? extended(s, comm + 8) : 0;
  }
  // IRCAM, in the little-endian form sox writes.
  if (s.size() >= 8 && has(s, 0, "\x64\xa3\x01")) return float_at(s, 4, true);
  // HCOM: a MacBinary header, then HCOM, the data size, a checksum, the compression type and the
  // divisor of 22050 Hz.
  if (s.size() >= 148 && has(s, 65, "FSSD") && has(s, 128, "HCOM"))
    return be32(s, 144) ? 22050.0 / be32(s, 144) : 0;
  if (has(s, 0, "; Sample Rate ") && s.find('\n') != std::string::npos)
    return std::strtod(s.c_str() + 14, nullptr);
  return 0;
}
