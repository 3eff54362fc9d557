#include "console/line_breaker.h"

#include <cstring>

int console_column = 1;

void LineBreaker::feed(const char *bytes, size_t count) {
  for (size_t i = 0; i < count; i++) {
    buffer_[used_++] = bytes[i];
    console_column++;
    if (bytes[i] == '\n' || console_column > console_line_limit) {
      console_column = 1;
      add_buffer();
    }
  }
}

void LineBreaker::finish() {
  add_buffer();
}

// The buffer is a C string: a NUL byte ends the text of its line there.
void LineBreaker::add_buffer() {
  buffer_[used_] = '\0';
  additions_.emplace_back(buffer_, strlen(buffer_));
  used_ = 0;
}

std::vector<std::string> console_lines_of(const std::string &text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t nl; (nl = text.find('\n', start)) != std::string::npos; start = nl + 1)
    lines.push_back(text.substr(start, nl - start));
  if (start < text.size()) lines.push_back(text.substr(start));
  return lines;
}
