// Input files that are missing, folders or not sound, and an output in a folder nobody may write
// to: sox's complaint or Corvane's alert says so, the input stays as it was, and the program keeps
// answering. (Outputs in a missing folder, outputs that are folders and outputs that are the
// input itself are covered by process/actions_test.cc; see tests/README.md.)
#include <gtest/gtest.h>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>

#include "tests/hostile/hostile.h"

using Lines = std::vector<std::string>;

namespace {

// Starts the program with out.wav as the output name and `input` as the input name.
bool start_converting(App &app, const std::string &input) {
  if (!start_observed(app)) return false;
  fill_field(app.main, input_file, input);
  fill_field(app.main, output_file, "out.wav");
  return true;
}

void convert_and_expect(const App &app, const std::string &complaint) {
  click(app.main, convert_button);
  ASSERT_TRUE(wait_calls_ended(app, 1));
  EXPECT_TRUE(wait_console(app, complaint)) << "the console shows:\n" << console_text(app);
  EXPECT_TRUE(answers(app));
  EXPECT_TRUE(wait_until([&] { return zombies_of(app.pid) == 0; }));
}

}  // namespace

TEST(InputFile, ThatDoesNotExist) {
  App app;
  ASSERT_TRUE(start_converting(app, "missing.wav"));
  convert_and_expect(
      app, "FAIL formats: can't open input file `missing.wav': No such file or directory");
}

TEST(InputFile, ThatIsAFolder) {
  App app;
  ASSERT_TRUE(start_converting(app, "folder"));
  ASSERT_EQ(mkdir(app.path("folder").c_str(), 0755), 0);
  convert_and_expect(app, "FAIL formats: can't determine type of file `folder'");
}

TEST(InputFile, ThatIsNotSound) {
  App app;
  ASSERT_TRUE(start_converting(app, "notes.wav"));
  std::ofstream(app.path("notes.wav")) << "these are my notes, not a sound\n";
  convert_and_expect(
      app, "FAIL formats: can't open input file `notes.wav': WAVE: RIFF header not found");
  EXPECT_EQ(read_file(app.path("notes.wav")), "these are my notes, not a sound\n");
}

// Permission bits do not stop root, so as root the folder is made immutable instead; where the
// file system cannot do that, the test says so and skips.
static std::string make_read_only(const std::string &folder) {
  if (geteuid() != 0) return chmod(folder.c_str(), 0555) == 0 ? "" : strerror(errno);
  int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  int flags = 0;
  std::string failure;
  if (fd < 0 || ioctl(fd, FS_IOC_GETFLAGS, &flags) != 0) failure = strerror(errno);
  flags |= FS_IMMUTABLE_FL;
  if (failure.empty() && ioctl(fd, FS_IOC_SETFLAGS, &flags) != 0) failure = strerror(errno);
  if (fd >= 0) close(fd);
  return failure;
}

static void make_writable(const std::string &folder) {
  chmod(folder.c_str(), 0755);
  int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  int flags = 0;
  if (fd >= 0 && ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0) {
    flags &= ~FS_IMMUTABLE_FL;
    ioctl(fd, FS_IOC_SETFLAGS, &flags);
  }
  if (fd >= 0) close(fd);
}

TEST(OutputFile, InAFolderNobodyMayWriteTo) {
  App app;
  ASSERT_TRUE(start_observed(app));
  ASSERT_TRUE(make_tone(app.path("tone.wav"), 0.5));
  std::string folder = app.path("locked");
  ASSERT_EQ(mkdir(folder.c_str(), 0755), 0);
  std::string failure = make_read_only(folder);
  if (!failure.empty()) GTEST_SKIP() << "cannot make a folder read-only here: " << failure;
  errno = 0;
  int probe = open((folder + "/probe").c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
  std::string reason = strerror(errno);
  if (probe >= 0) close(probe);
  bool writable = probe >= 0;

  fill_field(app.main, input_file, "tone.wav");
  fill_field(app.main, output_file, "locked/out.wav");
  click(app.main, convert_button);
  Lines shown = answer_alert(app);
  make_writable(folder);  // before any assertion, so that the folder can be removed
  ASSERT_FALSE(writable) << "the folder stayed writable";
  EXPECT_EQ(shown, (Lines{"Error: cannot open outputfile !", "locked/out.wav: " + reason, ""}));
  EXPECT_TRUE(calls(app).empty());
  EXPECT_TRUE(answers(app));
}
