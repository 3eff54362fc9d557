#include "bench/pipeline.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <fstream>

TEST(Pipeline, CallsInStartOrderWithTheirBlanks) {
  char path[] = "/tmp/bench-calls-XXXXXX";
  int fd = mkstemp(path);
  ASSERT_GE(fd, 0);
  std::ofstream(path) << "120\037sox\037-t\037au\037-\037band\0372030\0373490 \n"
                      << "99\037sox\037-t\037au\037-\037echo\0370.150\0370.500 \n"
                      << "121\037sox\037-v\0371.000\037in.wav\037-\n";
  std::vector<Call> calls = read_calls(path);
  unlink(path);
  ASSERT_EQ(calls.size(), 3u);
  EXPECT_EQ(calls[0].pid, 99);
  EXPECT_EQ(calls[1].argv,
            (std::vector<std::string>{"sox", "-t", "au", "-", "band", "2030", "3490 "}));
  EXPECT_EQ(calls[2].argv.back(), "-");
}

TEST(Pipeline, SoundFlowsInReverseStartOrder) {
  std::vector<Call> started = {{1, {"sox", "echo", "0.5 "}}, {2, {"sox", "-v", "1.000", "-"}}};
  EXPECT_EQ(shell_pipeline(started, "> out.au"),
            "'sox' '-v' '1.000' '-' | 'sox' 'echo' '0.5 ' > out.au");
}

TEST(Pipeline, QuotedWordSurvivesTheShell) {
  std::string word = "it's a  file";
  std::string out;
  FILE *sh = popen(("printf '%s' " + shell_word(word)).c_str(), "r");
  ASSERT_NE(sh, nullptr);
  char buffer[64];
  while (fgets(buffer, sizeof buffer, sh)) out += buffer;
  pclose(sh);
  EXPECT_EQ(out, word);
}
