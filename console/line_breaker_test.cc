#include "console/line_breaker.h"

#include <gtest/gtest.h>

#include <random>

#include "tests/support/line_breaker_model.h"

// The console lines one reader call makes from `bytes`, read in bursts of `burst` bytes.
static std::vector<std::string> lines_of_call(const std::string &bytes, size_t burst = 1 << 16) {
  LineBreaker breaker;
  for (size_t at = 0; at < bytes.size(); at += burst)
    breaker.feed(bytes.data() + at, std::min(burst, bytes.size() - at));
  breaker.finish();
  std::vector<std::string> lines;
  for (const std::string &text : breaker.additions())
    for (const std::string &line : console_lines_of(text)) lines.push_back(line);
  return lines;
}

class LineBreakerTest : public ::testing::Test {
 protected:
  void SetUp() override { console_column = 1; }
};

TEST_F(LineBreakerTest, BreaksLongOutputAt78Bytes) {
  auto lines = lines_of_call(std::string(200, 'x'));
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0].size(), 78u);
  EXPECT_EQ(lines[1].size(), 78u);
  EXPECT_EQ(lines[2].size(), 44u);
  EXPECT_EQ(console_column, 45);
}

TEST_F(LineBreakerTest, NewlineEndsALine) {
  EXPECT_EQ(lines_of_call("abc\n"), std::vector<std::string>{"abc"});
  EXPECT_EQ(lines_of_call("\n"), std::vector<std::string>{""});
  EXPECT_EQ(lines_of_call(""), std::vector<std::string>{});
  EXPECT_EQ(console_column, 1);
}

TEST_F(LineBreakerTest, NewlineAfterAFull78ByteLineMakesAnEmptyLine) {
  auto lines = lines_of_call(std::string(78, 'a') + "\n");
  EXPECT_EQ(lines, (std::vector<std::string>{std::string(78, 'a'), ""}));
}

TEST_F(LineBreakerTest, LineStateCarriesAcrossCalls) {
  // A line begun in one call is broken sooner in the next.
  EXPECT_EQ(lines_of_call(std::string(70, 'a')), std::vector<std::string>{std::string(70, 'a')});
  EXPECT_EQ(lines_of_call(std::string(20, 'b')),
            (std::vector<std::string>{std::string(8, 'b'), std::string(12, 'b')}));
  // Text and newline in separate calls: the second console line is empty.
  console_column = 1;
  EXPECT_EQ(lines_of_call("two"), std::vector<std::string>{"two"});
  EXPECT_EQ(lines_of_call("\n"), std::vector<std::string>{""});
}

TEST_F(LineBreakerTest, NulEndsTheTextOfItsLine) {
  using namespace std::string_literals;
  EXPECT_EQ(lines_of_call("ab\0cd\nef\n"s), (std::vector<std::string>{"ab", "ef"}));
  // A line that starts with NUL adds nothing at all, not even an empty line.
  EXPECT_EQ(lines_of_call("\0x\n"s), std::vector<std::string>{});
}

TEST(ConsoleLinesOf, FollowsTheAddingRule) {
  EXPECT_EQ(console_lines_of(""), std::vector<std::string>{});
  EXPECT_EQ(console_lines_of("abc"), std::vector<std::string>{"abc"});
  EXPECT_EQ(console_lines_of("abc\n"), std::vector<std::string>{"abc"});
  EXPECT_EQ(console_lines_of("\n"), std::vector<std::string>{""});
  EXPECT_EQ(console_lines_of("a\n\nb"), (std::vector<std::string>{"a", "", "b"}));
}

TEST_F(LineBreakerTest, BulkReadingGivesTheLinesOfByteReading) {
  std::mt19937 random(20261206);
  const char alphabet[] = {'a', 'b', ' ', '\n', '\n', '\0', '@', '\t'};
  for (int round = 0; round < 300; round++) {
    std::vector<std::string> calls(1 + random() % 6);
    for (std::string &call : calls) {
      size_t size = random() % 400;
      // Mostly text with occasional breaks, sometimes runs without any newline.
      for (size_t i = 0; i < size; i++)
        call += random() % 10 ? 'x' : alphabet[random() % sizeof alphabet];
    }
    console_column = 1;
    std::vector<std::string> bulk;
    for (const std::string &call : calls) {
      size_t burst = 1 + random() % 200;
      for (const std::string &line : lines_of_call(call, burst)) bulk.push_back(line);
    }
    ASSERT_EQ(bulk, byte_reader_model(calls)) << "round " << round;
  }
}
