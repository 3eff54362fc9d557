#include "console/line_breaker.h"

#include <gtest/gtest.h>

#include <random>

#include "tests/support/line_breaker_model.h"

using Lines = std::vector<std::string>;

// The console lines of reader calls that read calls[i] each.
static Lines lines_of(const Lines &calls) {
  console_column = 1;
  Lines lines;
  for (const std::string &call : calls)
    for (LineSpan line : break_lines(call.data(), call.size()))
      lines.push_back(call.substr(line.start, line.length));
  return lines;
}

TEST(LineBreaker, BreaksAt78BytesAtNewlinesAndCutsAtNul) {
  using namespace std::string_literals;
  EXPECT_EQ(console_column, 1);
  const std::string x(78, 'x');
  const std::pair<Lines, Lines> cases[] = {
      {{std::string(200, 'x')}, {x, x, std::string(44, 'x')}},
      {{x + "\n"}, {x, ""}},
      {{"ab\0cd\nef\n"s, "\0x\n"s}, {"ab", "ef"}},  // a line that starts with NUL adds nothing
  };
  for (const auto &[calls, lines] : cases) EXPECT_EQ(lines_of(calls), lines) << calls[0];
}

TEST(LineBreaker, GivesTheLinesOfByteReading) {
  std::mt19937 random(20261206);
  const char alphabet[] = {'a', ' ', '\n', '\n', '\0', '\t'};
  for (int round = 0; round < 300; round++) {
    Lines calls(1 + random() % 6);
    for (std::string &call : calls)  // mostly text with occasional breaks
      for (size_t i = random() % 400; i > 0; i--)
        call += random() % 10 ? 'x' : alphabet[random() % sizeof alphabet];
    ASSERT_EQ(lines_of(calls), byte_reader_model(calls)) << "round " << round;
  }
}
