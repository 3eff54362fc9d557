#include "bench/processes.h"

#include <gtest/gtest.h>

#include <fstream>

#include "bench/clock.h"

TEST(Processes, TreeIsDoneWhenItsLastProcessHasEnded) {
  double start = now();
  pid_t shell = spawn({{"sh", "-c", "sleep 0.3 & sleep 0.1; wait"}});
  ASSERT_GT(shell, 0);
  double done = wait_tree_done(shell, 2, 10);
  EXPECT_GE(done - start, 0.3);
  EXPECT_LT(done - start, 5);
  EXPECT_EQ(wait_child(shell), 0);
}

TEST(Processes, TreeThatNeverAppearsTimesOut) {
  pid_t shell = spawn({{"sh", "-c", "sleep 10"}});
  ASSERT_GT(shell, 0);
  EXPECT_EQ(wait_tree_done(shell, 1, 0.2), 0);  // sh itself is no descendant
  kill_group(shell);
}

TEST(Processes, QuietOnlyAfterTheBusyPart) {
  double start = now();
  pid_t shell =
      spawn({{"sh", "-c", "i=0; while [ $i -lt 200000 ]; do i=$((i+1)); done; sleep 10"}});
  ASSERT_GT(shell, 0);
  double quiet = wait_cpu_quiet(shell, 30);
  ASSERT_GT(quiet, 0);
  // It ran from its start until the quiet began: the quiet cannot begin before it had run that
  // long.
  std::ifstream stat("/proc/" + std::to_string(shell) + "/schedstat");
  double ns = 0;
  stat >> ns;
  EXPECT_GE(quiet - start, 0.9 * ns * 1e-9);
  EXPECT_GT(ns, 1e7);  // the loop took a noticeable time
  kill_group(shell);
}
