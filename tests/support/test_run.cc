#include "tests/support/test_run.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

Args words(const std::string &text) {
  Args w;
  for (size_t at = 0, end; at < text.size(); at = end + 1) {
    end = text.find(' ', at);
    if (end == std::string::npos || end + 1 == text.size()) end = text.size();
    w.push_back(text.substr(at, end - at));
  }
  return w;
}

static std::string run_dir;  // one directory for this test process

std::string scratch_dir() {
  if (run_dir.empty()) {
    std::filesystem::create_directories(SCRATCH_DIR);
    std::string dir = SCRATCH_DIR "/run-XXXXXX";
    if (!mkdtemp(dir.data())) return "";
    run_dir = dir;
    std::atexit([] { std::filesystem::remove_all(run_dir); });
  }
  std::string dir = run_dir + "/XXXXXX";
  return mkdtemp(dir.data()) ? dir : "";
}

std::string read_file(const std::string &path) {
  std::stringstream s;
  s << std::ifstream(path, std::ios::binary).rdbuf();
  return s.str();
}

std::string argv_logged(const std::string &path) {
  std::string text = read_file(path);  // each argument ended by a NUL
  std::replace(text.begin(), text.end(), '\0', ' ');
  return text;
}

Ran run(const std::string &program, const Args &args, const Args &env, int in, int out) {
  std::string err_path = scratch_dir() + "/stderr";
  pid_t pid = fork();
  if (pid == 0) {
    int null = open("/dev/null", O_RDWR);
    dup2(in >= 0 ? in : null, 0), dup2(out >= 0 ? out : null, 1);
    dup2(open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 2);
    std::vector<char *> argv, envp;
    for (const std::string &a : args) argv.push_back(const_cast<char *>(a.c_str()));
    for (const std::string &e : env) envp.push_back(const_cast<char *>(e.c_str()));
    argv.push_back(nullptr);
    envp.push_back(nullptr);
    execve(program.c_str(), argv.data(), envp.data());
    _exit(126);
  }
  int status = -1;
  pid_t ended = 0;
  for (int tries = 0; pid > 0 && ended == 0 && tries < 1000; ++tries) {
    ended = waitpid(pid, &status, WNOHANG);
    if (ended == 0) usleep(10000);
  }
  if (pid > 0 && ended == 0) kill(pid, SIGKILL), ended = waitpid(pid, &status, 0);
  if (ended != pid) return {-1, read_file(err_path)};
  return {WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status), read_file(err_path)};
}
