#include "process/children.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <stdio.h>
#include <sys/wait.h>
#include <unistd.h>

#include <vector>

#include "process/run_command.h"

namespace {

// A cat on a fresh pipe: it runs until the returned descriptor is closed.
int start_cat(pid_t *pid) {
  char command[] = "cat";
  int in = run_command(command, 0, RUN_PIPE_STDIN);
  *pid = last_child_pid;
  return in;
}

bool ended_within_10s(pid_t pid) {
  struct pollfd p = {child_pidfd(pid), POLLIN, 0};
  return poll(&p, 1, 10000) == 1;
}

bool reaped(pid_t pid) {
  return waitpid(pid, nullptr, WNOHANG) == -1 && errno == ECHILD;
}

std::vector<int> watched, unwatched;
bool open_at_unwatch = true;
void on_watch(int pidfd) {
  watched.push_back(pidfd);
}
void on_unwatch(int pidfd) {
  unwatched.push_back(pidfd);
  open_at_unwatch = open_at_unwatch && fcntl(pidfd, F_GETFD) != -1;
}

TEST(Children, WatchedFromStartToCollection) {
  set_child_watch(on_watch, on_unwatch);
  pid_t pid;
  int in = start_cat(&pid);
  int pidfd = child_pidfd(pid);
  EXPECT_EQ(watched, std::vector<int>{pidfd});
  EXPECT_TRUE(child_running(pid));
  collect_child(pidfd);  // spurious wake-up: still running, must stay tracked
  EXPECT_EQ(child_pidfd(pid), pidfd);
  close(in);
  ASSERT_TRUE(ended_within_10s(pid));
  EXPECT_FALSE(child_running(pid)) << "ended but not yet collected counts as ended";
  collect_child(pidfd);
  EXPECT_EQ(unwatched, std::vector<int>{pidfd});
  EXPECT_TRUE(open_at_unwatch);
  EXPECT_EQ(child_pidfd(pid), -1);
  EXPECT_TRUE(reaped(pid)) << "zombie left";
  set_child_watch(nullptr, nullptr);
}

TEST(Children, SignalReachesOnlyARunningChild) {
  pid_t pid;
  int in = start_cat(&pid);
  EXPECT_EQ(signal_child(pid, SIGTERM), 0);
  ASSERT_TRUE(ended_within_10s(pid));
  siginfo_t info = {};
  waitid(P_PIDFD, child_pidfd(pid), &info, WEXITED | WNOWAIT);
  EXPECT_EQ(info.si_code, CLD_KILLED);
  EXPECT_EQ(info.si_status, SIGTERM);
  EXPECT_EQ(signal_child(pid, SIGKILL), -1) << "an ended, uncollected child gets nothing";
  collect_child(child_pidfd(pid));
  EXPECT_EQ(signal_child(pid, SIGKILL), -1);
  EXPECT_TRUE(reaped(pid));
  close(in);
}

TEST(Children, CollectingLeavesARunningChildAlone) {
  pid_t pid;
  int in = start_cat(&pid);
  collect_child(child_pidfd(pid));
  EXPECT_TRUE(child_running(pid));
  close(in);
  ASSERT_TRUE(ended_within_10s(pid));
  collect_child(child_pidfd(pid));
  EXPECT_EQ(child_pidfd(pid), -1);
  EXPECT_TRUE(reaped(pid));
}

// Forks a process of our own that the runner knows nothing about, hoping for id `want` (0: any).
pid_t fork_stranger(pid_t want) {
  if (want) {
    FILE *f = fopen("/proc/sys/kernel/ns_last_pid", "w");
    if (!f) return -1;
    fprintf(f, "%d", want - 1);
    if (fclose(f) != 0) return -1;
  }
  pid_t pid = fork();
  if (pid == 0) {
    pause();
    _exit(0);
  }
  return pid;
}

bool alive(pid_t stranger) {
  return waitpid(stranger, nullptr, WNOHANG) == 0;
}

void end_stranger(pid_t stranger) {
  kill(stranger, SIGKILL);
  waitpid(stranger, nullptr, 0);
}

TEST(Children, NeverSignalsAStranger) {
  pid_t stranger = fork_stranger(0);
  ASSERT_GT(stranger, 0);
  EXPECT_EQ(signal_child(stranger, SIGKILL), -1);
  EXPECT_TRUE(alive(stranger));
  end_stranger(stranger);

  // A child reaped behind the runner's back, whose id then goes to a stranger.
  pid_t pid;
  int in = start_cat(&pid);
  close(in);
  ASSERT_TRUE(ended_within_10s(pid));
  ASSERT_EQ(waitpid(pid, nullptr, 0), pid);
  EXPECT_EQ(signal_child(pid, SIGKILL), -1);
  for (int attempt = 0; attempt < 20 && stranger != pid; attempt++) {
    stranger = fork_stranger(pid);
    if (stranger > 0 && stranger != pid) end_stranger(stranger);
  }
  if (stranger == pid) {
    EXPECT_EQ(signal_child(pid, SIGKILL), -1);
    EXPECT_TRUE(alive(stranger)) << "the runner killed a process that merely reuses an old id";
    end_stranger(stranger);
  }
  collect_child(child_pidfd(pid));
  EXPECT_EQ(child_pidfd(pid), -1);
  if (stranger != pid) GTEST_SKIP() << "could not hand the old id to a new process";
}

}  // namespace
