#include "bench/diagnostics.h"

#include <gtest/gtest.h>

TEST(Diagnostics, LinesOfMixedLengthsSameForSameSeed) {
  std::string text = diagnostic_lines(100000);
  EXPECT_GE(text.size(), 100000u);
  EXPECT_EQ(text.back(), '\n');
  EXPECT_EQ(text, diagnostic_lines(100000));
  size_t longest = 0, empty = 0, start = 0;
  for (size_t nl; (nl = text.find('\n', start)) != std::string::npos; start = nl + 1) {
    longest = std::max(longest, nl - start);
    empty += nl == start;
    if (nl > start) {
      EXPECT_NE(text[start], '@');
    }
  }
  EXPECT_GT(longest, 78u);  // some lines need breaking
  EXPECT_LE(longest, 200u);
  EXPECT_GT(empty, 0u);
}

TEST(Diagnostics, PiecesAreWholeLinesWithinTheLimit) {
  std::string text = diagnostic_lines(50000);
  std::string joined;
  for (const std::string &piece : whole_line_pieces(text, 4096)) {
    EXPECT_LE(piece.size(), 4096u);
    EXPECT_EQ(piece.back(), '\n');
    joined += piece;
  }
  EXPECT_EQ(joined, text);
}

TEST(Diagnostics, LineLongerThanTheLimitGoesAlone) {
  std::string text = "ab\n" + std::string(10, 'x') + "\ncd\n";
  std::vector<std::string> pieces = whole_line_pieces(text, 5);
  EXPECT_EQ(pieces, (std::vector<std::string>{"ab\n", std::string(10, 'x') + "\n", "cd\n"}));
  EXPECT_EQ(whole_line_pieces("no end", 4), std::vector<std::string>{"no end"});
}
