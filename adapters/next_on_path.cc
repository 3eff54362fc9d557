#include "adapters/next_on_path.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>

namespace {

bool skipped(const struct stat &st, const std::vector<FileId> &skip) {
  for (const FileId &id : skip)
    if (id.dev == st.st_dev && id.ino == st.st_ino) return true;
  return false;
}

}  // namespace

std::string next_on_path(const std::string &name, const std::string &path,
                         const std::vector<FileId> &skip) {
  size_t begin = 0;
  while (begin <= path.size()) {
    size_t end = path.find(':', begin);
    if (end == std::string::npos) end = path.size();
    std::string dir = path.substr(begin, end - begin);
    begin = end + 1;
    // Empty and relative entries depend on the working directory: no place to pick a program from.
    if (dir.empty() || dir[0] != '/') continue;
    std::string file = dir + "/" + name;
    struct stat st;
    if (stat(file.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(file.c_str(), X_OK) == 0 &&
        !skipped(st, skip))
      return file;
  }
  return "";
}

std::vector<FileId> parse_file_ids(const char *text) {
  std::vector<FileId> ids;
  std::istringstream in(text ? text : "");
  std::string word;
  while (in >> word) {
    uintmax_t dev, ino;
    char colon;
    std::istringstream w(word);
    if (w >> dev >> colon >> ino && colon == ':')
      ids.push_back({static_cast<dev_t>(dev), static_cast<ino_t>(ino)});
  }
  return ids;
}

std::string format_file_ids(const std::vector<FileId> &ids) {
  std::string text;
  for (const FileId &id : ids) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%s%ju:%ju", text.empty() ? "" : " ",
                  static_cast<uintmax_t>(id.dev), static_cast<uintmax_t>(id.ino));
    text += buf;
  }
  return text;
}

std::string search_path() {
  const char *path = std::getenv("PATH");
  if (path) return path;
  char buf[256];
  size_t n = confstr(_CS_PATH, buf, sizeof buf);
  return n > 0 && n <= sizeof buf ? buf : "/bin:/usr/bin";
}

int become(const std::string &program, std::vector<std::string> args, const char *who) {
  std::vector<char *> cargs;
  for (std::string &a : args) cargs.push_back(a.data());
  cargs.push_back(nullptr);
  execv(program.c_str(), cargs.data());
  std::fprintf(stderr, "%s: cannot run %s: %s\n", who, program.c_str(), std::strerror(errno));
  return 126;
}
