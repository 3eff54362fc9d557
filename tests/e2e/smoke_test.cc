// The real program as a user meets it, started through its launcher, which puts the adapters
// first on PATH: the classic commands Corvane writes must work on today's sox and reach a player.
#include <gtest/gtest.h>

#include <set>

#include "tests/e2e/harness.h"

#include <fcntl.h>
#include <sys/stat.h>

TEST(Smoke, WindowsFieldsFileSelectorEffectsConvertPlayAndExit) {
  App app;
  ASSERT_TRUE(start(app));
  EXPECT_EQ(geometry(app.main), "435x275+0+0 fixed");
  // Every window, each time it is shown, tells a taskbar whose it is and shows Corvane's icon.
  const std::vector<unsigned long> icon = png_as_net_wm_icon(ICON_PNG);
  ASSERT_EQ(icon.size(), 2 + 48 * 48u) << ICON_PNG;
  auto marked = [&](Window w) {
    EXPECT_EQ(cardinals(w, "_NET_WM_PID"), std::vector<unsigned long>{unsigned(app.pid)});
    EXPECT_TRUE(cardinals(w, "_NET_WM_ICON") == icon) << "_NET_WM_ICON is not " ICON_PNG;
    EXPECT_EQ(wm_hints_icon_mismatch(w, icon), "");
  };
  marked(app.main);
  ASSERT_EQ(system(("sox -n -r 8000 " + app.path("tone.wav") + " synth 1 sine 440").c_str()), 0);
  click(app.main, select_input);
  ASSERT_TRUE(pick_file("tone.wav"));
  click(app.main, select_input);  // Cancel leaves the field as it is
  ASSERT_TRUE(answer("FileSelector", fselector_cancel));
  click(app.main, output_type_field, 3);  // aiff, until a selected name brings its extension
  click(app.main, select_output);
  ASSERT_TRUE(pick_file("out.wav"));
  click(app.main, out_ch2);
  for (int i = 0; i < 11; i++) click(app.main, output_rate_up_1000);

  click(app.main, effects_button);
  Window effects = wait_window("Sound Effects");
  ASSERT_TRUE(effects) << "Add Effects showed no window";
  EXPECT_EQ(geometry(effects), "440x205+420+409 fixed");  // centred on the 1280 x 1024 screen
  auto plain_pushed = [&] { return wait_until([&] { return button_pushed(effects, plain); }); };
  EXPECT_TRUE(plain_pushed());
  click(effects, plain);        // pressed again, it stays pushed
  click(app.main, input_file);  // Control-E asks to quit even where it is an editing key
  xdotool({"key", "ctrl+e"});
  ASSERT_TRUE(answer("Question", question_no)) << "Control-E did not ask to quit";
  EXPECT_TRUE(plain_pushed());  // the click has been handled by now
  for (Box b : {echo, vibrato, lowpass, highpass, bandpass}) click(effects, b);
  EXPECT_TRUE(wait_until([&] { return !button_pushed(effects, plain); })) << "Plain stays pushed";
  marked(effects);

  // The input becomes a FIFO, so that Convert waits until the test sends the tone: meanwhile the
  // pointer over either window is the busy cursor, also over one shown during the wait (hiding a
  // form destroys its window: shown again, it is a new one), and the arrow again after the wait.
  ASSERT_EQ(rename(app.path("tone.wav").c_str(), app.path("tone-file.wav").c_str()), 0);
  ASSERT_EQ(mkfifo(app.path("tone.wav").c_str(), 0600), 0);
  const std::vector<unsigned long> arrow = cursor_at(app.main, convert_button),
                                   busy = busy_cursor();
  ASSERT_NE(arrow, busy);
  click(app.main, convert_button);
  EXPECT_TRUE(wait_until([&] { return cursor_at(app.main, input_file) == busy; })) << "main";
  EXPECT_TRUE(wait_until([&] { return cursor_at(effects, echo) == busy; })) << "Sound Effects";
  click(effects, close_button);
  ASSERT_TRUE(wait_gone("Sound Effects")) << "Close left the window";
  click(app.main, effects_button);
  ASSERT_TRUE((effects = wait_window("Sound Effects"))) << "Add Effects again showed no window";
  marked(effects);
  EXPECT_TRUE(wait_until([&] { return cursor_at(effects, echo) == busy; })) << "shown again";
  int fifo = -1;  // open once corvane's sox reads it: without a reader this fails at once
  EXPECT_TRUE(wait_until([&] {
    return (fifo = open(app.path("tone.wav").c_str(), O_WRONLY | O_NONBLOCK)) >= 0;
  })) << "the converter never opened its input";
  std::string tone = read_file(app.path("tone-file.wav"));
  EXPECT_EQ(write(fifo, tone.data(), tone.size()), ssize_t(tone.size()));  // less than a pipe holds
  close(fifo);
  // The tone's second at 11000 Hz and the echo's seven repeats at its default delay of 0.15 s:
  // a shorter file means a stage failed or the output was cut.
  std::string found, pid = std::to_string(app.pid);
  auto converted = [&] {  // and all corvane started has ended
    found =
        run({"sh", "-c", "cd $0; for o in t r c s; do soxi -$o out.wav; done 2>&1 | paste -sd' '",
             app.dir});
    return read_file("/proc/" + pid + "/task/" + pid + "/children").empty() &&
           found == "wav 11000 2 22550\n";
  };
  EXPECT_TRUE(wait_until(converted, 20)) << "type rate channels samples: " << found;
  EXPECT_TRUE(wait_until([&] { return cursor_at(app.main, convert_button) == arrow; }));
  ASSERT_EQ(rename(app.path("tone-file.wav").c_str(), app.path("tone.wav").c_str()), 0);

  click(app.main, play_button);  // the default play command "vplay -r -b 8", through the adapter
  std::vector<std::string> call;
  EXPECT_TRUE(wait_until([&] { return !(call = player_call(app)).empty(); })) << "no player ended";
  EXPECT_EQ(call,
            (std::vector<std::string>{"aplay", "-q", "-f", "U8", "-r", "8000", "-c", "1", "-"}));
  // At least the tone's second at 11000 Hz in 2 channels of one byte: the effects only add.
  EXPECT_GE(read_file(app.path("played.raw")).size(), 22000u);

  click(app.main, exit_button);  // Escape answers No, also with the keys last in the main window
  ASSERT_TRUE(press("Question", "Escape"));
  click(app.main, exit_button);  // showing the question again: Corvane still runs
  ASSERT_TRUE(answer("Question", question_yes));
  int status = -1;  // the launcher execs the program: this is the program's own status
  EXPECT_TRUE(wait_until([&] { return waitpid(app.pid, &status, WNOHANG) > 0; })) << "still runs";
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

// Corvane ending during a Convert leaves its children running with a reader on their standard
// error, so a converter that keeps warning is not killed for it; a conversion still converting
// leaves the old output as it was, one whose stages are only finishing still replaces it.
TEST(Smoke, ExitDuringAConvertKillsNoChildAndCostsNoFile) {
  struct Case {
    std::string sox;  // the converter behind the adapter, in app.dir
    bool echo;
    std::string output;  // what the output holds once all have ended
  } cases[] = {
      {"i=0; while [ $i -lt 100 ]; do echo \"sox WARN: clipped $i\" >&2; sleep 0.02; "
       "i=$((i+1)); done",
       false, "old sound"},
      {"case \" $* \" in *\" echo \"*) sleep 2;; esac", true, ""},
  };
  for (const Case &c : cases) {
    App app;
    ASSERT_TRUE(start(app));
    std::ofstream(app.path("sox")) << "#!/bin/sh\necho >>started\n"
                                   << c.sox << "\n"
                                   << "/usr/bin/sox \"$@\"\necho $? >>ended\n";
    chmod(app.path("sox").c_str(), 0755);
    std::ofstream(app.path("out.wav")) << "old sound";
    ASSERT_EQ(system(("sox -n -r 8000 " + app.path("tone.wav") + " synth 1 sine 440").c_str()), 0);
    click(app.main, input_file);
    xdotool({"type", "tone.wav"});
    click(app.main, output_file);
    xdotool({"type", "out.wav"});
    if (c.echo) {
      click(app.main, effects_button);
      Window effects = wait_window("Sound Effects");
      click(effects, echo);
      click(effects, close_button);
      ASSERT_TRUE(wait_gone("Sound Effects"));
    }
    click(app.main, convert_button);
    // Warning, or with echo: the converter has ended and its stage is still waiting.
    size_t running = c.echo ? 2 : 1;
    EXPECT_TRUE(wait_until([&] {
      return read_file(app.path("started")).size() == running &&
             read_file(app.path("ended")).size() == running * 2 - 2;
    })) << c.sox;
    click(app.main, exit_button);
    ASSERT_TRUE(answer("Question", question_yes));
    int status = -1;
    EXPECT_TRUE(wait_until([&] { return waitpid(app.pid, &status, WNOHANG) > 0; }, 15));
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    // Every child ran to its end and succeeded.
    std::string all_ended = c.echo ? "0\n0\n" : "0\n";
    EXPECT_TRUE(wait_until([&] { return read_file(app.path("ended")) == all_ended; }, 10))
        << "a child failed or died: " << read_file(app.path("ended"));
    if (c.output.empty())  // the tone's second with the echo's seven repeats of 0.15 s
      EXPECT_EQ(run({"soxi", "-s", app.path("out.wav")}), "16400\n");
    else
      EXPECT_EQ(read_file(app.path("out.wav")), c.output);
    EXPECT_EQ(run({"ls", "-A", app.dir}), "aplay\nended\nout.wav\nsox\nstarted\ntone.wav\n");
  }
}

// Started by a parent that leaves 1017 descriptors open, the program closes them all: kept, they
// would push the descriptors its event loop watches past what select() can take. It still
// collects every child it starts.
TEST(Smoke, StartedWithStrayDescriptorsStillCollectsItsChildren) {
  App app;
  ASSERT_TRUE(start(app, {}, 1017));
  std::string pid = std::to_string(app.pid), held = run({"ls", "-l", "/proc/" + pid + "/fd"});
  EXPECT_EQ(held.find(app.dir), std::string::npos) << held;
  ASSERT_EQ(system(("sox -n -r 8000 " + app.path("tone.wav") + " synth 1 sine 440").c_str()), 0);
  click(app.main, input_file);
  xdotool({"type", "tone.wav"});
  click(app.main, play_button);
  EXPECT_TRUE(wait_until([&] {
    return !player_call(app).empty() &&
           read_file("/proc/" + pid + "/task/" + pid + "/children").empty();
  })) << "children left: "
      << read_file("/proc/" + pid + "/task/" + pid + "/children");
}

// Names beyond ASCII, typed (the toolkit's keyboard input is Latin-1) and picked from the file
// selector's list, reach sox as the file system's UTF-8 names, under a locale whose numbers take a
// comma: a command with "-v 1,000" would make sox fail.
TEST(Smoke, NamesBeyondAsciiTypedAndPickedUnderACommaLocale) {
  App app;
  ASSERT_TRUE(make_dir(app) && std::filesystem::create_directory(app.path("locale")));
  int status = -1;
  run({"localedef", "-i", "de_DE", "-f", "UTF-8", app.path("locale/de_DE.UTF-8")}, &status);
  ASSERT_EQ(status, 0) << "localedef (package locales) made no de_DE.UTF-8";
  const std::string mueller = "M\xC3\xBCller.wav";  // in UTF-8
  // What the typed bytes would name unconverted, and what a pick without its letters would.
  const std::string latin1 = "M\xFCller.wav", dropped = "Mller.wav";
  ASSERT_EQ(system(("cd " + app.dir + " && sox -n -r 8000 " + mueller + " synth 1 sine 440 && " +
                    "sox -n -r 8000 " + dropped + " synth 1 sine 880 && echo keep >" + latin1)
                       .c_str()),
            0);
  const std::string other = read_file(app.path(dropped)),
                    expected = run({"sox", "-v", "1.000", app.path(mueller), "-t", "au", "-"});
  ASSERT_TRUE(start(app, {"LOCPATH=" + app.path("locale"), "LC_ALL=de_DE.UTF-8"}));
  auto converted = [&](const std::string &name) {  // and all corvane started has ended
    std::string pid = std::to_string(app.pid);
    return wait_until([&] {
      return read_file("/proc/" + pid + "/task/" + pid + "/children").empty() &&
             read_file(app.path(name)) == expected;
    });
  };

  click(app.main, input_file);
  xdotool({"type", "Müller.wav"});
  click(app.main, output_file);
  xdotool({"type", "Tür.au"});
  click(app.main, convert_button);
  EXPECT_TRUE(converted("T\xC3\xBCr.au"));

  // The list holds ".", "..", "locale", then Mller.wav and Müller.wav.
  click(app.main, select_input);
  if (Window w = wait_window("FileSelector")) {
    Spot line = {fselector_first_line.x, fselector_first_line.y + 4 * fselector_line_height};
    xdotool({"mousemove", "--window", std::to_string(w), std::to_string(line.x),
             std::to_string(line.y), "click", "--repeat", "2", "--delay", "100", "1"});
  }
  ASSERT_TRUE(wait_gone("FileSelector")) << "a double click picked nothing";
  click(app.main, select_output);
  ASSERT_TRUE(pick_file("picked.au"));
  click(app.main, convert_button);
  EXPECT_TRUE(converted("picked.au"));

  EXPECT_EQ(read_file(app.path(dropped)), other);
  EXPECT_EQ(read_file(app.path(latin1)), "keep\n");
  std::set<std::string> files;
  for (const auto &entry : std::filesystem::directory_iterator(app.dir))
    files.insert(entry.path().filename());
  EXPECT_EQ(files, (std::set<std::string>{mueller, latin1, dropped, "T\xC3\xBCr.au", "aplay",
                                          "locale", "picked.au"}));
}
