// Convert, Play and Stop on the real windows, with real children and Corvane's sox adapter first on
// PATH. After every test, every child has ended and been collected, and no descriptor is open.

#include <gtest/gtest.h>  // before the X headers, whose macros clash with it

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/select.h>
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

// This process starts as under nohup, from a parent that ignores SIGCHLD and blocks SIGUSR2: the
// children must keep SIGHUP ignored and SIGUSR2 blocked, and Corvane must still hold each of them
// until it collects it, where an ignored SIGCHLD would free them behind its back.
const bool started_like_nohup = [] {
  signal(SIGHUP, SIG_IGN);
  signal(SIGCHLD, SIG_IGN);
  sigset_t usr2;
  sigemptyset(&usr2);
  sigaddset(&usr2, SIGUSR2);
  return sigprocmask(SIG_BLOCK, &usr2, nullptr) == 0;
}();

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

// Whether the console shows `text`, which may be broken over several of its lines.
bool told(const std::string &text) {
  return pump_until([&] {
    std::string joined;
    for (const std::string &line : console_lines()) joined += line;
    return joined.find(text) != std::string::npos;
  });
}

// The names in the working folder, sorted.
Lines listing() {
  Lines names;
  for (const auto &entry : std::filesystem::directory_iterator("."))
    names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  return names;
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
    // File names in UTF-8, as on every current desktop.
    setenv("LC_ALL", "C.UTF-8", 1);
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
  ASSERT_EQ(link("tone.wav", "my tone.wav"), 0);
  ASSERT_EQ(link("tone.wav", "M\xC3\xBCller.wav"), 0);  // "Müller.wav" in UTF-8
  ASSERT_EQ(mkfifo("nobody-reads", 0644), 0);
  std::ofstream("victim") << "keep";
  std::ofstream("my") << "keep";
  const std::string tone = read_file("tone.wav");
  const std::string same = "Error: outputfile is the inputfile !\nConverting would destroy it.",
                    unopened = "Error: cannot open outputfile !\n",
                    too_long = "Error: command too long !\nA command holds 999 characters at most.";
  const std::string blanks =
      "Error: inputfile name has blanks !\nFile names with blanks cannot be passed to sox.";
  const std::string rows[][3] = {
      {"", "out.wav", "Error: no inputfile set !"},
      {"tone.wav", "", "Error: no outputfile set !"},
      // sox gets the input field split at blanks: any word of it counts.
      {"tone.wav", "hard.wav", same},
      {"-t wav  tone.wav ", "soft.wav", same},
      // Typed letters are Latin-1, the file system's names UTF-8: the same file all the same.
      {"M\xFCller.wav", "M\xFCller.wav", same},
      // sox would get "-t wav victim remix -" and overwrite "victim"; or read "my" and "tone.wav".
      {"tone.wav", "x.wav victim remix",
       "Error: outputfile type has blanks !\nsox would take its words for other files."},
      {"my tone.wav", "out.wav", blanks},
      // Opening would wait for a reader for ever: refused at once instead.
      {"tone.wav", "nobody-reads", unopened + "nobody-reads: No such device or address"},
      // "sox -v 1.000 " + name + " -t wav " + " -": one character more than a command holds.
      {std::string(977, 'i'), "out.wav", too_long},
      {"tone.wav", std::string(1000, 'o'), "Error: outputfile name too long !"},
  };
  for (const auto &[input, output, alert] : rows) {
    type_into(main_form->input_file, input);
    type_into(main_form->output_file, output);
    EXPECT_EQ(act(convert_cb), alert) << input << " -> " << output;
  }
  fl_set_input(main_form->input_file, "my tone.wav");
  EXPECT_EQ(act(play_cb), blanks);
  fl_set_input(main_form->input_file, "tone.wav");
  fl_set_input(main_form->play_command, std::string(1000, 'p').c_str());
  EXPECT_EQ(act(play_cb), too_long);

  // Where ASCII alone has a form, no other letter can be passed on.
  setenv("LC_ALL", "C", 1);
  const std::string ascii = "Its letters have no form in the locale's encoding (ANSI_X3.4-1968).";
  type_into(main_form->output_file, "T\xFCr.wav");
  EXPECT_EQ(act(convert_cb), "Error: outputfile name cannot pass unchanged !\n" + ascii);
  type_into(main_form->play_command, "vplay-\xFC");
  EXPECT_EQ(act(play_cb), "Error: play command cannot pass unchanged !\n" + ascii);
  type_into(main_form->input_file, "M\xFCller.wav");
  EXPECT_EQ(act(convert_cb), "Error: inputfile name cannot pass unchanged !\n" + ascii);
  settle();
  EXPECT_TRUE(announced().empty());  // nothing started, so no output was opened either
  EXPECT_EQ(read_file("victim") + read_file("my"), "keepkeep");
  EXPECT_EQ(read_file("tone.wav"), tone);
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

  // An older, longer output written in place (it has another name) loses its tail, also when a
  // stage writes it.
  std::ofstream("out.ub") << std::string(100000, 'x');
  ASSERT_EQ(link("out.ub", "also.ub"), 0);
  fl_set_input(main_form->output_file, "out.ub");
  fl_set_button(effects_form->vibrato, 1);
  EXPECT_EQ(act(convert_cb), "");
  EXPECT_TRUE(pump_until([&] { return read_file("also.ub").size() == 4000; }))
      << read_file("also.ub").size();  // 0.5 s at 8000 Hz, one byte a sample
  plain_cb(nullptr, 0);

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

// Wherever a Convert through two effects goes wrong, the old output keeps its bytes, nothing is
// left beside it, and the console says what failed.
TEST_F(Actions, AFailedConvertLeavesTheOutputAndSaysWhy) {
  std::ofstream("old.wav") << "old sound";
  fl_set_input(main_form->output_file, "old.wav");
  const std::string effects = "Error: cannot start the effects !\n",
                    sox = "Error: cannot start sox !\n", emfile = "Too many open files",
                    eagain = "Resource temporarily unavailable";
  struct Row {
    std::string input, fail, alert, why;
    rlim_t file_size = RLIM_INFINITY;
    bool effects = true;
  } rows[] = {
      {"tone.wav", "pipe2:1", effects + emfile, "the effects could not start: " + emfile},
      {"tone.wav", "pipe2:2", effects + emfile, "the effects could not start: " + emfile},
      {"tone.wav", "pidfd_open:2", effects + emfile, "the effects could not start: " + emfile},
      {"tone.wav", "fork:2", effects + eagain, "the effects could not start: " + eagain},
      {"tone.wav", "fork:3", sox + eagain, "the converter could not start: " + eagain},
      {"tone.wav", "linkat:1", "", "cannot give the new file its name: No space left on device"},
      {"tone.wav", "renameat:1", "", "cannot give the new file its name: Permission denied"},
      {"nosuch.wav", "", "", "the converter ended with exit status 2"},
      {"nosuch.wav", "openat:1:95", "", "the converter ended with exit status 2"},  // named
      // sox's usage is no sound: without effects it would go straight into the output.
      {"   ", "", "", "the converter ended with exit status 1", RLIM_INFINITY, false},
      // A full disk: the stage that writes the file is stopped, the others lose their reader.
      {"tone.wav", "", "", "the echo stage was killed by SIGXFSZ", 4096},
      {"tone.wav", "no real sox", "", "the converter ended with exit status 127"},
  };
  std::string path = getenv("PATH");
  for (const Row &row : rows) {
    fl_clear_browser(main_form->console);
    fl_set_input(main_form->input_file, row.input.c_str());
    fl_set_button(effects_form->echo, row.effects);
    fl_set_button(effects_form->vibrato, row.effects);
    setenv("FAIL_CALL", row.fail.c_str(), 1);
    if (row.fail == "no real sox") setenv("PATH", LIBEXEC_DIR, 1);  // only Corvane's adapter
    rlimit limit = {row.file_size, RLIM_INFINITY}, unlimited = {RLIM_INFINITY, RLIM_INFINITY};
    setrlimit(RLIMIT_FSIZE, &limit);
    EXPECT_EQ(act(convert_cb), row.alert) << row.fail;
    // The stages end, and the output is replaced, from the event loop.
    EXPECT_TRUE(told("Error: convert failed, \"old.wav\" is left unchanged: " + row.why))
        << row.input << " " << row.fail;
    settle();
    setrlimit(RLIMIT_FSIZE, &unlimited);
    setenv("PATH", path.c_str(), 1);
    unsetenv("FAIL_CALL");
    EXPECT_TRUE(read_file("old.wav") == "old sound") << row.input << " " << row.fail;
    EXPECT_EQ(listing(), (Lines{"old.wav", "tone.wav"})) << row.input << " " << row.fail;
  }
  EXPECT_TRUE(told("sox: no sox program found on PATH besides Corvane's adapter"));

  // Written in place, as another name shares it: what cannot be emptied is left as it was.
  ASSERT_EQ(link("old.wav", "twin.wav"), 0);
  fl_set_input(main_form->input_file, "tone.wav");
  setenv("FAIL_CALL", "ftruncate:1", 1);
  EXPECT_EQ(act(convert_cb), "Error: cannot open outputfile !\nold.wav: File too large");
  unsetenv("FAIL_CALL");
  EXPECT_TRUE(told("\"old.wav\" is left unchanged: it could not be emptied: File too large"));
  EXPECT_TRUE(read_file("old.wav") == "old sound");
}

// A Convert that succeeds gives the output exactly what sox alone writes, keeping what the user
// set up around it: its permission bits, a link to it, its other names.
TEST_F(Actions, AConvertReplacesTheOutputAsTheUserKeptIt) {
  ASSERT_EQ(system("sox -v 1.000 tone.wav -t wav - >sox.wav"), 0);
  const std::string sound = read_file("sox.wav");
  for (const char *name : {"private.wav", "target.wav", "one.wav", "named.wav"})
    std::ofstream(name) << "old sound";
  chmod("private.wav", 0600);
  ASSERT_EQ(symlink("target.wav", "link.wav"), 0);
  ASSERT_EQ(link("one.wav", "other.wav"), 0);  // written in place: both names see the new sound
  struct stat before, after;
  stat("one.wav", &before);
  for (const char *output : {"private.wav", "link.wav", "one.wav", "named.wav"}) {
    fl_set_input(main_form->output_file, output);
    // Where the file system makes no file without a name, the new file is a named one.
    if (output == std::string("named.wav")) setenv("FAIL_CALL", "openat:1:95", 1);
    EXPECT_EQ(act(convert_cb), "") << output;
    unsetenv("FAIL_CALL");
  }
  for (const char *name : {"private.wav", "target.wav", "one.wav", "other.wav", "named.wav"})
    EXPECT_EQ(read_file(name), sound) << name;
  EXPECT_TRUE(stat("private.wav", &after) == 0 && (after.st_mode & 0777) == 0600);
  EXPECT_TRUE(lstat("link.wav", &after) == 0 && S_ISLNK(after.st_mode));
  EXPECT_TRUE(stat("one.wav", &after) == 0 && after.st_ino == before.st_ino);
  EXPECT_EQ(listing(), (Lines{"link.wav", "named.wav", "one.wav", "other.wav", "private.wav",
                              "sox.wav", "target.wav", "tone.wav"}));
  EXPECT_TRUE(console_lines().size() == 4) << "a successful Convert adds no line";
}

// Play starts the player first, leaving it our standard output, and sends it unsigned bytes
// unless a type is chosen. A child holds nothing of ours but 0 to 2 (no pipe end, pidfd or X
// connection) and starts with the signals this process was started with (SIGHUP ignored, SIGUSR2
// blocked), whatever Corvane ignores, catches or blocks since; ours are back as they were
// afterwards.
TEST_F(Actions, PlayStartsThePlayerFirstAndClean) {
  ASSERT_TRUE(started_like_nohup);
  int stray = open("/dev/null", O_RDONLY);  // not close-on-exec, like a careless library's
  signal(SIGPIPE, SIG_IGN);
  signal(SIGHUP, [](int) {});
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
  signal(SIGHUP, SIG_IGN);
  signal(SIGPIPE, SIG_DFL);
  close(stray);
  EXPECT_EQ(fl_get_choice(main_form->output_type), 5);  // unsigned bytes from now on
  EXPECT_EQ(announced(),
            (Lines{"ls /proc/self/fd", "sox -v 1.000 tone.wav -t ub  -",
                   "grep ^Sig[BI] /proc/self/status", "sox -v 1.000 tone.wav -t ub  -"}));
  EXPECT_EQ(read_file("played"),
            "0\n1\n2\n3\nSigBlk:\t0000000000000800\nSigIgn:\t0000000000000001\n");
  EXPECT_TRUE(sigismember(&now, SIGUSR1) && !sigismember(&now, SIGTERM));
}

// Corvane holds every child until the event loop collects it, though started with SIGCHLD
// ignored: an ended child stays its own meanwhile and Stop sends it nothing. Players that end at
// once, Play after Play, all start.
TEST_F(Actions, EndedChildrenStayOursUntilCollected) {
  fl_set_input(main_form->play_command, "true");
  for (int i = 0; i < 40; i++) {
    ASSERT_EQ(act(play_cb), "") << "Play " << i;
    pid_t sox = last_child_pid;
    pollfd ended = {child_pidfd(sox), POLLIN, 0};
    ASSERT_EQ(poll(&ended, 1, 10000), 1);
    std::vector<pid_t> held = children();
    ASSERT_NE(std::find(held.begin(), held.end(), sox), held.end()) << "freed uncollected";
  }
  stop_cb(nullptr, 0);
  settle();
  EXPECT_EQ(shown(terminated), 0);
}

// The event loop watches each child's pidfd with select(), which takes descriptors below
// FD_SETSIZE only, whatever the system allows: a Play whose player's pidfd would land there is
// refused and leaves nothing behind, one a descriptor lower is collected like any other.
TEST_F(Actions, StartsPastWhatTheLoopCanWatchAreRefused) {
  rlimit system_limit, raised;
  getrlimit(RLIMIT_NOFILE, &system_limit);
  raised = system_limit;
  raised.rlim_cur = std::min<rlim_t>(system_limit.rlim_max, 2 * FD_SETSIZE);
  setrlimit(RLIMIT_NOFILE, &raised);
  fl_set_input(main_form->play_command, "true");
  // The player's pipe takes two free descriptors, its pidfd the next one.
  for (const auto &[spare, alert] :
       {std::pair{2, "Error: cannot start the player !\nToo many open files"}, {3, ""}}) {
    std::vector<int> held;
    int fd;
    while ((fd = open("/dev/null", O_RDONLY | O_CLOEXEC)) >= 0 && fd < FD_SETSIZE - spare)
      held.push_back(fd);
    if (fd >= 0) close(fd);
    EXPECT_EQ(act(play_cb), alert) << spare;
    EXPECT_TRUE(settle()) << spare;  // meanwhile the pidfds are the highest the loop can watch
    for (int fd : held) close(fd);
  }
  setrlimit(RLIMIT_NOFILE, &system_limit);
  EXPECT_EQ(announced(), (Lines{"true", "true", "sox -v 1.000 tone.wav -t ub  -"}));
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
