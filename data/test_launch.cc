#include "data/test_launch.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sstream>

namespace fs = std::filesystem;

bool start_launcher(App &app, const std::string &launcher, const std::string &path,
                    const std::vector<std::string> &env) {
  char pattern[] = "/tmp/corvane-launch-XXXXXX";
  if (!mkdtemp(pattern)) {
    ADD_FAILURE() << "mkdtemp: " << strerror(errno);
    return false;
  }
  app.dir = fs::canonical(pattern).string();
  std::error_code error;
  fs::create_directory(app.path("bin"), error);
  if (!error) fs::create_symlink(TEST_PLAYER, app.path("bin/aplay"), error);
  if (error) {
    ADD_FAILURE() << "cannot set up the aplay stand-in in " << app.dir << ": " << error.message();
    return false;
  }
  std::vector<std::string> entries = {"PATH=" + app.path("bin") + ":" + path,
                                      "E2E_CALLS=" + app.path("calls.log"),
                                      "E2E_PLAYED=" + app.path("played.raw")};
  entries.insert(entries.end(), env.begin(), env.end());

  app.pid = fork();
  if (app.pid == 0) {
    setpgid(0, 0);
    if (chdir(app.dir.c_str()) != 0) _exit(126);
    for (const std::string &e : entries) putenv(const_cast<char *>(e.c_str()));
    int null = open("/dev/null", O_RDONLY);
    int out = open("stdout.log", O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (null < 0 || out < 0 || dup2(null, 0) < 0 || dup2(out, 1) < 0) _exit(126);
    execl(launcher.c_str(), "corvane", (char *)nullptr);
    _exit(127);
  }
  if (app.pid < 0) {
    ADD_FAILURE() << "fork: " << strerror(errno);
    return false;
  }
  setpgid(app.pid, app.pid);  // also here, so the group exists whichever side runs first
  app.main = wait_window("Corvane", 10);
  if (!app.main) ADD_FAILURE() << launcher << " showed no \"Corvane\" window within 10 s";
  return app.main != 0;
}

std::string environment_of(pid_t pid, const std::string &name) {
  std::string all = read_file("/proc/" + std::to_string(pid) + "/environ");
  std::string prefix = name + "=";
  for (size_t at = 0; at < all.size();) {
    size_t end = all.find('\0', at);
    if (end == std::string::npos) end = all.size();
    if (all.compare(at, prefix.size(), prefix) == 0)
      return all.substr(at + prefix.size(), end - at - prefix.size());
    at = end + 1;
  }
  return "";
}

std::vector<pid_t> children_of(pid_t pid) {
  std::string id = std::to_string(pid);
  std::istringstream list(read_file("/proc/" + id + "/task/" + id + "/children"));
  std::vector<pid_t> children;
  for (pid_t child; list >> child;) children.push_back(child);
  return children;
}
