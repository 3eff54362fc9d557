#include "adapters/next_on_path.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "tests/support/test_run.h"

namespace {

void make_file(const std::string &path, mode_t mode) {
  int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, mode);
  ASSERT_GE(fd, 0) << path;
  close(fd);
}

FileId id_of(const std::string &path) {
  struct stat st;
  EXPECT_EQ(stat(path.c_str(), &st), 0) << path;
  return {st.st_dev, st.st_ino};
}

TEST(NextOnPath, SkipsWhatCannotBeTheRealProgram) {
  std::string top = scratch_dir();
  std::string plain = top + "/plain", linked = top + "/linked", last = top + "/last";
  for (const std::string &d : {plain, linked, last, top + "/dir"}) mkdir(d.c_str(), 0755);
  make_file(plain + "/sox", 0644);  // not executable
  mkdir((top + "/dir/sox").c_str(), 0755);
  make_file(last + "/sox", 0755);
  ASSERT_EQ(symlink((last + "/sox").c_str(), (linked + "/sox").c_str()), 0);

  std::string path = ":relative::" + plain + ":" + top + "/dir:" + linked + ":" + last;
  EXPECT_EQ(next_on_path("sox", path, {}), linked + "/sox");
  // A link to a skipped file is the same file.
  EXPECT_EQ(next_on_path("sox", path, {id_of(last + "/sox")}), "");
  EXPECT_EQ(next_on_path("play", path, {}), "");
}

}  // namespace
