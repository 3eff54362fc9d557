#include "data/test_launch.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

namespace fs = std::filesystem;

bool start_launcher(App &app, const std::string &launcher, const std::string &path,
                    const std::vector<std::string> &env) {
  return start_program(app, launcher, [&](const App &app) {
    std::error_code error;
    fs::create_directory(app.path("bin"), error);
    if (!error) fs::create_symlink(TEST_PLAYER, app.path("bin/aplay"), error);
    if (error)
      ADD_FAILURE() << "cannot set up the aplay stand-in in " << app.dir << ": " << error.message();
    std::vector<std::string> entries = {"PATH=" + app.path("bin") + ":" + path};
    entries.insert(entries.end(), env.begin(), env.end());
    return entries;
  });
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
