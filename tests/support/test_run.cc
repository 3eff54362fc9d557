#include "tests/support/test_run.h"

#include <fcntl.h>
#include <ftw.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>
#include <fstream>
#include <sstream>

namespace {

std::string run_dir;

int remove_entry(const char *path, const struct stat *, int, struct FTW *) {
  return remove(path);
}

void remove_run_dir() {
  nftw(run_dir.c_str(), remove_entry, 16, FTW_DEPTH | FTW_PHYS);
}

}  // namespace

std::string scratch_dir() {
  if (run_dir.empty()) {  // one directory for this test process, gone when it ends
    mkdir(SCRATCH_DIR, 0755);
    run_dir = std::string(SCRATCH_DIR) + "/run-XXXXXX";
    if (!mkdtemp(run_dir.data())) {
      run_dir.clear();
      return "";
    }
    std::atexit(remove_run_dir);
  }
  std::string dir = run_dir + "/XXXXXX";
  return mkdtemp(dir.data()) ? dir : "";
}

std::string read_file(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

std::vector<std::string> read_argv_log(const std::string &path) {
  std::vector<std::string> words;
  std::string text = read_file(path);
  for (size_t at = 0, end; (end = text.find('\0', at)) != std::string::npos; at = end + 1)
    words.push_back(text.substr(at, end - at));
  return words;
}

pid_t start(const std::string &program, const std::vector<std::string> &args,
            const std::vector<std::string> &env, int in, int out, int err) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, in, 0);
  posix_spawn_file_actions_adddup2(&actions, out, 1);
  posix_spawn_file_actions_adddup2(&actions, err, 2);
  std::vector<std::string> a = args, e = env;
  std::vector<char *> argv, envp;
  for (std::string &s : a) argv.push_back(s.data());
  for (std::string &s : e) envp.push_back(s.data());
  argv.push_back(nullptr);
  envp.push_back(nullptr);
  pid_t pid;
  int failed = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  return failed ? -1 : pid;
}

int finish(pid_t pid) {
  if (pid < 0) return -1;
  for (int tries = 0; tries < 12000; ++tries) {  // 60 s in steps of 5 ms
    int status;
    pid_t r = waitpid(pid, &status, WNOHANG);
    if (r == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    if (r < 0) return -1;
    struct timespec pause = {0, 5 * 1000 * 1000};
    nanosleep(&pause, nullptr);
  }
  kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);
  return -1;
}

namespace {

int open_or_null(const std::string &path, int flags) {
  return open(path.empty() ? "/dev/null" : path.c_str(), flags | O_CLOEXEC, 0644);
}

}  // namespace

Ran run(const std::string &program, const std::vector<std::string> &args,
        const std::vector<std::string> &env, const std::string &in_path,
        const std::string &out_path) {
  std::string err_path = scratch_dir() + "/stderr";
  int in = open_or_null(in_path, O_RDONLY);
  int out = open_or_null(out_path, O_WRONLY | O_CREAT | O_TRUNC);
  int err = open_or_null(err_path, O_WRONLY | O_CREAT | O_TRUNC);
  int status = finish(start(program, args, env, in, out, err));
  close(in);
  close(out);
  close(err);
  return {status, read_file(err_path)};
}

Ran run_piped(const std::vector<std::string> &producer, const std::vector<std::string> &consumer,
              const std::vector<std::string> &env, const std::string &out_path) {
  std::string err_path = scratch_dir() + "/stderr";
  int pipe_fds[2];
  if (pipe2(pipe_fds, O_CLOEXEC) != 0) return {-1, "pipe failed"};
  int none = open_or_null("", O_RDWR);
  int out = open_or_null(out_path, O_WRONLY | O_CREAT | O_TRUNC);
  int err = open_or_null(err_path, O_WRONLY | O_CREAT | O_TRUNC);
  pid_t from = start(producer[0], producer, env, none, pipe_fds[1], none);
  pid_t to = start(consumer[0], consumer, env, pipe_fds[0], out, err);
  for (int fd : {pipe_fds[0], pipe_fds[1], none, out, err}) close(fd);
  int status = finish(to);
  finish(from);
  return {status, read_file(err_path)};
}
