#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

// A file's identity, the same for all its links.
struct FileId {
  dev_t dev;
  ino_t ino;
};

// The first executable regular file called name in an absolute directory of path (a PATH value)
// that is none of skip; empty when there is none.
std::string next_on_path(const std::string &name, const std::string &path,
                         const std::vector<FileId> &skip);

// The directories a program name is searched in: PATH, or the system's default without it.
std::string search_path();

// Replaces this process by program with args (args[0] included); returns 126 after telling
// standard error why it could not, as `who`.
int become(const std::string &program, std::vector<std::string> args, const char *who);

// The identities listed in a "dev:ino dev:ino ..." text; unreadable entries are left out.
std::vector<FileId> parse_file_ids(const char *text);

// ids as parse_file_ids reads them.
std::string format_file_ids(const std::vector<FileId> &ids);
