#include "bench/diagnostics.h"

#include <random>

std::string diagnostic_lines(size_t bytes, unsigned seed) {
  static const char words[] =
      "sox WARN au: Length in output header will be wrong since can't "
      "seek to fix it; clipped samples; rate change; effect started ";
  std::mt19937 random(seed);
  std::string text;
  text.reserve(bytes + 256);
  while (text.size() < bytes) {
    unsigned pick = random() % 100;
    // Mostly short and middling lines, some longer than a console line, a few empty.
    size_t length = pick < 5 ? 0 : pick < 75 ? 10 + random() % 70 : 80 + random() % 121;
    size_t start = random() % (sizeof words - 1);
    for (size_t i = 0; i < length; i++) text += words[(start + i) % (sizeof words - 1)];
    text += '\n';
  }
  return text;
}

std::vector<std::string> whole_line_pieces(const std::string &text, size_t limit) {
  std::vector<std::string> pieces;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = start;
    // Take lines while the next one still fits; a single line longer than limit goes alone.
    for (size_t nl; (nl = text.find('\n', end)) != std::string::npos;) {
      if (nl + 1 - start > limit && end > start) break;
      end = nl + 1;
      if (end - start >= limit) break;
    }
    if (end == start) end = text.size();  // a last line without its newline
    pieces.push_back(text.substr(start, end - start));
    start = end;
  }
  return pieces;
}
