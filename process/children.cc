#include "process/children.h"

#include <errno.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <vector>

// glibc 2.36 declares these without C linkage.
extern "C" {
#include <sys/pidfd.h>
}

namespace {

struct Child {
  pid_t pid;
  int pidfd;
};

std::vector<Child> children;
void (*watch_hook)(int pidfd);
void (*unwatch_hook)(int pidfd);
void (*ended_hook)(pid_t pid, int status);

Child *find_pid(pid_t pid) {
  for (Child &c : children)
    if (c.pid == pid) return &c;
  return nullptr;
}

// A pidfd turns readable once its process has ended, whether or not it has been reaped yet.
bool has_ended(int pidfd) {
  struct pollfd p = {pidfd, POLLIN, 0};
  int n;
  do n = poll(&p, 1, 0);
  while (n < 0 && errno == EINTR);
  return n != 0;  // an error means the pidfd is unusable: never treat that child as running
}

// True once the child behind pidfd is gone: reaped now, with its wait status in *status, or
// earlier by someone else (*status -1).
bool reap(int pidfd, int *status) {
  siginfo_t info;
  info.si_pid = 0;
  int r;
  do r = waitid(P_PIDFD, pidfd, &info, WEXITED | WNOHANG);
  while (r < 0 && errno == EINTR);
  *status = -1;
  if (r < 0) return errno == ECHILD;
  if (info.si_code == CLD_EXITED)
    *status = W_EXITCODE(info.si_status, 0);
  else
    *status = W_EXITCODE(0, info.si_status) | (info.si_code == CLD_DUMPED ? WCOREFLAG : 0);
  return info.si_pid != 0;
}

}  // namespace

void set_child_watch(void (*watch)(int pidfd), void (*unwatch)(int pidfd)) {
  watch_hook = watch;
  unwatch_hook = unwatch;
}

void set_child_ended(void (*ended)(pid_t pid, int status)) {
  ended_hook = ended;
}

void track_child(pid_t pid, int pidfd) {
  children.push_back({pid, pidfd});
  if (watch_hook) watch_hook(pidfd);
}

void collect_child(int pidfd) {
  for (size_t i = 0; i < children.size(); i++) {
    if (children[i].pidfd != pidfd) continue;
    int status;
    if (!reap(pidfd, &status)) return;
    pid_t pid = children[i].pid;
    children.erase(children.begin() + i);
    if (unwatch_hook) unwatch_hook(pidfd);
    close(pidfd);
    if (ended_hook) ended_hook(pid, status);
    return;
  }
}

bool child_running(pid_t pid) {
  const Child *c = find_pid(pid);
  return c && !has_ended(c->pidfd);
}

bool any_child_running() {
  for (const Child &c : children)
    if (!has_ended(c.pidfd)) return true;
  return false;
}

int child_pidfd(pid_t pid) {
  const Child *c = find_pid(pid);
  return c ? c->pidfd : -1;
}

int signal_child(pid_t pid, int sig) {
  const Child *c = find_pid(pid);
  if (!c || has_ended(c->pidfd)) {
    errno = ESRCH;
    return -1;
  }
  return pidfd_send_signal(c->pidfd, sig, nullptr, 0);
}
