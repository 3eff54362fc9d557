// The console's line rules in their plainest form, to check the real line breaker against: one
// byte per read, a fresh line buffer for every reader call, each finished buffer added as a C
// string with the console's adding rule.
#pragma once

#include <string>
#include <vector>

#include "console/line_breaker.h"

// The console lines that reader calls add when call i reads exactly calls[i], starting right
// after a line break.
inline std::vector<std::string> byte_reader_model(const std::vector<std::string> &calls) {
  std::vector<std::string> lines;
  int column = 1;
  auto add = [&](const std::string &buffer) {
    for (const std::string &line : console_lines_of(buffer.substr(0, buffer.find('\0'))))
      lines.push_back(line);
  };
  for (const std::string &call : calls) {
    std::string buffer;
    for (char byte : call) {
      buffer += byte;
      if (byte == '\n' || ++column > 78) {
        column = 1;
        add(buffer);
        buffer.clear();
      }
    }
    add(buffer);
  }
  return lines;
}
