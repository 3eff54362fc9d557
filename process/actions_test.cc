// Convert, Play and Stop on the real windows, with real children and Corvane's sox adapter first on
// PATH. After every test, every child has ended and been collected, and no descriptor is open.

#include <gtest/gtest.h>  // before the X headers, whose macros clash with it

#include <fcntl.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <string>

#include "console/console.h"
#include "forms/effects_form.h"
#include "forms/main_form.h"
#include "process/children.h"
#include "process/run_command.h"
#include "tests/support/gui_test.h"

namespace {

using Lines = std::vector<std::string>;
const std::string terminated = "Player terminated, but music may continue until buffer is empty !";

std::string read_file(const std::string &path) {
  std::stringstream text;
  text << std::ifstream(path, std::ios::binary).rdbuf();
  return text.str();
}

void write_program(const std::string &path, const std::string &script) {
  std::ofstream(path) << "#!/bin/sh\n" << script << "\n";
  chmod(path.c_str(), 0755);
}

// This process's children, ended or not, until they are collected.
std::vector<pid_t> children() {
  std::istringstream text(read_file("/proc/self/task/" + std::to_string(getpid()) + "/children"));
  return {std::istream_iterator<pid_t>(text), std::istream_iterator<pid_t>()};
}

long count_fds() {
  return std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {});
}

// Runs an action's callback, answering its alerts; returns their lines.
std::string act(void (*callback)(FL_OBJECT *, long)) {
  return alerts_during([&] { callback(nullptr, 0); });
}

// Whether Convert and Play can be used, and their label colours.
std::vector<std::pair<int, FL_COLOR>> buttons_look() {
  return {{main_form->convert_button->active, main_form->convert_button->lcol},
          {main_form->play_button->active, main_form->play_button->lcol}};
}

// Lets the event loop read the console until every child has ended and been collected.
bool settle() {
  bool collected = pump_until([] { return children().empty(); });
  fl_check_forms();
  return collected;
}

int shown(const std::string &line) {
  Lines lines = console_lines();
  return int(std::count(lines.begin(), lines.end(), line));
}

// The commands Corvane announced, in order.
Lines announced() {
  Lines found;
  for (const std::string &line : console_lines())
    if (line.rfind("Executing: ", 0) == 0) found.push_back(line.substr(11));
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
    umask(022);  // the usual one: a new output reads 0644
    static std::string original_path = getenv("PATH");
    setenv("PATH", (dir + ":" LIBEXEC_DIR ":" + original_path).c_str(), 1);
    ASSERT_EQ(system("sox -n -r 8000 tone.wav synth 0.5 sine 440 2>/dev/null"), 0);
    fl_set_input(main_form->input_file, "tone.wav");
    idle_fds = count_fds();
  }
  void TearDown() override {
    EXPECT_TRUE(settle()) << children().size() << " children left";
    EXPECT_EQ(count_fds(), idle_fds) << "descriptors left open";
    EXPECT_EQ(system(("rm -rf " + dir).c_str()), 0);
  }
  std::string dir;
  long idle_fds = 0;
};

TEST_F(Actions, RefusedBeforeAnythingStarts) {
  ASSERT_EQ(link("tone.wav", "hard.wav"), 0);
  ASSERT_EQ(symlink("tone.wav", "soft.wav"), 0);
  ASSERT_EQ(mkfifo("nobody-reads", 0644), 0);
  const std::string same = "Error: outputfile is the inputfile !\nConverting would destroy it.",
                    unopened = "Error: cannot open outputfile !\n",
                    too_long = "Error: command too long !\nA command holds 999 characters at most.";
  const std::string rows[][3] = {
      {"", "out.wav", "Error: no inputfile set !"},
      {"tone.wav", "", "Error: no outputfile set !"},
      // sox gets the input field split at blanks: any word of it counts.
      {"tone.wav", "hard.wav", same},
      {"-t wav  tone.wav ", "soft.wav", same},
      // Opening would wait for a reader for ever: refused at once instead.
      {"tone.wav", "nobody-reads", unopened + "nobody-reads: No such device or address"},
      // "sox -v 1.000 " + name + " -t wav " + " -": one character more than a command holds.
      {std::string(977, 'i'), "out.wav", too_long},
      {"tone.wav", std::string(1000, 'o'), "Error: outputfile name too long !"},
  };
  for (const auto &[input, output, alert] : rows) {
    fl_set_input(main_form->input_file, input.c_str());
    fl_set_input(main_form->output_file, output.c_str());
    EXPECT_EQ(act(convert_cb), alert) << input << " -> " << output;
  }
  fl_set_input(main_form->play_command, std::string(1000, 'p').c_str());
  EXPECT_EQ(act(play_cb), too_long);
  settle();
  EXPECT_TRUE(announced().empty());  // nothing started, so no output was opened either
}

// Reads the FIFO a little at a time from the event loop until it has brought `fifo_wanted` bytes.
static int fifo_fd = -1;
static std::string fifo_got;
constexpr size_t fifo_wanted = 80000;
static void drain_fifo(int, void *) {
  char bytes[4096];
  for (ssize_t n; (n = read(fifo_fd, bytes, sizeof bytes)) > 0;) fifo_got.append(bytes, size_t(n));
  if (fifo_got.size() < fifo_wanted) fl_add_timeout(20, drain_fifo, nullptr);
}

TEST_F(Actions, ConvertWritesTheOutput) {
  // Blanks around the input name join the separators; the output name is opened whole.
  fl_set_input(main_form->input_file, " tone.wav");
  fl_set_input(main_form->output_file, " my out.au");
  EXPECT_EQ(act(convert_cb), "");
  // The main converter has ended when Convert returns.
  EXPECT_EQ(read_file(" my out.au").substr(0, 4), ".snd");
  struct stat st;
  EXPECT_TRUE(stat(" my out.au", &st) == 0 && (st.st_mode & 0777) == 0644);
  stop_cb(nullptr, 0);  // after a finished Convert: nothing to stop, nothing to say
  EXPECT_EQ(shown(terminated), 0);
  EXPECT_EQ(last_child_pid, 0);

  // The stages start from the file backwards, each announced in the order of the starts.
  fl_set_input(main_form->output_file, "out.au");
  fl_set_button(effects_form->bandpass, 1);
  fl_set_button(effects_form->echo, 1);
  EXPECT_EQ(act(convert_cb), "");
  EXPECT_TRUE(pump_until([&] { return read_file("out.au").size() > 8000; }));
  settle();
  EXPECT_EQ(announced(),
            (Lines{"sox -v 1.000  tone.wav -t au  -", "sox -t au - -t au - echo 0.150 0.500 ",
                   "sox -t au - -t au - band 2030 3490 ", "sox -v 1.000  tone.wav -t au  -"}));
  plain_cb(nullptr, 0);

  // An older, longer output loses its tail.
  std::ofstream("out.ub") << std::string(100000, 'x');
  fl_set_input(main_form->output_file, "out.ub");
  EXPECT_EQ(act(convert_cb), "");
  EXPECT_EQ(read_file("out.ub").size(), 4000u);  // 0.5 s at 8000 Hz, one byte a sample

  // A FIFO output gets the whole sound however late its reader starts: the converter writes to it
  // blocking, and a full pipe must not fail it.
  ASSERT_EQ(system("sox -n -r 8000 long.wav synth 10 sine 440"), 0);
  ASSERT_EQ(mkfifo("fifo.ub", 0644), 0);
  fifo_fd = open("fifo.ub", O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  fl_set_input(main_form->input_file, "long.wav");
  fl_set_input(main_form->output_file, "fifo.ub");
  fl_add_timeout(200, drain_fifo, nullptr);
  EXPECT_EQ(act(convert_cb), "");
  EXPECT_TRUE(pump_until([] { return fifo_got.size() >= fifo_wanted; }));
  EXPECT_EQ(fifo_got.size(), fifo_wanted);
  close(fifo_fd);
}

// A converter that cannot start says why on the console and leaves the output as it was, also
// when a stage has started already.
TEST_F(Actions, StartsThatFailSayWhyAndLeaveTheOutput) {
  std::ofstream("out.wav") << "keep";
  fl_set_input(main_form->output_file, "out.wav");
  std::ofstream("sox") << "#!/bin/sh\n";  // not executable
  std::string path = getenv("PATH");
  for (const auto &[where, line] :
       {std::pair{"/none", "Error: cannot execute \"sox\": No such file or directory"},
        {"", "Error: cannot execute \"sox\": Permission denied"}}) {
    setenv("PATH", (dir + where).c_str(), 1);
    EXPECT_EQ(act(convert_cb), "") << line;
    setenv("PATH", path.c_str(), 1);
    EXPECT_TRUE(pump_until([line = line] { return shown(line) == 1; })) << line;
  }

  // Out of descriptors with the output and its copy open: the first stage's pipe cannot be made,
  // or its pidfd cannot, and the stage started without one is taken back.
  fl_set_button(effects_form->echo, 1);
  for (int spare : {3, 4}) {
    std::vector<int> held;
    for (int fd; (fd = open("/dev/null", O_RDONLY | O_CLOEXEC)) >= 0;) held.push_back(fd);
    for (int i = 0; i < spare; i++) close(held.back()), held.pop_back();
    std::string alert = act(convert_cb);
    for (int fd : held) close(fd);
    EXPECT_EQ(alert, "Error: cannot start the effects !\nToo many open files") << spare;
  }
  EXPECT_EQ(read_file("out.wav"), "keep");
}

// Play starts the player first, leaving it our standard output, and sends it unsigned bytes
// unless a type is chosen. A child holds nothing of ours but 0 to 2 (no pipe end, pidfd or X
// connection) and starts with default signal dispositions and nothing blocked, whatever ours are;
// ours are back as they were afterwards.
TEST_F(Actions, PlayStartsThePlayerFirstAndClean) {
  int stray = open("/dev/null", O_RDONLY);  // not close-on-exec, like a careless library's
  signal(SIGPIPE, SIG_IGN);
  sigset_t block, old, now;
  sigemptyset(&block);
  sigaddset(&block, SIGUSR1);
  sigprocmask(SIG_BLOCK, &block, &old);
  for (const char *player : {"ls /proc/self/fd", "grep ^Sig[BI] /proc/self/status"}) {
    fflush(stdout);
    int ours = dup(1), file = open("played", O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    dup2(file, 1), close(file);
    fl_set_input(main_form->play_command, player);
    EXPECT_EQ(act(play_cb), "");
    dup2(ours, 1), close(ours);
    settle();
  }
  sigprocmask(SIG_SETMASK, &old, &now);
  signal(SIGPIPE, SIG_DFL);
  close(stray);
  EXPECT_EQ(fl_get_choice(main_form->output_type), 5);  // unsigned bytes from now on
  EXPECT_EQ(announced(),
            (Lines{"ls /proc/self/fd", "sox -v 1.000 tone.wav -t ub  -",
                   "grep ^Sig[BI] /proc/self/status", "sox -v 1.000 tone.wav -t ub  -"}));
  EXPECT_EQ(read_file("played"),
            "0\n1\n2\n3\nSigBlk:\t0000000000000000\nSigIgn:\t0000000000000000\n");
  EXPECT_TRUE(sigismember(&now, SIGUSR1) && !sigismember(&now, SIGTERM));
}

// soxi's duration in seconds of each file, -1 where it cannot tell.
std::vector<double> durations(const std::vector<std::string> &files) {
  std::string command;
  for (const std::string &file : files) command += "soxi -D '" + file + "' 2>/dev/null || echo -1;";
  FILE *out = popen(command.c_str(), "r");
  std::vector<double> seconds(files.size(), -1);
  for (double &d : seconds)
    if (!out || fscanf(out, "%lf", &d) != 1) d = -1;
  if (out) pclose(out);
  return seconds;
}

bool raw_stream_told() {
  const std::string told = "sox: a raw stream is read as 8000 Hz mono: adding -r 8000 -c 1";
  for (const std::string &line : console_lines())
    if (line.size() >= told.size() &&
        line.compare(line.size() - told.size(), told.size(), told) == 0)
      return true;
  return false;
}

// With the default play command, what reaches the sound device lasts as long as the input, with
// effects or without, whatever the input's type, rate and channels. The default ALSA device of a
// HOME of the test's own writes what aplay plays into a WAV, through a null device that takes it
// at once. aplay ends on up to a period (125 ms) of silence: sounds of 8 s keep that under 2 %.
TEST_F(Actions, PlayLastsAsLongAsTheInputOnTheSoundDevice) {
  std::ofstream(".asoundrc")
      << "pcm.!default { type file; slave.pcm \"null\"; format \"wav\"\n"
         "  file { @func getenv vars [ CORVANE_PLAYED ] default \"x.wav\" } }\n";
  std::string home = getenv("HOME") ? getenv("HOME") : "/";
  setenv("HOME", dir.c_str(), 1);
  unsetenv("XDG_CONFIG_HOME");  // where ALSA would look for a second user configuration
  struct Row {
    std::string input;
    int output_type;  // the choice; 1: " Use Filetype ", which Play makes unsigned bytes
    bool effects;
  };
  std::vector<Row> rows;
  std::string make;
  for (const char *type : {"wav", "au", "aiff"})
    for (const char *rate : {"8000", "22050", "44100", "48000"})
      for (const char *channels : {"1", "2"}) {
        std::string name = std::string(rate) + "-" + channels + "." + type;
        make += "sox -n -b 16 -r " + std::string(rate) + " -c " + channels + " " + name +
                " synth 8 sine 440 vol 0.5 & ";
        rows.push_back({name, 1, false});
        rows.push_back({name, 1, true});
      }
  // A type chosen with a header: aplay reads the rate from it.
  for (int type : {3, 15})  // au, wav
    for (bool effects : {false, true}) rows.push_back({"44100-2.wav", type, effects});
  ASSERT_EQ(system((make + "wait").c_str()), 0);

  std::vector<std::string> inputs, played;
  for (const Row &row : rows) {
    played.push_back(row.input + "-" + file_type_table[row.output_type] +
                     (row.effects ? "-effects" : "") + ".played.wav");
    inputs.push_back(row.input);
    setenv("CORVANE_PLAYED", played.back().c_str(), 1);
    fl_set_input(main_form->input_file, row.input.c_str());
    fl_set_choice(main_form->output_type, row.output_type);
    // All but the echo, whose repeats ring on after the sound.
    for (FL_OBJECT *b : {effects_form->vibrato, effects_form->lowpass, effects_form->highpass,
                         effects_form->bandpass})
      fl_set_button(b, row.effects);
    fl_clear_browser(main_form->console);
    EXPECT_EQ(act(play_cb), "") << row.input;
    // The next Play would stop the converter: it only starts once this one has written all.
    EXPECT_TRUE(pump_until([] { return !child_running(last_child_pid); })) << row.input;
    EXPECT_EQ(shown(terminated), 0);
    // The console tells what the default type's stream is. Its line may follow the start of a
    // sox warning that another process wrote in pieces.
    if (row.output_type == 1) {
      EXPECT_TRUE(pump_until(raw_stream_told)) << row.input;
    }
  }
  EXPECT_TRUE(pump_until([] { return children().empty(); }, 60));
  setenv("HOME", home.c_str(), 1);
  unsetenv("CORVANE_PLAYED");

  // The measured table goes to the test's output.
  std::vector<double> in = durations(inputs), out = durations(played);
  std::cout << "input        type effects    in s   played s  ratio\n";
  for (size_t i = 0; i < rows.size(); i++) {
    char line[100];
    snprintf(line, sizeof line, "%-12s %-4s %-7s %7.3f %9.3f %6.4f\n", rows[i].input.c_str(),
             file_type_table[rows[i].output_type == 1 ? 5 : rows[i].output_type],
             rows[i].effects ? "yes" : "no", in[i], out[i], out[i] / in[i]);
    std::cout << line;
    EXPECT_NEAR(in[i], 8, 0.001) << line;
    EXPECT_NEAR(out[i] / in[i], 1, 0.02) << line;
  }
}

// Neither a child that floods the console during Convert nor a player that keeps the console
// full may stop the window or an action.
TEST_F(Actions, ChildrenThatFillTheConsoleBlockNothing) {
  // Four times what the pipe holds: Convert returns only if the console is read during the wait,
  // meanwhile Convert and Play are out of use, and look it.
  write_program(
      "sox",
      "yes a converter that cannot stop talking | head -c 4194304 >&2; exec /usr/bin/sox \"$@\"");
  fl_set_input(main_form->output_file, "out.au");
  static auto before = buttons_look(), during = before;
  fl_add_timeout(
      1, [](int, void *) { during = buttons_look(); }, nullptr);
  EXPECT_EQ(act(convert_cb), "");
  EXPECT_EQ(during, (decltype(during){{0, FL_INACTIVE}, {0, FL_INACTIVE}}));
  EXPECT_EQ(buttons_look(), before);
  settle();
  unlink("sox");

  // In whole pages, so that the pipe ends up with no page free. Its standard error is the
  // console's own pipe, through an end that blocks: a converter must never meet EAGAIN.
  write_program("noisy-player",
                "cat /proc/self/fdinfo/2 >fd2; exec dd if=/dev/zero bs=4096 status=none >&2");
  fl_set_input(main_form->play_command, "noisy-player");
  EXPECT_EQ(act(play_cb), "");
  int queued = 0, capacity = fcntl(console_fd(), F_GETPIPE_SZ);  // not read meanwhile
  for (int tries = 0; tries < 500 && queued <= capacity - 4096; tries++)
    usleep(10000), ioctl(console_fd(), FIONREAD, &queued);
  ASSERT_GT(queued, capacity - 4096);
  EXPECT_NE(read_file("fd2").find("flags:\t01\n"), std::string::npos) << read_file("fd2");
  // Each action writes its own lines on the console: none of them may wait for room there.
  EXPECT_EQ(act(convert_cb), "");
  EXPECT_EQ(act(play_cb), "");
  for (pid_t child : children()) kill(child, SIGKILL);  // the players
}

// Stop ends the process started last, once: the converter of a Convert that would never end,
// or the converter feeding a player that never reads. The player is left to the user.
TEST_F(Actions, StopEndsOnlyTheConverterOnce) {
  fl_set_input(main_form->input_file, "/dev/zero");  // an endless input
  fl_set_choice(main_form->input_type, 5);
  fl_set_input(main_form->output_file, "/dev/null");
  fl_set_choice(main_form->output_type, 5);
  fl_add_timeout(
      200, [](int, void *) { stop_cb(nullptr, 0); }, nullptr);
  EXPECT_EQ(act(convert_cb), "");
  settle();
  EXPECT_EQ(shown(terminated), 1);

  fl_set_input(main_form->play_command, "sleep 60");
  EXPECT_EQ(act(play_cb), "");
  collect_child(child_pidfd(last_child_pid));  // a wake-up while it runs: it stays ours
  std::vector<pid_t> player = children();
  player.erase(std::remove(player.begin(), player.end(), last_child_pid), player.end());
  // Play first stops the converter, started last, even when it then finds no input file.
  fl_set_input(main_form->input_file, "");
  EXPECT_EQ(act(play_cb), "Error: no inputfile set !");
  for (int i = 0; i < 5; i++) stop_cb(nullptr, 0);
  EXPECT_TRUE(pump_until([&] { return children() == player; }));
  EXPECT_EQ(shown(terminated), 2);
  for (pid_t child : children()) kill(child, SIGKILL);
}

}  // namespace
