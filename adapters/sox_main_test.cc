// The sox adapter as a program: what reaches the next real sox on PATH.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>

#include <gtest/gtest.h>

#include "tests/support/test_run.h"

static const std::string kAdapter = LIBEXEC_DIR "/sox";

TEST(SoxAdapter, HandsOtherCommandsToTheNextRealSoxNeverToItself) {
  // Before the stand-in sox that records its calls, PATH holds the adapter again under other
  // names and entries that cannot be a sox program.
  std::string top = scratch_dir(), log = top + "/log", path = "PATH=:relative";
  for (const char *d : {"/plain", "/dir", "/dir/sox", "/link", "/hard", "/copy", "/real"})
    mkdir((top + d).c_str(), 0755);
  std::ofstream(top + "/plain/sox") << "not executable";
  std::ofstream(top + "/copy/sox", std::ios::binary) << read_file(kAdapter);
  ASSERT_EQ(chmod((top + "/copy/sox").c_str(), 0755), 0);
  ASSERT_EQ(symlink(kAdapter.c_str(), (top + "/link/sox").c_str()), 0);
  ASSERT_EQ(link(kAdapter.c_str(), (top + "/hard/sox").c_str()), 0);
  ASSERT_EQ(symlink(ARGV_LOG, (top + "/real/sox").c_str()), 0);
  for (const char *d : {"/plain", "/dir", "/link", "", "/hard", "/copy", "/link"})
    path += ":" + (*d ? top + d : LIBEXEC_DIR);
  for (const char *command : {"sox -v 1.000 in.wav -t au  -", "sox -n - echo 1 1 150 0.5 ",
                              "called-so -n -t wav - lowp 2030 x"}) {
    Ran ran = run(top + "/link/sox", words(command),
                  {path + ":" + top + "/real", "ARGV_LOG=" + log, "ARGV_LOG_STATUS=3"});
    EXPECT_EQ(ran.status, 3)
        << ran.err;  // the real sox's status, and its name: sox picks its mode by it
    EXPECT_EQ(argv_logged(log), "sox" + std::string(strchr(command, ' ')) + " ");
  }
  Ran missing = run(top + "/link/sox", {"sox", "-n", "-n"}, {path});
  EXPECT_EQ(missing.status, 127);
  EXPECT_NE(missing.err.find("no sox program found on PATH"), std::string::npos) << missing.err;
  Ran without_path = run(kAdapter, {"sox", "--version"}, {});  // the system's default path
  EXPECT_EQ(without_path.status, 0) << without_path.err;

  // A stage whose piped head is too short to tell a rate, and whose writer then stops, goes on
  // without the rate (today's lowpass would refuse 6000 Hz at any rate it could guess).
  int head[2];
  ASSERT_EQ(pipe2(head, O_CLOEXEC), 0);
  ASSERT_EQ(write(head[1], "RIFF", 4), 4);
  Ran stalled = run(kAdapter, words("sox -t wav - -t wav - lowp 6000 "),
                    {"PATH=" + top + "/real", "ARGV_LOG=" + log}, head[0]);
  EXPECT_EQ(stalled.status, 0) << stalled.err;
  EXPECT_EQ(argv_logged(log), "sox -t wav - -t wav - lowpass -1 6000 ");
  close(head[0]), close(head[1]);
}

// A converter into a pipe writes the 8000 Hz mono that raw readers take a rate-less stream at and
// says so; one into a file, as a Convert without effects, writes exactly what sox alone does.
TEST(SoxAdapter, RawStreamsOnlyOnPipesBecomeEightKilohertzMono) {
  std::string dir = scratch_dir(), song = dir + "/song.wav", path = "PATH=" LIBEXEC_DIR;
  Ran made = run(REAL_SOX_DIR "/sox",
                 words("sox -n -r 44100 -c 2 -b 16 " + song + " synth 0.1 sine 440"), {});
  ASSERT_EQ(made.status, 0) << made.err;
  // 16-bit words from 16-bit words: sox adds no dither, so two runs write the same bytes.
  Args command = words("sox -v 1.000 " + song + " -t sw -");
  int bare = open((dir + "/bare").c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644),
      file = open((dir + "/file").c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644), piped[2];
  ASSERT_EQ(pipe2(piped, O_CLOEXEC), 0);
  EXPECT_EQ(run(REAL_SOX_DIR "/sox", command, {}, -1, bare).status, 0);
  Ran to_file = run(kAdapter, command, {path + ":" REAL_SOX_DIR}, -1, file);
  Ran to_pipe = run(kAdapter, command, {path + ":" REAL_SOX_DIR}, -1, piped[1]);
  close(piped[1]);
  std::string streamed(10000, '\0');
  streamed.resize(std::max<ssize_t>(read(piped[0], &streamed[0], streamed.size()), 0));
  for (int fd : {bare, file, piped[0]}) close(fd);
  EXPECT_EQ(read_file(dir + "/bare").size(), 17640u);  // 0.1 s at 44100 Hz, 2 channels, 2 bytes
  EXPECT_TRUE(read_file(dir + "/file") == read_file(dir + "/bare"));
  EXPECT_EQ(to_file.err, "");
  EXPECT_EQ(streamed.size(), 1600u);  // 0.1 s at 8000 Hz, 1 channel
  EXPECT_EQ(to_pipe.err, "sox: a raw stream is read as 8000 Hz mono: adding -r 8000 -c 1\n");
}
