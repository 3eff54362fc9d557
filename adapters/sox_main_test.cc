// The sox adapter as a program: what reaches the next real sox on PATH.
#include <sys/stat.h>
#include <unistd.h>

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
}
