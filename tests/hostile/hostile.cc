#include "tests/hostile/hostile.h"

#include <gtest/gtest.h>
#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <sstream>

bool start_observed(App &app, const std::vector<std::string> &env) {
  // The log lies in the program's working directory, which start() creates.
  std::vector<std::string> all = {"LD_PRELOAD=" HOSTILE_OBSERVER, "HOSTILE_LOG=shown.log"};
  all.insert(all.end(), env.begin(), env.end());
  return start(app, all);
}

static std::string unescape(const std::string &field) {
  std::string text;
  for (size_t i = 0; i < field.size(); i++) {
    if (field[i] != '\\' || i + 1 == field.size()) {
      text += field[i];
      continue;
    }
    char c = field[++i];
    text += c == 't' ? '\t' : c == 'n' ? '\n' : c;
  }
  return text;
}

// The records of one kind, each as its fields after the kind.
static std::vector<std::vector<std::string>> records(const App &app, const std::string &kind) {
  std::vector<std::vector<std::string>> found;
  std::istringstream lines(read_file(app.path("shown.log")));
  for (std::string line; std::getline(lines, line);) {
    std::vector<std::string> fields;
    for (size_t at = 0;;) {
      size_t tab = line.find('\t', at);
      fields.push_back(unescape(line.substr(at, tab - at)));
      if (tab == std::string::npos) break;
      at = tab + 1;
    }
    if (fields[0] != kind) continue;
    fields.erase(fields.begin());
    found.push_back(fields);
  }
  return found;
}

std::vector<std::vector<std::string>> alerts(const App &app) {
  return records(app, "alert");
}

// The program may hand the browser several lines in one text, separated by newlines.
std::vector<std::string> console(const App &app) {
  std::vector<std::string> lines;
  for (const auto &record : records(app, "console")) {
    const std::string &text = record.at(0);
    for (size_t at = 0;;) {
      size_t newline = text.find('\n', at);
      lines.push_back(text.substr(at, newline - at));
      if (newline == std::string::npos) break;
      at = newline + 1;
    }
  }
  return lines;
}

std::string console_text(const App &app) {
  std::string text;
  for (const std::string &line : console(app)) text += line;
  return text;
}

bool wait_console(const App &app, const std::string &text, double seconds) {
  return wait_until([&] { return console_text(app).find(text) != std::string::npos; }, seconds);
}

std::vector<std::string> answer_alert(const App &app) {
  if (!answer("Alert", alert_dismiss)) return {};
  // Recorded before it showed, so it is there by now.
  auto shown = alerts(app);
  if (shown.empty()) {
    ADD_FAILURE() << "an alert showed that the observer did not record";
    return {};
  }
  return shown.back();
}

std::string long_path(const std::string &dir, size_t length, const std::string &tail) {
  std::string path;
  while (path.size() + tail.size() < length) {
    size_t room = length - tail.size() - path.size();
    // A directory needs its slash, and must not leave a single character to fill.
    size_t name = std::min<size_t>(200, room - 1);
    if (room - 1 - name == 1) name--;
    path += std::string(name, 'd');
    mkdir((dir + "/" + path).c_str(), 0755);
    path += '/';
  }
  return path + tail;
}

static bool is_digits(const char *s) {
  for (; *s; s++)
    if (!isdigit(static_cast<unsigned char>(*s))) return false;
  return true;
}

// "state parent" of a process from /proc/PID/stat; false once it is gone.
static bool state_of(const std::string &pid, char *state, pid_t *parent) {
  std::string stat = read_file("/proc/" + pid + "/stat");
  size_t paren = stat.rfind(')');
  return paren != std::string::npos &&
         sscanf(stat.c_str() + paren + 1, " %c %d", state, parent) == 2;
}

static std::vector<pid_t> children(pid_t pid, bool zombies_only) {
  std::vector<pid_t> found;
  DIR *proc = opendir("/proc");
  if (!proc) return found;
  while (dirent *entry = readdir(proc)) {
    char state;
    pid_t parent;
    if (is_digits(entry->d_name) && state_of(entry->d_name, &state, &parent) && parent == pid &&
        (!zombies_only || state == 'Z'))
      found.push_back(atoi(entry->d_name));
  }
  closedir(proc);
  return found;
}

std::vector<pid_t> children_of(pid_t pid) {
  return children(pid, false);
}
int zombies_of(pid_t pid) {
  return static_cast<int>(children(pid, true).size());
}

int open_descriptors(pid_t pid) {
  int count = 0;
  DIR *fds = opendir(("/proc/" + std::to_string(pid) + "/fd").c_str());
  if (!fds) return -1;
  while (dirent *entry = readdir(fds))
    if (entry->d_name[0] != '.') count++;
  closedir(fds);
  return count;
}

bool wait_idle(const App &app, int descriptors, double seconds) {
  return wait_until(
      [&] { return children_of(app.pid).empty() && open_descriptors(app.pid) == descriptors; },
      seconds);
}
