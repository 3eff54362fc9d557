#include "console/line_breaker.h"

#include <algorithm>
#include <cstring>

int console_column = 1;

std::vector<LineSpan> break_lines(const char *bytes, size_t count) {
  std::vector<LineSpan> lines;
  for (size_t at = 0, end; at < count; at = end) {
    // The byte that makes the column pass the limit ends the piece, as a newline does.
    size_t room = size_t(console_line_limit + 1 - console_column);
    size_t window = std::min(room, count - at);
    auto newline = static_cast<const char *>(memchr(bytes + at, '\n', window));
    if (newline || window == room) {
      end = newline ? size_t(newline - bytes) + 1 : at + room;
      console_column = 1;
    } else {
      end = count;  // the rest of a line whose end comes with a later call
      console_column += int(window);
    }
    size_t text = strnlen(bytes + at, end - at);
    if (text == 0) continue;
    bool ends_in_newline = newline && text == end - at;
    lines.push_back({at, text - ends_in_newline});
  }
  return lines;
}

std::vector<std::string> console_lines_of(const std::string &text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t nl; (nl = text.find('\n', start)) != std::string::npos; start = nl + 1)
    lines.push_back(text.substr(start, nl - start));
  if (start < text.size()) lines.push_back(text.substr(start));
  return lines;
}
