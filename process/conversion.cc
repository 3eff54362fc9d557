#include "process/conversion.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>

#include "process/children.h"
#include "process/keep_errno.h"

namespace {

std::vector<Conversion> running;

// A name for the new file beside `target` that nothing else uses yet, hidden and saying whose it
// is; the output's own name is cut so that the whole stays a valid name.
std::string part_name(const std::string &target) {
  static std::mt19937 random(std::random_device{}());
  const char letters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  std::string name = "." + target.substr(0, 200) + ".corvane-";
  for (int i = 0; i < 6; i++) name += letters[random() % (sizeof letters - 1)];
  return name;
}

// Gives the anonymous new file a name in the folder, or makes a named one (where the file system
// has no O_TMPFILE): -1 with errno set.
int link_part(Conversion *c, int mode) {
  for (int tries = 0; tries < 100; tries++) {
    std::string name = part_name(c->target);
    int r;
    if (c->own >= 0) {
      std::string self = "/proc/self/fd/" + std::to_string(c->own);
      r = linkat(AT_FDCWD, self.c_str(), c->folder, name.c_str(), AT_SYMLINK_FOLLOW);
    } else {
      r = openat(c->folder, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
      if (r >= 0) c->own = r;
    }
    if (r >= 0) {
      c->part = name;
      return 0;
    }
    if (errno != EEXIST) return -1;
  }
  return -1;
}

void drop_new_file(Conversion *c) {
  if (!c->part.empty()) unlinkat(c->folder, c->part.c_str(), 0);
  c->part.clear();
  if (c->own >= 0) close(c->own);
  if (c->folder >= 0) close(c->folder);
  c->own = c->folder = -1;
}

// Prepares a new file beside `path` (a link's target when it is one) that will take its name.
// `old` is the output being replaced, or null for a new output (0644, less the umask).
bool open_beside(Conversion *c, const char *path, const struct stat *old) {
  std::string full = path;
  if (old) {
    char *real = realpath(path, nullptr);
    if (!real) return false;
    full = real;
    free(real);
  }
  size_t slash = full.rfind('/');
  std::string folder = slash == std::string::npos ? "." : full.substr(0, slash + 1);
  c->target = slash == std::string::npos ? full : full.substr(slash + 1);
  c->folder = open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
  if (c->folder < 0) return false;
  mode_t mode = old ? old->st_mode & 07777 : 0644;
  c->own = openat(c->folder, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, mode);
  bool made = c->own >= 0 || ((errno == EOPNOTSUPP || errno == EISDIR) && link_part(c, mode) == 0);
  if (made && old) {
    int kept = fchown(c->own, uid_t(-1), old->st_gid);  // where we may: else our own group
    (void)kept;
    made = fchmod(c->own, mode) == 0;  // as it was, whatever the umask
  }
  if (made) made = (c->file = fcntl(c->own, F_DUPFD_CLOEXEC, 3)) >= 0;
  if (!made) {
    KeepErrno keep;
    drop_new_file(c);
  }
  return made;
}

// Written in place: opened without waiting for a FIFO's reader (refused at once instead of
// freezing the window), then blocking again for the converter.
// A regular file is emptied later through a copy of our own, since the chain takes `file` over.
bool open_in_place(Conversion *c, int file) {
  struct stat st;
  if (fcntl(file, F_SETFL, fcntl(file, F_GETFL) & ~O_NONBLOCK) < 0 || fstat(file, &st) != 0 ||
      (S_ISREG(st.st_mode) && (c->own = fcntl(file, F_DUPFD_CLOEXEC, 3)) < 0)) {
    KeepErrno keep;
    close(file);
    return false;
  }
  c->replace = false;
  c->file = file;
  return true;
}

std::string how_it_ended(int status) {
  if (status < 0) return "ended, how could not be told";
  if (WIFEXITED(status)) return "ended with exit status " + std::to_string(WEXITSTATUS(status));
  const char *name = sigabbrev_np(WTERMSIG(status));
  return "was killed by " +
         (name ? "SIG" + std::string(name) : "signal " + std::to_string(WTERMSIG(status)));
}

// The process to blame: the first, in the order the sound passes them, that failed other than by
// losing its reader, which only follows from another's failure.
const Member *culprit(const Conversion &c) {
  const Member *first = nullptr;
  for (const Member &m : c.members) {
    if (m.status == 0) continue;
    if (!first) first = &m;
    if (!(m.status > 0 && WIFSIGNALED(m.status) && WTERMSIG(m.status) == SIGPIPE)) return &m;
  }
  return first;
}

void tell_failure(const Conversion &c, const std::string &why) {
  fprintf(stderr, "Error: convert failed, \"%s\" %s: %s\n", c.output.c_str(),
          c.touched ? "was written in place and may be incomplete" : "is left unchanged",
          why.c_str());
}

// Gives the new file the output's name; false with errno set.
bool replace_output(Conversion *c) {
  if (c->part.empty() && link_part(c, 0) != 0) return false;
  if (renameat(c->folder, c->part.c_str(), c->folder, c->target.c_str()) != 0) return false;
  c->part.clear();
  return true;
}

// Every member has ended: the output is replaced, or the user is told why not.
void finish(Conversion *c) {
  if (const Member *m = culprit(*c)) {
    drop_new_file(c);
    tell_failure(*c, m->role + " " + how_it_ended(m->status));
    return;
  }
  if (c->replace && !replace_output(c)) {
    std::string reason = std::strerror(errno);
    drop_new_file(c);
    tell_failure(*c, "cannot give the new file its name: " + reason);
    return;
  }
  drop_new_file(c);
}

bool all_ended(const Conversion &c) {
  for (const Member &m : c.members)
    if (m.status == -2) return false;
  return true;
}

}  // namespace

bool open_conversion(const char *path, Conversion *c) {
  c->output = path;
  int file = open(path, O_WRONLY | O_NONBLOCK | O_CLOEXEC);
  if (file >= 0) {
    struct stat st;
    if (fstat(file, &st) != 0) {
      KeepErrno keep;
      close(file);
      return false;
    }
    // Replacing would part a file from its other names, or give another's file to us.
    if (S_ISREG(st.st_mode) && st.st_nlink == 1 && st.st_uid == geteuid() &&
        open_beside(c, path, &st)) {
      close(file);
      return true;
    }
    return open_in_place(c, file);
  }
  struct stat st;
  if (errno != ENOENT) return false;
  if (lstat(path, &st) == 0) {  // a link to nowhere: written through, as a plain open would
    file = open(path, O_WRONLY | O_CREAT | O_NONBLOCK | O_CLOEXEC, 0644);
    return file >= 0 && open_in_place(c, file);
  }
  return open_beside(c, path, nullptr);
}

bool conversion_ready(Conversion *c) {
  if (c->replace) return true;
  // An older, longer output must not keep its tail; FIFOs and devices have nothing to empty.
  if (c->own >= 0 && ftruncate(c->own, 0) != 0) return false;
  c->touched = true;
  if (c->own >= 0) close(c->own);  // frees a descriptor for the converter's start
  c->own = -1;
  return true;
}

void conversion_not_started(Conversion *c, const std::string &why) {
  drop_new_file(c);
  tell_failure(*c, why);
}

void conversion_started(Conversion c) {
  running.push_back(std::move(c));
}

void conversion_child_ended(pid_t pid, int status) {
  for (size_t i = 0; i < running.size(); i++) {
    Conversion &c = running[i];
    for (Member &m : c.members) {
      if (m.pid != pid) continue;
      m.status = status;
      if (status != 0 && c.replace) {  // nothing of it will be kept: let go of it at once
        KeepErrno keep;
        drop_new_file(&c);
      }
      if (all_ended(c)) {
        finish(&c);
        running.erase(running.begin() + i);
      }
      return;
    }
  }
}

void finish_conversions_at_exit(double seconds) {
  // Still converting: what it has written is incomplete.
  for (size_t i = 0; i < running.size();) {
    Conversion &c = running[i];
    if (c.members.front().status != -2 || !child_running(c.members.front().pid)) {
      i++;
      continue;
    }
    drop_new_file(&c);
    tell_failure(c, "Corvane ended before the converter did");
    running.erase(running.begin() + i);
  }
  auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  while (!running.empty()) {
    std::vector<pollfd> ended;
    for (Conversion &c : running)
      for (Member &m : c.members)
        if (m.status == -2 && child_pidfd(m.pid) >= 0)
          ended.push_back({child_pidfd(m.pid), POLLIN, 0});
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (ended.empty() || left.count() <= 0) break;
    if (poll(ended.data(), ended.size(), int(left.count())) <= 0) continue;
    for (pollfd &p : ended)
      if (p.revents) collect_child(p.fd);  // tells conversion_child_ended
  }
  while (!running.empty()) {  // what outlasted the wait counts as failed
    Conversion &c = running.front();
    drop_new_file(&c);
    tell_failure(c, "Corvane ended before the conversion did");
    running.erase(running.begin());
  }
}
