// Convert, Play and Stop on the real windows, with real children: the real sox behind the
// recording stand-in of the end-to-end tests (tests/e2e/bin/sox) early on PATH.

#include <gtest/gtest.h>  // before the X headers, whose macros clash with it

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "console/console.h"
#include "forms/effects_form.h"
#include "forms/main_form.h"
#include "process/children.h"
#include "process/run_command.h"
#include "tests/support/gui_test.h"

namespace {

std::string read_file(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

bool contains(const std::vector<std::string> &lines, const std::string &line) {
  for (const std::string &l : lines)
    if (l == line) return true;
  return false;
}

// This process's children, ended or not, until they are collected.
std::vector<pid_t> children_of_this_process() {
  std::vector<pid_t> found;
  DIR *proc = opendir("/proc");
  while (dirent *entry = readdir(proc)) {
    if (!isdigit(entry->d_name[0])) continue;
    // Plain stdio: a process may vanish while it is read, which a stream would throw for.
    char text[512] = "";
    FILE *stat = fopen((std::string("/proc/") + entry->d_name + "/stat").c_str(), "r");
    if (!stat) continue;
    size_t got = fread(text, 1, sizeof text - 1, stat);
    fclose(stat);
    text[got] = '\0';
    const char *close = strrchr(text, ')');
    char state;
    int parent;
    if (close && sscanf(close + 1, " %c %d", &state, &parent) == 2 && parent == getpid())
      found.push_back(atoi(entry->d_name));
  }
  closedir(proc);
  return found;
}

class Actions : public ::testing::Test {
 protected:
  void SetUp() override {
    start_gui_once();
    reset_controls();
    char pattern[] = "/tmp/corvane-actions-XXXXXX";
    dir = mkdtemp(pattern);
    ASSERT_EQ(chdir(dir.c_str()), 0);
    log = dir + "/sox.log";
    setenv("E2E_CALLS", log.c_str(), 1);
    setenv("E2E_REAL_SOX", "/usr/bin/sox", 1);
    unsetenv("E2E_SOX_FLOOD");
    // The recorder answers to the name sox, first on the search path.
    ASSERT_EQ(mkdir("bin", 0755), 0);
    ASSERT_EQ(symlink(SOX_RECORDER, "bin/sox"), 0);
    static std::string original_path = getenv("PATH");
    setenv("PATH", (dir + "/bin:" + original_path).c_str(), 1);
    ASSERT_EQ(system("/usr/bin/sox -n -r 8000 tone.wav synth 0.5 sine 440 2>/dev/null"), 0);
    fl_set_input(main_form->input_file, "tone.wav");
  }
  void TearDown() override {
    stop_cb(nullptr, 0);
    // Players left running by a test would hold the test's output open after it ends.
    for (pid_t child : children_of_this_process()) kill(child, SIGKILL);
    pump_until([] { return children_of_this_process().empty(); });
    std::string command = "rm -rf " + dir;
    EXPECT_EQ(system(command.c_str()), 0);
  }
  // The recorded starts' arguments, one start per line, each argument in brackets.
  std::vector<std::string> starts() {
    std::vector<std::string> lines;
    std::istringstream text(read_file(log));
    for (std::string line; std::getline(text, line);) {
      const std::string program = " [sox] ";  // after the process id
      size_t at = line.find(program);
      lines.push_back(at == std::string::npos ? line : line.substr(at + program.size()));
    }
    return lines;
  }
  // Lets the event loop read the console until every child has ended and been collected.
  static bool settle() {
    bool collected = pump_until([] { return children_of_this_process().empty(); });
    fl_check_forms();
    return collected;
  }
  std::string dir, log;
};

TEST_F(Actions, ConvertWritesTheOutputAndAnnouncesTheCommand) {
  fl_set_input(main_form->output_file, "out.au");
  convert_cb(nullptr, 0);
  // The main converter has ended when Convert returns, and nothing waits for the file.
  EXPECT_EQ(read_file("out.au").substr(0, 4), ".snd");
  EXPECT_EQ(starts(), std::vector<std::string>{"[-v] [1.000] [tone.wav] [-t] [au] [-]"});
  EXPECT_TRUE(settle());
  EXPECT_TRUE(contains(console_lines(), "Executing: sox -v 1.000 tone.wav -t au  -"));
}

TEST_F(Actions, ConvertChainsTheStagesFromTheFileBackwards) {
  fl_set_input(main_form->output_file, "out.au");
  fl_set_button(effects_form->bandpass, 1);
  fl_set_button(effects_form->echo, 1);
  convert_cb(nullptr, 0);
  ASSERT_TRUE(pump_until([&] { return read_file("out.au").size() > 8000; }));
  // The stages run side by side, so their log lines come in any order; the announcements are
  // written by Corvane itself, in the order of the starts.
  auto recorded = starts();
  std::sort(recorded.begin(), recorded.end());
  EXPECT_EQ(recorded, (std::vector<std::string>{
                          "[-t] [au] [-] [-t] [au] [-] [band] [2030] [3490 ]",
                          "[-t] [au] [-] [-t] [au] [-] [echo] [0.150] [0.500 ]",
                          "[-v] [1.000] [tone.wav] [-t] [au] [-]",
                      }));
  settle();
  std::vector<std::string> announced;
  for (const std::string &line : console_lines())
    if (line.rfind("Executing: ", 0) == 0) announced.push_back(line);
  EXPECT_EQ(announced, (std::vector<std::string>{
                           "Executing: sox -t au - -t au - echo 0.150 0.500 ",
                           "Executing: sox -t au - -t au - band 2030 3490 ",
                           "Executing: sox -v 1.000 tone.wav -t au  -",
                       }));
}

TEST_F(Actions, ConvertEmptiesAnOlderLongerOutput) {
  fl_set_input(main_form->output_file, "out.ub");
  std::ofstream("out.ub") << std::string(100000, 'x');
  convert_cb(nullptr, 0);
  EXPECT_EQ(read_file("out.ub").size(), 4000u);  // 0.5 s at 8000 Hz, one byte a sample
  struct stat st;
  ASSERT_EQ(stat("out.ub", &st), 0);
}

TEST_F(Actions, ConvertCreatesTheOutputReadableByAll) {
  fl_set_input(main_form->output_file, "new.ub");
  mode_t old = umask(022);
  convert_cb(nullptr, 0);
  umask(old);
  struct stat st;
  ASSERT_EQ(stat("new.ub", &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0644u);
}

TEST_F(Actions, OutputThatIsTheInputIsRefusedAndTheInputKept) {
  std::string tone = read_file("tone.wav");
  ASSERT_EQ(link("tone.wav", "hard.wav"), 0);
  ASSERT_EQ(symlink("tone.wav", "soft.wav"), 0);
  // sox gets the input field split at blanks: any word of it counts.
  const struct {
    const char *input, *output;
  } cases[] = {{"tone.wav", "tone.wav"},        {"tone.wav", "./tone.wav"},
               {"tone.wav", "hard.wav"},        {"tone.wav", "soft.wav"},
               {"tone.wav ", "tone.wav"},       {" tone.wav", "tone.wav"},
               {"-t wav  tone.wav", "hard.wav"}};
  for (const auto &c : cases) {
    fl_set_input(main_form->input_file, c.input);
    fl_set_input(main_form->output_file, c.output);
    auto texts = dialogs_during([] { convert_cb(nullptr, 0); }, "Dismiss");
    ASSERT_FALSE(texts.empty()) << "'" << c.input << "' into " << c.output;
    EXPECT_EQ(texts[0], "Error: outputfile is the inputfile !");
  }
  EXPECT_EQ(read_file("tone.wav"), tone);
  EXPECT_TRUE(starts().empty());
}

TEST_F(Actions, OutputThatCannotBeOpenedIsReportedWithTheReason) {
  ASSERT_EQ(mkdir("folder", 0755), 0);
  ASSERT_EQ(mkfifo("nobody-reads", 0644), 0);
  const struct {
    const char *output, *reason;
  } cases[] = {{"missing/out.wav", "missing/out.wav: No such file or directory"},
               {"folder", "folder: Is a directory"},
               // Opening would wait for a reader for ever: refused at once instead.
               {"nobody-reads", "nobody-reads: No such device or address"}};
  for (const auto &c : cases) {
    fl_set_input(main_form->output_file, c.output);
    auto texts = dialogs_during([] { convert_cb(nullptr, 0); }, "Dismiss");
    EXPECT_EQ(texts, (std::vector<std::string>{"Error: cannot open outputfile !", c.reason}));
  }
  EXPECT_TRUE(starts().empty());
}

TEST_F(Actions, ConvertWritesIntoAFifoThatHasAReader) {
  ASSERT_EQ(mkfifo("out.fifo", 0644), 0);
  int reader = open("out.fifo", O_RDONLY | O_NONBLOCK);
  ASSERT_GE(reader, 0);
  fl_set_input(main_form->output_file, "out.fifo");
  fl_set_choice(main_form->output_type, 5);  // 4000 bytes: the pipe holds them all
  convert_cb(nullptr, 0);
  char sound[8192];
  EXPECT_EQ(read(reader, sound, sizeof sound), 4000);
  close(reader);
}

TEST_F(Actions, NothingThatCannotStartTouchesTheOutput) {
  std::ofstream("out.wav") << "keep";
  fl_set_input(main_form->output_file, "out.wav");
  ASSERT_EQ(mkdir("empty", 0755), 0);
  ASSERT_EQ(mkdir("unrunnable", 0755), 0);
  std::ofstream("unrunnable/sox") << "#!/bin/sh\n";
  std::string path = getenv("PATH");
  for (const char *dir : {"empty", "unrunnable"}) {
    setenv("PATH", (this->dir + "/" + dir).c_str(), 1);
    convert_cb(nullptr, 0);
    EXPECT_EQ(read_file("out.wav"), "keep") << "sox in " << dir;
  }
  setenv("PATH", path.c_str(), 1);
  ASSERT_TRUE(pump_until([] {
    return contains(console_lines(), "Error: cannot execute \"sox\": Permission denied");
  }));
  EXPECT_TRUE(
      contains(console_lines(), "Error: cannot execute \"sox\": No such file or directory"));

  // Out of descriptors: the output and its copy open, the first stage's pipe cannot.
  fl_set_button(effects_form->echo, 1);
  std::vector<int> held;
  for (int fd; (fd = open("/dev/null", O_RDONLY)) >= 0;) held.push_back(fd);
  ASSERT_GE(held.size(), 3u);
  for (int i = 0; i < 3; i++) close(held.back()), held.pop_back();
  auto texts = dialogs_during([] { convert_cb(nullptr, 0); }, "Dismiss");
  for (int fd : held) close(fd);
  EXPECT_EQ(texts,
            (std::vector<std::string>{"Error: cannot start the effects !", "Too many open files"}));
  EXPECT_EQ(read_file("out.wav"), "keep");
  EXPECT_TRUE(starts().empty());
}

TEST_F(Actions, TooLongCommandsAreRefusedBeforeAnythingStarts) {
  std::string name(995, 'n');
  fl_set_input(main_form->input_file, name.c_str());
  fl_set_input(main_form->output_file, "out.wav");
  std::ofstream("out.wav") << "keep";
  auto texts = dialogs_during([] { convert_cb(nullptr, 0); }, "Dismiss");
  ASSERT_FALSE(texts.empty());
  EXPECT_EQ(texts[0], "Error: command too long !");
  EXPECT_EQ(read_file("out.wav"), "keep");

  fl_set_input(main_form->input_file, "tone.wav");
  fl_set_input(main_form->play_command, std::string(1200, 'p').c_str());
  texts = dialogs_during([] { play_cb(nullptr, 0); }, "Dismiss");
  ASSERT_FALSE(texts.empty());
  EXPECT_EQ(texts[0], "Error: command too long !");
  EXPECT_TRUE(starts().empty());
}

TEST_F(Actions, ConvertKeepsTheWindowAliveWhileItWaits) {
  // Four times what the pipe holds: Convert returns only if the console is read during the wait.
  setenv("E2E_SOX_FLOOD", "262144", 1);
  fl_set_input(main_form->output_file, "out.au");
  static FL_OBJECT *buttons[2];
  static bool active[2];
  static FL_COLOR label[2];
  buttons[0] = main_form->convert_button;
  buttons[1] = main_form->play_button;
  FL_COLOR normal = buttons[0]->lcol;
  fl_add_timeout(
      1,
      [](int, void *) {
        for (int i = 0; i < 2; i++) active[i] = buttons[i]->active, label[i] = buttons[i]->lcol;
      },
      nullptr);
  convert_cb(nullptr, 0);
  EXPECT_EQ(read_file("out.au").substr(0, 4), ".snd");
  for (int i = 0; i < 2; i++) {
    EXPECT_FALSE(active[i]) << buttons[i]->label;
    EXPECT_EQ(label[i], FL_COLOR(FL_INACTIVE)) << buttons[i]->label;
    EXPECT_TRUE(buttons[i]->active) << buttons[i]->label;
    EXPECT_EQ(buttons[i]->lcol, normal) << buttons[i]->label;
  }
}

TEST_F(Actions, APlayerThatKeepsTheConsoleFullBlocksNoAction) {
  // Byte by byte, so that the pipe ends up holding all it can.
  std::ofstream("bin/noisy-player") << "#!/bin/sh\nexec dd if=/dev/zero bs=1 status=none >&2\n";
  ASSERT_EQ(chmod("bin/noisy-player", 0755), 0);
  fl_set_input(main_form->play_command, "noisy-player");
  play_cb(nullptr, 0);
  // The console is not read meanwhile: the player fills its pipe.
  int queued = 0;
  for (int waited = 0; queued < 65536 && waited < 500; waited++) {
    usleep(10000);
    ASSERT_EQ(ioctl(console_fd(), FIONREAD, &queued), 0);
  }
  ASSERT_EQ(queued, 65536);
  // Each action writes its own lines on the console: none of them may wait for room there.
  fl_set_choice(main_form->output_type, 1);
  fl_set_input(main_form->output_file, "out.au");
  convert_cb(nullptr, 0);
  EXPECT_EQ(read_file("out.au").substr(0, 4), ".snd");
  play_cb(nullptr, 0);
  pump_until([&] { return starts().size() == 3; });
  EXPECT_EQ(starts(), (std::vector<std::string>{"[-v] [1.000] [tone.wav] [-t] [ub] [-]",
                                                "[-v] [1.000] [tone.wav] [-t] [au] [-]",
                                                "[-v] [1.000] [tone.wav] [-t] [ub] [-]"}));
}

TEST_F(Actions, StopEndsTheWaitOfAHangingConvert) {
  // An endless input: the main converter never ends by itself.
  fl_set_input(main_form->input_file, "/dev/zero");
  fl_set_choice(main_form->input_type, 5);
  fl_set_input(main_form->output_file, "/dev/null");
  fl_set_choice(main_form->output_type, 5);
  fl_add_timeout(
      200, [](int, void *) { stop_cb(nullptr, 0); }, nullptr);
  convert_cb(nullptr, 0);
  settle();
  EXPECT_TRUE(contains(console_lines(),
                       "Player terminated, but music may continue until buffer is empty !"));
}

TEST_F(Actions, StopAfterAFinishedConvertShowsNothing) {
  fl_set_input(main_form->output_file, "out.au");
  convert_cb(nullptr, 0);
  settle();
  size_t before = console_lines().size();
  stop_cb(nullptr, 0);
  EXPECT_EQ(console_lines().size(), before);
  EXPECT_EQ(last_child_pid, 0);
}

TEST_F(Actions, PlaySwitchesToUnsignedBytesAndFeedsThePlayer) {
  fl_set_input(main_form->play_command, "dd of=played.ub status=none");
  play_cb(nullptr, 0);
  EXPECT_EQ(fl_get_choice(main_form->output_type), 5);
  ASSERT_TRUE(pump_until([] { return read_file("played.ub").size() == 4000; }));
  EXPECT_EQ(starts(), std::vector<std::string>{"[-v] [1.000] [tone.wav] [-t] [ub] [-]"});
  settle();
  auto lines = console_lines();
  EXPECT_TRUE(contains(lines, "Executing: dd of=played.ub status=none"));
  EXPECT_TRUE(contains(lines, "Executing: sox -v 1.000 tone.wav -t ub  -"));
}

TEST_F(Actions, PlayStopsThePreviousRunFirst) {
  // A player that never reads keeps the main converter blocked on a full pipe.
  ASSERT_EQ(system("/usr/bin/sox -n -r 44100 long.wav synth 10 sine 440 2>/dev/null"), 0);
  fl_set_input(main_form->input_file, "long.wav");
  fl_set_input(main_form->play_command, "sleep 5");
  play_cb(nullptr, 0);
  pid_t first = last_child_pid;
  ASSERT_TRUE(child_running(first));
  fl_set_input(main_form->input_file, "");
  auto texts = dialogs_during([] { play_cb(nullptr, 0); }, "Dismiss");
  EXPECT_EQ(texts, std::vector<std::string>{"Error: no inputfile set !"});
  EXPECT_TRUE(pump_until([&] { return !child_running(first); }));
  EXPECT_TRUE(contains(console_lines(),
                       "Player terminated, but music may continue until buffer is empty !"));
}

TEST_F(Actions, APlayerThatCannotRunSaysWhyOnTheConsole) {
  fl_set_input(main_form->play_command, "no-such-player -x");
  play_cb(nullptr, 0);
  ASSERT_TRUE(pump_until([] {
    return contains(console_lines(),
                    "Error: cannot execute \"no-such-player\": No such file or directory");
  }));
  // The converter meets a pipe without reader and ends; Corvane collects both.
  EXPECT_TRUE(settle());
}

}  // namespace
