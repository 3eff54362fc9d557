#include "process/run_command.h"

#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <stdio.h>
#include <string.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "process/children.h"

namespace {

// run_command cuts its argument up, so every call gets a fresh copy.
int run(const char *command, int out_fd, int flags) {
  char buf[1000];
  snprintf(buf, sizeof buf, "%s", command);
  return run_command(buf, out_fd, flags);
}

// Reads fd to end of file (all writers gone), giving up after 10 s of silence.
std::string read_all(int fd) {
  std::string text;
  char buf[4096];
  for (;;) {
    struct pollfd p = {fd, POLLIN, 0};
    if (poll(&p, 1, 10000) != 1) break;
    ssize_t n = read(fd, buf, sizeof buf);
    if (n <= 0) break;
    text.append(buf, n);
  }
  close(fd);
  return text;
}

void write_all(int fd, const std::string &text) {
  ASSERT_EQ(write(fd, text.data(), text.size()), static_cast<ssize_t>(text.size()));
}

// Waits (bounded) for the child to end, then collects it through the runner's own bookkeeping.
void collect(pid_t pid) {
  int pidfd = child_pidfd(pid);
  ASSERT_GE(pidfd, 0);
  struct pollfd p = {pidfd, POLLIN, 0};
  ASSERT_EQ(poll(&p, 1, 10000), 1) << "child did not end";
  collect_child(pidfd);
  EXPECT_EQ(child_pidfd(pid), -1);
}

// Puts a pipe on descriptor fd until finish() puts the old one back and returns what arrived.
struct Capture {
  int fd, saved, from;
  explicit Capture(int target) : fd(target) {
    fflush(nullptr);
    int p[2];
    EXPECT_EQ(pipe2(p, O_CLOEXEC), 0);
    saved = dup(fd);
    dup2(p[1], fd);
    close(p[1]);
    from = p[0];
  }
  std::string finish() {
    dup2(saved, fd);
    close(saved);
    return read_all(from);
  }
};

struct Pipe {
  int r, w;
  Pipe() {
    int p[2];
    EXPECT_EQ(pipe2(p, O_CLOEXEC), 0);
    r = p[0];
    w = p[1];
  }
};

TEST(RunCommand, PipeInAndOutToDescriptor) {
  Pipe out;
  int in = run("cat", out.w, RUN_PIPE_STDIN | RUN_STDOUT_TO_FD);
  ASSERT_GT(in, 2);
  EXPECT_NE(fcntl(out.w, F_GETFD), -1) << "out_fd belongs to the caller";
  close(out.w);
  write_all(in, "through both pipes");
  close(in);
  EXPECT_EQ(read_all(out.r), "through both pipes");
  collect(last_child_pid);
}

TEST(RunCommand, OutToDescriptorKeepsOwnStdin) {
  Pipe stdin_pipe, out;
  int saved = dup(0);
  dup2(stdin_pipe.r, 0);
  close(stdin_pipe.r);
  EXPECT_EQ(run("cat", out.w, RUN_STDOUT_TO_FD), 0);
  dup2(saved, 0);
  close(saved);
  close(out.w);
  write_all(stdin_pipe.w, "from our stdin");
  close(stdin_pipe.w);
  EXPECT_EQ(read_all(out.r), "from our stdin");
  collect(last_child_pid);
}

TEST(RunCommand, PipeInKeepsOwnStdout) {
  Capture out(1);
  int in = run("cat", 0, RUN_PIPE_STDIN);
  ASSERT_GT(in, 2);
  write_all(in, "to our stdout");
  close(in);
  EXPECT_EQ(out.finish(), "to our stdout");
  collect(last_child_pid);

  Capture plain(1);
  EXPECT_EQ(run("echo no plumbing", 0, 0), 0);
  EXPECT_EQ(plain.finish(), "no plumbing\n");
  collect(last_child_pid);
}

// Plumbing sources that sit on 0 or 1 themselves must not be clobbered or left close-on-exec.
TEST(RunCommand, SourcesOnStandardDescriptors) {
  int saved = dup(0);
  Pipe out;
  dup2(out.w, 0);
  close(out.w);
  int in = run("cat", 0, RUN_PIPE_STDIN | RUN_STDOUT_TO_FD);
  dup2(saved, 0);
  write_all(in, "out_fd was 0");
  close(in);
  EXPECT_EQ(read_all(out.r), "out_fd was 0");
  collect(last_child_pid);

  Pipe out2;
  close(0);  // the input pipe's read end now lands on 0
  in = run("cat", out2.w, RUN_PIPE_STDIN | RUN_STDOUT_TO_FD);
  dup2(saved, 0);
  close(saved);
  close(out2.w);
  write_all(in, "read end was 0");
  close(in);
  EXPECT_EQ(read_all(out2.r), "read end was 0");
  collect(last_child_pid);
}

TEST(RunCommand, AnnouncesCommandAndRecordsChild) {
  Capture err(2);
  Pipe out;
  last_child_pid = 0;
  run("readlink  /proc/self", out.w, RUN_STDOUT_TO_FD);
  close(out.w);
  std::string pid = read_all(out.r);
  EXPECT_EQ(err.finish(), "Executing: readlink  /proc/self\n");
  EXPECT_EQ(pid, std::to_string(last_child_pid) + "\n");
  collect(last_child_pid);
}

TEST(RunCommand, ChildHoldsOnlyStandardDescriptors) {
  int stray = open("/dev/null", O_RDONLY);  // not close-on-exec, like a careless library's
  int stray_pipe[2];
  ASSERT_EQ(pipe(stray_pipe), 0);
  Pipe out;
  int in = run("ls /proc/self/fd", out.w, RUN_PIPE_STDIN | RUN_STDOUT_TO_FD);
  close(out.w);
  // 3 is the directory ls itself opens to list them.
  EXPECT_EQ(read_all(out.r), "0\n1\n2\n3\n");
  close(in);
  collect(last_child_pid);
  close(stray);
  close(stray_pipe[0]);
  close(stray_pipe[1]);
}

std::string status_line(const std::string &status, const char *key) {
  size_t at = status.find(key);
  return at == std::string::npos ? "" : status.substr(at, status.find('\n', at) - at);
}

TEST(RunCommand, ChildStartsWithDefaultSignals) {
  signal(SIGPIPE, SIG_IGN);
  signal(SIGINT, SIG_IGN);
  sigset_t block, old;
  sigemptyset(&block);
  sigaddset(&block, SIGUSR1);
  sigaddset(&block, SIGTERM);
  sigprocmask(SIG_BLOCK, &block, &old);
  Pipe out;
  run("cat /proc/self/status", out.w, RUN_STDOUT_TO_FD);
  sigprocmask(SIG_SETMASK, &old, nullptr);
  signal(SIGPIPE, SIG_DFL);
  signal(SIGINT, SIG_DFL);
  close(out.w);
  std::string status = read_all(out.r);
  EXPECT_EQ(status_line(status, "SigBlk:"), "SigBlk:\t0000000000000000");
  EXPECT_EQ(status_line(status, "SigIgn:"), "SigIgn:\t0000000000000000");
  collect(last_child_pid);

  struct sigaction chld;
  sigaction(SIGCHLD, nullptr, &chld);
  EXPECT_NE(chld.sa_handler, SIG_IGN) << "ignoring SIGCHLD would let ids be reused under us";
}

TEST(RunCommand, ExecFailureReportsAndExits127) {
  const struct {
    const char *command, *line;
  } cases[] = {
      {"no-such-program-here x",
       "Error: cannot execute \"no-such-program-here\": No such file or directory\n"},
      {" leading-blank", "Error: cannot execute \"\": No such file or directory\n"},
      {"/dev/null", "Error: cannot execute \"/dev/null\": Permission denied\n"},
  };
  for (const auto &c : cases) {
    Capture err(2);
    EXPECT_EQ(run(c.command, 0, 0), 0);
    pid_t pid = last_child_pid;
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);  // behind the runner's back
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 127) << c.command;
    EXPECT_EQ(err.finish(), std::string("Executing: ") + c.command + "\n" + c.line);
    EXPECT_FALSE(child_running(pid));
    collect_child(child_pidfd(pid));
    EXPECT_EQ(child_pidfd(pid), -1) << "a child reaped elsewhere must still be let go";
  }
}

int count_fds() {
  DIR *d = opendir("/proc/self/fd");
  int n = 0;
  while (readdir(d)) n++;
  closedir(d);
  return n - 3;  // ".", ".." and the directory's own descriptor
}

// Lowers the descriptor limit so that exactly `free` more descriptors can be opened.
void leave_free_descriptors(int free) {
  int lowest = dup(0);
  close(lowest);
  for (int fd = lowest; fd < lowest + free; fd++) ASSERT_EQ(fcntl(fd, F_GETFD), -1);
  struct rlimit lim;
  getrlimit(RLIMIT_NOFILE, &lim);
  lim.rlim_cur = lowest + free;
  ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &lim), 0);
}

// One free descriptor: the pipe fails. Two: the pipe is made but the pidfd fails, so the child
// has to be taken back and the pipe closed again.
TEST(RunCommand, FailureLeavesNothingBehind) {
  struct rlimit saved;
  getrlimit(RLIMIT_NOFILE, &saved);
  int fds = count_fds();
  last_child_pid = 4321;
  for (int free : {1, 2}) {
    leave_free_descriptors(free);
    errno = 0;
    int r = run("cat", 0, RUN_PIPE_STDIN);
    int err = errno;
    setrlimit(RLIMIT_NOFILE, &saved);
    EXPECT_EQ(r, -1) << free;
    EXPECT_EQ(err, EMFILE) << free;
    EXPECT_EQ(last_child_pid, 4321) << free;
    EXPECT_EQ(count_fds(), fds) << free;
    EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), -1) << "a child was left behind";
    EXPECT_EQ(errno, ECHILD);
  }
}

}  // namespace
