// Turns the bytes read from standard error into console lines: a line ends at a newline or after
// 78 bytes counted since the last break, and the count carries over from one reader call to the
// next. Free of toolkit calls so that it can be checked on its own.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

extern int console_column;  // 1 right after a line break; +1 for every byte read since

constexpr int console_line_limit = 78;  // bytes of one console line

// One console line: `length` bytes from `start` of the text it was found in, without its newline.
struct LineSpan {
  size_t start, length;
};

// The console lines that one reader call adds when it reads `bytes`: a line whose end has not
// arrived yet becomes a line of its own, and a NUL byte ends the text of its line there (a line
// that starts with NUL adds nothing). Each line costs one search, not a step per byte.
std::vector<LineSpan> break_lines(const char *bytes, size_t count);

// The console lines that adding `text` makes: the text is cut at each newline; every newline adds
// the text before it, even an empty one; text after the last newline is added only when not empty.
std::vector<std::string> console_lines_of(const std::string &text);
