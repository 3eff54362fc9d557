// The sox adapter as a program: what reaches the next sox on PATH, and that it never reaches
// itself again.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

#include <gtest/gtest.h>

#include "tests/support/test_run.h"

namespace {

using Args = std::vector<std::string>;

const std::string kAdapter = LIBEXEC_DIR "/sox";

// A directory whose `sox` records its calls in dir/log.
std::string stand_in_dir() {
  std::string dir = scratch_dir();
  EXPECT_EQ(symlink(ARGV_LOG, (dir + "/sox").c_str()), 0);
  return dir;
}

struct Outcome {
  pid_t pid;
  int status;
  Args log;  // pid, name, arguments
};

Outcome run_adapter(const Args &args, const std::string &path, const std::string &log_dir) {
  std::string log = log_dir + "/log";
  Args env = {"PATH=" + path, "ARGV_LOG=" + log, "ARGV_LOG_STATUS=3"};
  int none = open("/dev/null", O_RDWR | O_CLOEXEC);
  pid_t pid = start(kAdapter, args, env, none, none, none);
  int status = finish(pid);
  close(none);
  return {pid, status, read_argv_log(log)};
}

TEST(SoxAdapter, HandsOtherCommandsOnUnchangedAsTheSameProcess) {
  std::string stand_in = stand_in_dir();
  for (const Args &args :
       {Args{"sox", "-v", "1.000", "in.wav", "-t", "au", "", "-"},
        Args{"sox", "-t", "wav", "-", "-t", "wav", "-", "echo", "1", "1", "150", "0.5 "},
        Args{"sox", "-t", "wav", "-", "-t", "wav", "-", "lowp", "2030", "x"}, Args{"sox"}}) {
    Outcome o = run_adapter(args, LIBEXEC_DIR ":" + stand_in, stand_in);
    EXPECT_EQ(o.status, 3);  // the real sox's status
    ASSERT_EQ(o.log.size(), args.size() + 1);
    EXPECT_EQ(o.log[0], std::to_string(o.pid));
    EXPECT_EQ(Args(o.log.begin() + 1, o.log.end()), args);
  }
}

TEST(SoxAdapter, NeverRunsItselfAgain) {
  std::string top = scratch_dir(), stand_in = stand_in_dir();
  std::string link = top + "/link", hard = top + "/hard", copy = top + "/copy";
  for (const std::string &d : {link, hard, copy}) mkdir(d.c_str(), 0755);
  ASSERT_EQ(symlink(kAdapter.c_str(), (link + "/sox").c_str()), 0);
  ASSERT_EQ(::link(kAdapter.c_str(), (hard + "/sox").c_str()), 0);
  std::ofstream(copy + "/sox", std::ios::binary) << read_file(kAdapter);
  ASSERT_EQ(chmod((copy + "/sox").c_str(), 0755), 0);

  std::string adapters =
      link + ":" LIBEXEC_DIR ":" + hard + ":" LIBEXEC_DIR ":" + copy + ":" + link;
  Args args = {"sox", "-n", "-n"};
  Outcome o = run_adapter(args, adapters + ":" + stand_in, stand_in);
  EXPECT_EQ(o.status, 3);
  EXPECT_EQ(Args(o.log.begin() + 1, o.log.end()), args);

  Ran missing = run(link + "/sox", args, {"PATH=" + adapters}, "", "");
  EXPECT_EQ(missing.status, 127);
  EXPECT_NE(missing.err.find("no sox program found on PATH"), std::string::npos) << missing.err;
}

}  // namespace
