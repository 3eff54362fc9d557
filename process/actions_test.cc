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
#include <iterator>
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
  return !sigemptyset(&usr2) && !sigaddset(&usr2, SIGUSR2) &&
         !sigprocmask(SIG_BLOCK, &usr2, nullptr);
}();

using Lines = std::vector<std::string>;
const std::string terminated = "Player terminated, but music may continue until buffer is empty !";

std::string read_file(const std::string &path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), {}};
}

// This process's children, ended or not, until they are collected.
std::vector<pid_t> children() {
  std::ifstream text("/proc/self/task/" + std::to_string(getpid()) + "/children");
  return {std::istream_iterator<pid_t>(text), {}};
}

// How many names a folder holds: this process's descriptors, or the working folder's files.
long entries(const char *folder) {
  return std::distance(std::filesystem::directory_iterator(folder), {});
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
    dir = mkdtemp(std::string("/tmp/corvane-actions-XXXXXX").data());
    ASSERT_EQ(chdir(dir.c_str()), 0);
    umask(022);  // the usual one: a new output reads 0644
    // File names in UTF-8, as on every current desktop; a HOME of the test's own.
    setenv("LC_ALL", "C.UTF-8", 1);
    setenv("HOME", dir.c_str(), 1);
    unsetenv("XDG_CONFIG_HOME");  // where ALSA would look for a second user configuration
    static std::string original_path = getenv("PATH");
    setenv("PATH", (dir + ":" LIBEXEC_DIR ":" + original_path).c_str(), 1);
    ASSERT_EQ(system("sox -n -r 8000 tone.wav synth 0.5 sine 440 2>/dev/null"), 0);
    fl_set_input(main_form->input_file, "tone.wav");
    idle_fds = entries("/proc/self/fd");
  }
  void TearDown() override {
    EXPECT_TRUE(settle()) << children().size() << " children left";
    EXPECT_EQ(entries("/proc/self/fd"), idle_fds) << "descriptors left open";
    unsetenv("FAIL_CALL");
    std::filesystem::remove_all(dir);
  }
  std::string dir;
  long idle_fds = 0;
};

TEST_F(Actions, RefusedBeforeAnythingStarts) {
  for (const char *name : {"hard.wav", "my tone.wav", "M\xC3\xBCller.wav"})  // "Müller.wav"
    ASSERT_EQ(link("tone.wav", name), 0);
  ASSERT_TRUE(!symlink("tone.wav", "soft.wav") && !mkfifo("nobody-reads", 0644));
  std::ofstream("victim") << "keep";
  const std::string same = "Error: outputfile is the inputfile !\nConverting would destroy it.",
                    too_long = "Error: command too long !\nA command holds 999 characters at most.",
                    ascii =
                        " cannot pass unchanged !\nIts letters have no form in the locale's "
                        "encoding (ANSI_X3.4-1968).";
  // Each row: the locale, the input, the output, a play command (Play instead of Convert), the
  // alert.
  const std::string rows[][5] = {
      {"C.UTF-8", "", "out.wav", "", "Error: no inputfile set !"},
      {"C.UTF-8", "tone.wav", "", "", "Error: no outputfile set !"},
      // sox gets the input field split at blanks: any word of it counts.
      {"C.UTF-8", "tone.wav", "hard.wav", "", same},
      {"C.UTF-8", "-t wav  tone.wav ", "soft.wav", "", same},
      // Typed letters are Latin-1, the file system's names UTF-8: the same file all the same.
      {"C.UTF-8", "M\xFCller.wav", "M\xFCller.wav", "", same},
      // sox would get "-t wav victim remix -" and overwrite "victim"; or read "my" and "tone.wav".
      {"C.UTF-8", "tone.wav", "x.wav victim remix", "",
       "Error: outputfile type has blanks !\nsox would take its words for other files."},
      {"C.UTF-8", "my tone.wav", "out.wav", "",
       "Error: inputfile name has blanks !\nFile names with blanks cannot be passed to sox."},
      // Opening would wait for a reader for ever: refused at once instead.
      {"C.UTF-8", "tone.wav", "nobody-reads", "",
       "Error: cannot open outputfile !\nnobody-reads: No such device or address"},
      // "sox -v 1.000 " + name + " -t wav " + " -": one character more than a command holds.
      {"C.UTF-8", std::string(977, 'i'), "out.wav", "", too_long},
      {"C.UTF-8", "tone.wav", std::string(1000, 'o'), "", "Error: outputfile name too long !"},
      {"C.UTF-8", "tone.wav", "", std::string(1000, 'p'), too_long},
      // Where ASCII alone has a form, no other letter can be passed on.
      {"C", "tone.wav", "T\xFCr.wav", "", "Error: outputfile name" + ascii},
      {"C", "tone.wav", "", "vplay-\xFC", "Error: play command" + ascii},
      {"C", "M\xFCller.wav", "out.wav", "", "Error: inputfile name" + ascii},
  };
  for (const auto &[locale, input, output, player, alert] : rows) {
    setenv("LC_ALL", locale.c_str(), 1);
    type_into(main_form->input_file, input);
    type_into(main_form->output_file, output);
    type_into(main_form->play_command, player);
    EXPECT_EQ(act(player.empty() ? convert_cb : play_cb), alert) << input << " -> " << output;
  }
  settle();
  EXPECT_TRUE(announced().empty());  // nothing started, so no output was opened either
  EXPECT_EQ(read_file("victim"), "keep");
}

// Reads the FIFO a little at a time from the event loop until it has brought 10 s of sound.
static int fifo_fd = -1;
static std::string fifo_got;
static void drain_fifo(int, void *) {
  char bytes[4096];
  for (ssize_t n; (n = read(fifo_fd, bytes, sizeof bytes)) > 0;) fifo_got.append(bytes, size_t(n));
  if (fifo_got.size() < 80000) fl_add_timeout(20, drain_fifo, nullptr);
}

// Through two stages, which start from the file backwards, each announced as it starts. Blanks
// around the input name join the separators; the output name is opened whole.
TEST_F(Actions, ConvertWritesTheOutput) {
  ASSERT_EQ(system("sox -n -r 8000 long.wav synth 10 sine 440"), 0);
  fl_set_input(main_form->input_file, " long.wav");
  fl_set_button(effects_form->vibrato, 1);
  fl_set_button(effects_form->bandpass, 1);
  // An older, longer output written in place (it has another name) loses its tail, also when a
  // stage writes it.
  std::ofstream(" my out.ub") << std::string(100000, 'x');
  ASSERT_EQ(link(" my out.ub", "also.ub"), 0);
  fl_set_input(main_form->output_file, " my out.ub");
  EXPECT_EQ(act(convert_cb), "");
  stop_cb(nullptr, 0);  // the converter has ended: nothing to stop, nothing to say
  settle();
  EXPECT_EQ(read_file("also.ub").size(), 80000u);  // 10 s at 8000 Hz, one byte a sample
  EXPECT_EQ(shown(terminated), 0);
  EXPECT_EQ(announced(),
            (Lines{"sox -t ub - -t ub - vibro 5 0.600 ", "sox -t ub - -t ub - band 2030 3490 ",
                   "sox -v 1.000  long.wav -t ub  -"}));

  // A FIFO output gets the whole sound however late its reader starts: it is written to blocking,
  // and a full pipe must not fail the stage.
  ASSERT_EQ(mkfifo("fifo.ub", 0644), 0);
  fifo_fd = open("fifo.ub", O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  fl_set_input(main_form->output_file, "fifo.ub");
  fl_add_timeout(200, drain_fifo, nullptr);
  EXPECT_EQ(act(convert_cb), "");
  pump_until([] { return fifo_got.size() >= 80000; });
  EXPECT_EQ(fifo_got.size(), 80000u);
  close(fifo_fd);
}

// Wherever a Convert through two effects goes wrong, the old output keeps its bytes, nothing is
// left beside it, and the console says what failed.
TEST_F(Actions, AFailedConvertLeavesTheOutputAndSaysWhy) {
  std::ofstream("old.wav") << "old sound";
  fl_set_input(main_form->output_file, "old.wav");
  const std::string path = getenv("PATH"), eagain = "Resource temporarily unavailable",
                    effects = "Error: cannot start the effects !\n", emfile = "Too many open files",
                    start = "the effects could not start: ", sox = "Error: cannot start sox !\n";
  // Each row: the input, the FAIL_CALL setting or what else goes wrong, the alert, the why.
  const std::string rows[][4] = {
      {"tone.wav", "pipe2:1", effects + emfile, start + emfile},
      {"tone.wav", "pipe2:2", effects + emfile, start + emfile},
      {"tone.wav", "pidfd_open:2", effects + emfile, start + emfile},
      {"tone.wav", "fork:2", effects + eagain, start + eagain},
      {"tone.wav", "fork:3", sox + eagain, "the converter could not start: " + eagain},
      {"tone.wav", "linkat:1", "", "cannot give the new file its name: No space left on device"},
      {"tone.wav", "renameat:1", "", "cannot give the new file its name: Permission denied"},
      {"nosuch.wav", "", "", "the converter ended with exit status 2"},
      {"nosuch.wav", "openat:1:95", "", "the converter ended with exit status 2"},  // named
      // sox's usage is no sound: without effects it would go straight into the output.
      {"   ", "", "", "the converter ended with exit status 1"},
      // The stage that writes the file is stopped, the others lose their reader.
      {"tone.wav", "a full disk", "", "the echo stage was killed by SIGXFSZ"},
      // Written in place, as another name shares it: what cannot be emptied is left as it was.
      {"tone.wav", "ftruncate:1", "Error: cannot open outputfile !\nold.wav: File too large",
       "it could not be emptied: File too large"},
      {"tone.wav", "no real sox", "", "the converter ended with exit status 127"},
  };
  const rlimit file_size[] = {{RLIM_INFINITY, RLIM_INFINITY}, {4096, RLIM_INFINITY}};
  for (const auto &[input, fail, alert, why] : rows) {
    SCOPED_TRACE(input + " " + fail);
    fl_clear_browser(main_form->console);
    fl_set_input(main_form->input_file, input.c_str());
    for (FL_OBJECT *effect : {effects_form->echo, effects_form->vibrato})
      fl_set_button(effect, input != "   ");
    if (fail == "ftruncate:1") link("old.wav", "twin.wav");
    setenv("PATH", fail == "no real sox" ? LIBEXEC_DIR : path.c_str(), 1);  // only the adapter
    setrlimit(RLIMIT_FSIZE, &file_size[fail == "a full disk"]);
    setenv("FAIL_CALL", fail.c_str(), 1);
    EXPECT_EQ(act(convert_cb), alert);
    // The stages end, and the output is replaced, from the event loop; the line may be broken.
    const std::string told = "Error: convert failed, \"old.wav\" is left unchanged: " + why;
    EXPECT_TRUE(pump_until([&] {
      std::string said;
      for (const std::string &line : console_lines()) said += line;
      return said.find(told) != said.npos;
    }));
    settle();
    unlink("twin.wav");
    EXPECT_EQ(read_file("old.wav"), "old sound");
    EXPECT_EQ(entries("."), 2) << "a file left beside old.wav and tone.wav";
  }
}

// A Convert that succeeds gives the output exactly what sox alone writes, keeping what the user
// set up around it: its permission bits (0644 for a new one), a link to it, its other names.
TEST_F(Actions, AConvertReplacesTheOutputAsTheUserKeptIt) {
  ASSERT_EQ(system("sox -v 1.000 tone.wav -t wav - >sox.wav"), 0);
  for (const char *name : {"private.wav", "target.wav", "one.wav", "named.wav"})
    std::ofstream(name) << "old sound";
  chmod("private.wav", 0600);
  ASSERT_EQ(symlink("target.wav", "link.wav"), 0);
  ASSERT_EQ(link("one.wav", "other.wav"), 0);  // written in place: both names see the new sound
  for (const char *output : {"new.wav", "private.wav", "link.wav", "one.wav", "named.wav"}) {
    fl_set_input(main_form->output_file, output);
    // Where the file system makes no file without a name, the new file is a named one.
    setenv("FAIL_CALL", output == std::string("named.wav") ? "openat:1:95" : "", 1);
    EXPECT_EQ(act(convert_cb), "") << output;
  }
  // Without effects, Convert returns with the output in place.
  for (const char *name :
       {"new.wav", "private.wav", "target.wav", "one.wav", "other.wav", "named.wav"})
    EXPECT_EQ(read_file(name), read_file("sox.wav")) << name;
  struct stat st;
  EXPECT_TRUE(stat("new.wav", &st) == 0 && (st.st_mode & 0777) == 0644);
  EXPECT_TRUE(stat("private.wav", &st) == 0 && (st.st_mode & 0777) == 0600);
  EXPECT_TRUE(lstat("link.wav", &st) == 0 && S_ISLNK(st.st_mode));
  EXPECT_EQ(entries("."), 9) << "a file left beside an output";
  EXPECT_EQ(console_lines().size(), 5u) << "a successful Convert adds no line";
}

// Play starts the player first, leaving it our standard output, and sends it unsigned bytes
// unless a type is chosen. A child holds nothing of ours but 0 to 2 (no pipe end, pidfd or X
// connection) and starts with the signals this process was started with (SIGHUP ignored, SIGUSR2
// blocked), whatever Corvane ignores, catches or blocks since (left so for the tests after this
// one, whose children must not see it either); our mask is back as it was afterwards.
TEST_F(Actions, PlayStartsThePlayerFirstAndClean) {
  ASSERT_TRUE(started_like_nohup);
  int stray = open("/dev/null", O_RDONLY);  // not close-on-exec, like a careless library's
  signal(SIGPIPE, SIG_IGN);
  signal(SIGHUP, [](int) {});
  sigset_t usr1, now;
  sigemptyset(&usr1), sigaddset(&usr1, SIGUSR1);
  sigprocmask(SIG_BLOCK, &usr1, nullptr);
  fflush(stdout);
  int ours = dup(1), file = open("played", O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
  dup2(file, 1), close(file);
  for (const char *player : {"ls /proc/self/fd", "grep ^Sig[BI] /proc/self/status"}) {
    fl_set_input(main_form->play_command, player);
    EXPECT_EQ(act(play_cb), "");
    settle();
  }
  dup2(ours, 1), close(ours);
  sigprocmask(SIG_UNBLOCK, &usr1, &now);
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
// ignored: an ended child stays its own meanwhile. Players that end at once, Play after Play, all
// start.
TEST_F(Actions, EndedChildrenStayOursUntilCollected) {
  fl_set_input(main_form->play_command, "true");
  for (int i = 0; i < 5; i++) {
    ASSERT_EQ(act(play_cb), "") << "Play " << i;
    pollfd ended = {child_pidfd(last_child_pid), POLLIN, 0};
    ASSERT_EQ(poll(&ended, 1, 10000), 1);
    std::vector<pid_t> held = children();
    ASSERT_EQ(std::count(held.begin(), held.end(), last_child_pid), 1) << "freed uncollected";
  }
}

// The event loop watches each child's pidfd with select(), which takes descriptors below
// FD_SETSIZE only, whatever the system allows: a Play whose player's pidfd would land there is
// refused and leaves nothing behind, one a descriptor lower is collected like any other.
TEST_F(Actions, StartsPastWhatTheLoopCanWatchAreRefused) {
  rlimit limit, raised;
  getrlimit(RLIMIT_NOFILE, &limit);
  raised = {std::min<rlim_t>(limit.rlim_max, 2 * FD_SETSIZE), limit.rlim_max};
  setrlimit(RLIMIT_NOFILE, &raised);
  fl_set_input(main_form->play_command, "true");
  // The player's pipe takes the two free descriptors below FD_SETSIZE - spare + 2, its pidfd the
  // next one.
  for (const auto &[spare, alert] :
       {std::pair{2, "Error: cannot start the player !\nToo many open files"}, {3, ""}}) {
    std::vector<int> held;
    for (int fd = 0; fd >= 0 && fd < FD_SETSIZE - spare - 1;)
      held.push_back(fd = open("/dev/null", O_RDONLY | O_CLOEXEC));
    EXPECT_EQ(act(play_cb), alert) << spare;
    EXPECT_TRUE(settle()) << spare;  // meanwhile the pidfds are the highest the loop can watch
    for (int fd : held) close(fd);
  }
  setrlimit(RLIMIT_NOFILE, &limit);
  EXPECT_EQ(announced(), (Lines{"true", "true", "sox -v 1.000 tone.wav -t ub  -"}));
}

// With the default play command, what reaches the sound device lasts as long as the input, with
// effects or without, whatever the input's type, rate and channels. The default ALSA device of the
// test's HOME writes what aplay plays into a WAV, through a null device that takes it at once.
// aplay ends on up to a period (125 ms) of silence: sounds of 8 s keep that under 2 %.
TEST_F(Actions, PlayLastsAsLongAsTheInputOnTheSoundDevice) {
  std::ofstream(".asoundrc")
      << "pcm.!default { type file; slave.pcm \"null\"; format \"wav\"\n"
         "  file { @func getenv vars [ CORVANE_PLAYED ] default \"x.wav\" } }\n";
  Lines played;
  // The output type's choice: 1, " Use Filetype ", which Play makes unsigned bytes.
  auto play = [&](const std::string &input, int type, bool effects) {
    played.push_back(input + "-" + std::to_string(type) + (effects ? "-effects" : "") + ".wav");
    setenv("CORVANE_PLAYED", played.back().c_str(), 1);
    fl_set_input(main_form->input_file, input.c_str());
    fl_set_choice(main_form->output_type, type);
    // All but the echo, whose repeats ring on after the sound.
    for (FL_OBJECT *b : {effects_form->vibrato, effects_form->lowpass, effects_form->highpass,
                         effects_form->bandpass})
      fl_set_button(b, effects);
    EXPECT_EQ(act(play_cb), "") << played.back();
    // The next Play would stop the converter: it only starts once this one has written all.
    EXPECT_TRUE(pump_until([] { return !child_running(last_child_pid); })) << played.back();
  };
  for (std::string type : {"wav", "au", "aiff"})
    for (std::string rate : {"8000", "22050", "44100", "48000"})
      for (std::string channels : {"1", "2"}) {
        std::string name = rate + "-" + channels + "." + type,
                    make = "sox -n -b 16 -r " + rate + " -c " + channels + " " + name +
                           " synth 8 sine 440 vol 0.5";
        ASSERT_EQ(system(make.c_str()), 0);
        for (bool effects : {false, true}) play(name, 1, effects);
      }
  // A type chosen with a header (au, wav): aplay reads the rate from it.
  for (int type : {3, 15})
    for (bool effects : {false, true}) play("44100-2.wav", type, effects);
  EXPECT_TRUE(pump_until([] { return children().empty(); }, 60));
  for (const std::string &file : played) {
    ASSERT_EQ(system(("soxi -D " + file + " >seconds").c_str()), 0) << file;
    EXPECT_NEAR(std::stod(read_file("seconds")), 8, 8 * 0.02) << file;
  }
}

// Neither a child that floods the console during Convert nor a player that keeps the console
// full may stop the window or an action.
TEST_F(Actions, ChildrenThatFillTheConsoleBlockNothing) {
  // Four times what the pipe holds: Convert returns only if the console is read during the wait,
  // meanwhile Convert and Play are out of use, and look it.
  std::ofstream("sox") << "#!/bin/sh\nyes a converter that cannot stop talking | "
                          "head -c 4194304 >&2; exec /usr/bin/sox \"$@\"\n";
  chmod("sox", 0755);
  fl_set_input(main_form->output_file, "out.au");
  static auto before = buttons_look(), during = before;
  fl_add_timeout(
      1, [](int, void *) { during = buttons_look(); }, nullptr);
  EXPECT_EQ(act(convert_cb), "");
  EXPECT_EQ(during, (decltype(during){{0, FL_INACTIVE}, {0, FL_INACTIVE}}));
  EXPECT_EQ(buttons_look(), before);
  unlink("sox");

  // In whole pages, so that the pipe ends up with no page free. Its standard error is the
  // console's own pipe, through an end that blocks: a converter must never meet EAGAIN.
  std::ofstream("player") << "#!/bin/sh\ncat /proc/self/fdinfo/2 >fd2\n"
                             "exec dd if=/dev/zero bs=4096 status=none >&2\n";
  chmod("player", 0755);
  fl_set_input(main_form->play_command, "player");
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
  EXPECT_EQ(last_child_pid, 0);  // nothing left for a later Stop to end again
  EXPECT_TRUE(pump_until([&] { return children() == player; }));
  EXPECT_EQ(shown(terminated), 2);
  for (pid_t child : children()) kill(child, SIGKILL);
}

}  // namespace
