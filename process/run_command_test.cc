// The runner and its children (run_command.cc, children.cc) at the end of a child's life; how
// children start is checked on the real actions (actions_test.cc).
#include "process/run_command.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <vector>

#include "process/children.h"

namespace {

std::vector<int> unwatched;

// A child that cannot run says why where children's errors go and ends with 127. It counts as
// ended before it is collected and gets no signal then, nor once it is reaped behind the
// runner's back; the runner still lets it go, telling the event loop before it closes the pidfd.
TEST(RunCommand, AnEndedChildIsNeverSignalledAndStillLetGo) {
  set_child_watch(nullptr, [](int pidfd) {
    if (fcntl(pidfd, F_GETFD) != -1) unwatched.push_back(pidfd);
  });
  int err[2];
  ASSERT_EQ(pipe2(err, O_CLOEXEC), 0);
  set_child_stderr(err[1]);
  char command[] = "no-such-program x";
  EXPECT_EQ(run_command(command, 0, 0), 0);
  close(err[1]);
  char said[200] = "";
  EXPECT_GT(read(err[0], said, sizeof said - 1), 0);
  close(err[0]);
  EXPECT_STREQ(said, "Error: cannot execute \"no-such-program\": No such file or directory\n");
  pid_t pid = last_child_pid;
  int pidfd = child_pidfd(pid);
  pollfd ended = {pidfd, POLLIN, 0};
  ASSERT_EQ(poll(&ended, 1, 10000), 1);
  EXPECT_FALSE(child_running(pid));
  EXPECT_EQ(signal_child(pid, SIGKILL), -1);
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 127);
  EXPECT_EQ(signal_child(pid, SIGKILL), -1);
  collect_child(pidfd);
  EXPECT_EQ(child_pidfd(pid), -1);
  EXPECT_EQ(unwatched, std::vector<int>{pidfd});
}

}  // namespace
