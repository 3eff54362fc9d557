// Command text in a fixed 1000-byte buffer that cannot overflow: an append that would not fit
// leaves the text as it was and marks it, so that the caller refuses the whole action instead of
// running a cut command.
#pragma once

#include <cstddef>

constexpr size_t command_size = 1000;  // bytes, terminator included: 999 characters at most

struct CommandText {
  char text[command_size] = "";
  size_t length = 0;
  bool overflow = false;  // some append did not fit

  void clear() {
    text[0] = '\0';
    length = 0;
    overflow = false;
  }
  // printf-style append at the end of the text.
  void append(const char *format, ...) __attribute__((format(printf, 2, 3)));
};
