#include "bench/processes.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <poll.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <map>
#include <sstream>

// glibc 2.36 declares these without C linkage.
extern "C" {
#include <sys/pidfd.h>
}

#include "bench/clock.h"

void become_subreaper() {
  if (prctl(PR_SET_CHILD_SUBREAPER, 1) != 0) perror("bench: PR_SET_CHILD_SUBREAPER");
}

// In the child: a descriptor onto its slot, or /dev/null when none was given.
static void place(int fd, int slot, int null_flags) {
  if (fd < 0) fd = open("/dev/null", null_flags);
  if (fd < 0 || dup2(fd, slot) < 0) _exit(126);
}

pid_t spawn(const Launch &launch) {
  std::vector<char *> argv;
  for (const std::string &a : launch.argv) argv.push_back(const_cast<char *>(a.c_str()));
  argv.push_back(nullptr);
  pid_t pid = fork();
  if (pid == 0) {
    setpgid(0, 0);
    if (!launch.dir.empty() && chdir(launch.dir.c_str()) != 0) _exit(126);
    for (const std::string &e : launch.env) putenv(const_cast<char *>(e.c_str()));
    place(launch.in, 0, O_RDONLY);
    place(launch.out, 1, O_WRONLY);
    place(launch.err, 2, O_WRONLY);
    close_range(3, ~0U, 0);
    execvp(argv[0], argv.data());
    _exit(127);
  }
  if (pid < 0) {
    fprintf(stderr, "bench: cannot start %s: %s\n", argv[0], strerror(errno));
    return -1;
  }
  setpgid(pid, pid);  // also here, so the group exists whichever side runs first
  return pid;
}

int wait_child(pid_t pid) {
  int raw;
  while (waitpid(pid, &raw, 0) < 0)
    if (errno != EINTR) return 127;
  return WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
}

void kill_group(pid_t pid) {
  if (pid <= 0) return;
  kill(-pid, SIGKILL);
  wait_child(pid);
}

int run(const Launch &launch) {
  pid_t pid = spawn(launch);
  return pid < 0 ? 127 : wait_child(pid);
}

static std::vector<pid_t> children_of(pid_t pid) {
  std::vector<pid_t> found;
  std::string tasks = "/proc/" + std::to_string(pid) + "/task";
  DIR *dir = opendir(tasks.c_str());
  if (!dir) return found;
  while (dirent *entry = readdir(dir)) {
    if (entry->d_name[0] == '.') continue;
    std::ifstream in(tasks + "/" + entry->d_name + "/children");
    for (pid_t child; in >> child;) found.push_back(child);
  }
  closedir(dir);
  return found;
}

void reap_orphans(const std::vector<pid_t> &keep) {
  for (pid_t child : children_of(getpid())) {
    bool kept = false;
    for (pid_t k : keep) kept |= k == child;
    if (!kept) waitpid(child, nullptr, WNOHANG);
  }
}

std::vector<pid_t> descendants(pid_t root) {
  std::vector<pid_t> all = children_of(root);
  for (size_t i = 0; i < all.size(); i++)
    for (pid_t grandchild : children_of(all[i])) all.push_back(grandchild);
  return all;
}

static std::string proc_file(pid_t pid, const char *name) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/" + name);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// The state letter and the processor time used (user + system, in clock ticks) from /proc.
static bool proc_stat(pid_t pid, char *state, long *ticks) {
  std::string stat = proc_file(pid, "stat");
  size_t paren = stat.rfind(')');
  if (paren == std::string::npos || paren + 2 >= stat.size()) return false;
  std::istringstream fields(stat.substr(paren + 2));
  std::string field;
  long utime = 0, stime = 0;
  fields >> *state;
  // Fields 4 to 13 come before utime (14) and stime (15).
  for (int i = 4; i <= 13; i++) fields >> field;
  fields >> utime >> stime;
  *ticks = utime + stime;
  return true;
}

bool ended(pid_t pid) {
  char state;
  long ticks;
  return !proc_stat(pid, &state, &ticks) || state == 'Z' || state == 'X';
}

double wait_tree_done(pid_t root, size_t count, double seconds) {
  double deadline = now() + seconds, last = 0;
  std::map<pid_t, int> seen;  // every process met below root, and its pidfd until it ends
  auto scan = [&] {
    for (pid_t pid : descendants(root))
      if (!seen.count(pid)) seen[pid] = pidfd_open(pid, 0);  // -1: gone already
  };
  while (scan(), seen.size() < count) {
    if (now() > deadline) return 0;
    usleep(200);  // the processes start within a few milliseconds of the click
  }
  last = now();  // when nothing is left running already
  for (;;) {
    std::vector<pollfd> watched;
    for (const auto &[pid, fd] : seen)
      if (fd >= 0) watched.push_back({fd, POLLIN, 0});
    if (watched.empty()) break;
    int left_ms = int((deadline - now()) * 1000);
    int ready = left_ms > 0 ? poll(watched.data(), watched.size(), left_ms) : 0;
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) {
      last = 0;  // out of time
      break;
    }
    double t = now();
    for (auto &[pid, fd] : seen)
      for (const pollfd &w : watched)
        if (w.fd == fd && w.revents) close(fd), fd = -1, last = t;
    scan();
  }
  for (auto &[pid, fd] : seen)
    if (fd >= 0) close(fd);
  return last;
}

static std::string exe_of(pid_t pid) {
  char path[4096];
  std::string link = "/proc/" + std::to_string(pid) + "/exe";
  ssize_t n = readlink(link.c_str(), path, sizeof path);
  return n > 0 ? std::string(path, size_t(n)) : "";
}

double wait_running(pid_t root, const std::string &exe, size_t count, double seconds) {
  char real[PATH_MAX];
  std::string wanted = realpath(exe.c_str(), real) ? real : exe;
  for (double deadline = now() + seconds; now() < deadline; usleep(200)) {
    std::vector<pid_t> all = descendants(root);
    all.push_back(root);
    size_t running = 0;
    for (pid_t pid : all) running += exe_of(pid) == wanted;
    if (running >= count) return now();
  }
  return 0;
}

// Processor time pid has used, in seconds, or -1 once it is gone.
static double cpu_seconds(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/schedstat");
  double ns;
  return in >> ns ? ns * 1e-9 : -1;
}

double wait_cpu_quiet(pid_t pid, double seconds) {
  const double window = 0.020, busy = 0.0005;
  std::vector<std::pair<double, double>> samples;  // (time, processor time), every millisecond
  for (double deadline = now() + seconds; now() < deadline; usleep(1000)) {
    double cpu = cpu_seconds(pid);
    if (cpu < 0) return 0;
    samples.emplace_back(now(), cpu);
    // The oldest sample a full window ago: was it the start of a quiet window?
    while (samples.size() > 1 && samples.back().first - samples[1].first >= window)
      samples.erase(samples.begin());
    if (samples.back().first - samples.front().first >= window &&
        samples.back().second - samples.front().second < busy)
      return samples.front().first;
  }
  return 0;
}

long resident_kib(pid_t pid) {
  std::istringstream status(proc_file(pid, "status"));
  for (std::string line; std::getline(status, line);)
    if (line.rfind("VmRSS:", 0) == 0) return atol(line.c_str() + 6);
  return -1;
}

bool wait_idle(pid_t pid, double seconds) {
  double deadline = now() + seconds;
  long before = -1;
  int quiet = 0;
  while (now() < deadline) {
    char state;
    long ticks;
    if (!proc_stat(pid, &state, &ticks)) return false;
    quiet = state == 'S' && ticks == before ? quiet + 1 : 0;
    if (quiet == 5) return true;  // 5 checks, 100 ms without a tick of processor time
    before = ticks;
    usleep(20000);
  }
  return false;
}
