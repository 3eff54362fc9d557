#include "adapters/peek.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace {

// Reads until n bytes or end of input.
size_t read_full(int fd, char *buf, size_t n, off_t offset, bool positioned) {
  size_t got = 0;
  while (got < n) {
    ssize_t r = positioned ? pread(fd, buf + got, n - got, offset + static_cast<off_t>(got))
                           : read(fd, buf + got, n - got);
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) break;
    got += static_cast<size_t>(r);
  }
  return got;
}

std::string peek_pipe(int fd, size_t want) {
  int copy[2];
  if (pipe2(copy, O_CLOEXEC) != 0) return "";
  ssize_t n;
  do n = tee(fd, copy[1], want, 0);
  while (n < 0 && errno == EINTR);
  std::string head(n > 0 ? static_cast<size_t>(n) : 0, '\0');
  head.resize(read_full(copy[0], head.data(), head.size(), 0, false));
  close(copy[0]);
  close(copy[1]);
  return head;
}

}  // namespace

std::string peek_start(int fd, size_t want) {
  struct stat st;
  if (fstat(fd, &st) != 0) return "";
  if (S_ISFIFO(st.st_mode)) return peek_pipe(fd, want);
  if (!S_ISREG(st.st_mode)) return "";
  off_t at = lseek(fd, 0, SEEK_CUR);
  if (at < 0) return "";
  std::string head(want, '\0');
  head.resize(read_full(fd, head.data(), want, at, true));
  return head;
}
