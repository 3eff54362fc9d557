// Turns the bytes read from standard error into console lines: a line ends at a newline or after
// 78 bytes counted since the last break, and the count carries over from one read burst to the
// next. Free of toolkit calls so that it can be checked on its own.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

extern int console_column;  // 1 right after a line break; +1 for every byte read since

constexpr int console_line_limit = 78;  // bytes of one console line

// One call of the console reader: feed it every burst the call reads, then finish() it. The
// texts it hands out are the console additions in order (see console_add for how one adds lines).
class LineBreaker {
 public:
  void feed(const char *bytes, size_t count);
  // Ends the call: a line whose end has not arrived yet becomes an addition of its own.
  void finish();
  const std::vector<std::string> &additions() const { return additions_; }

 private:
  void add_buffer();
  char buffer_[console_line_limit + 2];
  size_t used_ = 0;
  std::vector<std::string> additions_;
};

// The console lines that adding `text` makes: the text is cut at each newline; every newline adds
// the text before it, even an empty one; text after the last newline is added only when not empty.
std::vector<std::string> console_lines_of(const std::string &text);
