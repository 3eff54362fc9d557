#include "adapters/next_on_path.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cinttypes>
#include <cstdio>
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
