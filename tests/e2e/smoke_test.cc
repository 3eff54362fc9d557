// The real program as a user meets it, started through its launcher, which puts the adapters
// first on PATH: the classic commands Corvane writes must work on today's sox and reach a player.
#include <sys/stat.h>

#include "tests/e2e/harness.h"

TEST(Smoke, WindowsFieldsFileSelectorEffectsConvertPlayAndExit) {
  App app;
  ASSERT_TRUE(start(app));
  EXPECT_EQ(geometry(app.main), "435x275+0+0 fixed");
  // Every window, each time it is shown, tells a taskbar whose it is and shows Corvane's icon.
  const std::vector<unsigned long> icon = png_as_net_wm_icon(ICON_PNG);
  auto marked = [&](Window w) {
    EXPECT_EQ(cardinals(w, "_NET_WM_PID"), std::vector<unsigned long>{unsigned(app.pid)});
    EXPECT_TRUE(cardinals(w, "_NET_WM_ICON") == icon) << "_NET_WM_ICON is not " ICON_PNG;
    // Where _NET_WM_ICON pins every pixel, WM_HINTS' pixmap and mask at telling ones: clear, just
    // below and above half opaque (the mask's threshold), white, yellow (the channels' order).
    for (Spot s : {Spot{0, 0}, {8, 2}, {9, 2}, {12, 24}, {30, 24}}) {
      unsigned long argb = icon.at(2 + s.y * 48 + s.x);
      EXPECT_EQ(wm_hints_icon_at(w, s), argb >> 24 >= 0x80 ? long(argb & 0xffffff) : -1L)
          << "WM_HINTS icon at " << s.x << "," << s.y;
    }
  };
  marked(app.main);
  ASSERT_TRUE(pick_file(app, select_input, "tone.wav"));
  click(app.main, select_input);  // Cancel leaves the field as it is
  ASSERT_TRUE(answer("FileSelector", fselector_cancel));
  click(app.main, output_type_field, {"click", "--delay", "0", "3"});  // aiff, until picked
  ASSERT_TRUE(pick_file(app, select_output, "out.wav"));
  click(app.main, out_ch2);
  click(app.main, output_rate_up_1000, {"click", "--repeat", "11", "--delay", "20", "1"});

  click(app.main, effects_button);
  Window effects = wait_window("Sound Effects");
  ASSERT_EQ(geometry(effects), "440x205+420+409 fixed");  // centred on the 1280 x 1024 screen
  auto plain_pushed = [&] { return wait_until([&] { return button_pushed(effects, plain); }); };
  EXPECT_TRUE(plain_pushed());
  click(effects, plain);  // pressed again, it stays pushed
  // Control-E asks to quit even in a field, where it is an editing key.
  click(app.main, input_file, {"click", "--delay", "0", "1", "key", "ctrl+e"});
  ASSERT_TRUE(answer("Question", question_no)) << "Control-E did not ask to quit";
  EXPECT_TRUE(plain_pushed());  // the click has been handled by now
  for (Box b : {echo, vibrato, lowpass, highpass, bandpass}) click(effects, b);
  EXPECT_TRUE(wait_until([&] { return !button_pushed(effects, plain); })) << "Plain stays pushed";
  marked(effects);

  // The input becomes a FIFO, so that Convert waits until the test sends the tone: meanwhile the
  // pointer over either window is the busy cursor (the cursor font's watch, as this server shows
  // it on the root window in a corner none of Corvane's takes), also over one shown during the
  // wait (hiding a form destroys its window), and the arrow again after the wait.
  ASSERT_EQ(rename(app.path("tone.wav").c_str(), app.path("tone-file.wav").c_str()), 0);
  ASSERT_EQ(mkfifo(app.path("tone.wav").c_str(), 0600), 0);
  const Window root = DefaultRootWindow(display());
  const auto arrow = cursor_at(app.main, convert_button);
  XDefineCursor(display(), root, XCreateFontCursor(display(), XC_watch));
  const auto busy = cursor_at(root, {1270, 1014});
  XUndefineCursor(display(), root);
  ASSERT_NE(arrow, busy);
  click(app.main, convert_button);
  EXPECT_TRUE(wait_until([&] { return cursor_at(app.main, input_file) == busy; })) << "main";
  EXPECT_TRUE(wait_until([&] { return cursor_at(effects, echo) == busy; })) << "Sound Effects";
  click(effects, close_button);
  ASSERT_TRUE(wait_until([&] { return !wait_window("Sound Effects", 0); })) << "Close left it";
  click(app.main, effects_button);
  ASSERT_TRUE((effects = wait_window("Sound Effects"))) << "Add Effects again showed no window";
  marked(effects);
  EXPECT_TRUE(wait_until([&] { return cursor_at(effects, echo) == busy; })) << "shown again";
  // The FIFO opens once corvane's sox reads it.
  EXPECT_EQ(system(("cd " + app.dir + " && timeout 10 cp tone-file.wav tone.wav").c_str()), 0);
  // The tone's second at 11000 Hz and the echo's seven repeats at its default delay of 0.15 s:
  // a shorter file means a stage failed or the output was cut. And all corvane started has ended.
  std::string found, soxi = "cd $0; for o in t r c s; do soxi -$o out.wav; done 2>&1 | paste -sd,";
  auto converted = [&] {
    return (found = run({"sh", "-c", soxi, app.dir})) == "wav,11000,2,22550\n";
  };
  EXPECT_TRUE(wait_until([&] { return converted() && app.children().empty(); }, 20)) << found;
  EXPECT_TRUE(wait_until([&] { return cursor_at(app.main, convert_button) == arrow; }));
  ASSERT_EQ(rename(app.path("tone-file.wav").c_str(), app.path("tone.wav").c_str()), 0);

  click(app.main, play_button);  // the default play command "vplay -r -b 8", through the adapter
  // The recorder logs each word ended by a NUL, once it has read all it was sent.
  std::string call, aplay = "aplay -q -f U8 -r 8000 -c 1 - ";
  std::replace(aplay.begin(), aplay.end(), ' ', '\0');
  wait_until([&] { return (call = read_file(app.path("calls"))) == aplay; });
  EXPECT_EQ(call, aplay);
  // At least the tone's second at 11000 Hz in 2 channels of one byte: the effects only add.
  EXPECT_GE(read_file(app.path("played.raw")).size(), 22000u);

  click(app.main, exit_button);  // Escape answers No, also with the keys last in the main window
  ASSERT_TRUE(answer("Question", {10, 10}, {"key", "Escape"}));
  EXPECT_EQ(quit(app), 0);  // showing the question again: Corvane still ran
}

// Corvane ending during a Convert leaves its children running with a reader on their standard
// error, so a converter that keeps warning is not killed for it; a conversion still converting
// leaves the old output as it was, one whose stages are only finishing still replaces it. The
// stand-ins wait for "answered" (the question has gone) or "exited" (Corvane has ended).
TEST(Smoke, ExitDuringAConvertKillsNoChildAndCostsNoFile) {
  struct Case {
    std::string sox;  // the converter behind the adapter, in app.dir
    bool echo;
    std::string look, seen;  // at out.wav once all have ended
  } cases[] = {
      {"until [ -e exited ]; do echo 'sox WARN: clipped' >&2; sleep 0.02; done\n"
       "echo 'sox WARN: clipped' >&2",
       false, "cat", "old sound"},
      // The tone's second with the echo's seven repeats of 0.15 s.
      {"case \" $* \" in *\" echo \"*) until [ -e answered ]; do sleep 0.02; done;; esac", true,
       "soxi -s", "16400\n"},
  };
  for (const Case &c : cases) {
    App app;
    ASSERT_TRUE(start(app));
    std::ofstream(app.path("sox")) << "#!/bin/sh\n"
                                   << c.sox << "\n/usr/bin/sox \"$@\"\necho $? >>ended\n";
    chmod(app.path("sox").c_str(), 0755);
    std::ofstream(app.path("out.wav")) << "old sound";
    type_into(app, input_file, "tone.wav");
    type_into(app, output_file, "out.wav");
    if (c.echo) click(app.main, effects_button);
    if (c.echo) click(wait_window("Sound Effects"), echo);
    click(app.main, convert_button);
    // With echo, the converter has ended and only its stage is left.
    EXPECT_TRUE(!c.echo || wait_until([&] { return read_file(app.path("ended")) == "0\n"; }));
    EXPECT_EQ(quit(app, 15), 0);
    std::ofstream(app.path("exited"));
    // Every child ran to its end and succeeded.
    std::string all_ended = c.echo ? "0\n0\n" : "0\n";
    EXPECT_TRUE(wait_until([&] { return read_file(app.path("ended")) == all_ended; }, 10))
        << "a child failed or died: " << read_file(app.path("ended"));
    EXPECT_EQ(run({"sh", "-c", "cd $0 && " + c.look + " out.wav; ls -A", app.dir}),
              c.seen + "answered\naplay\nended\nexited\nout.wav\nsox\ntone.wav\n");
  }
}

// Names beyond ASCII, typed (the toolkit's keyboard input is Latin-1) and picked from the file
// selector's list, reach sox as the file system's UTF-8 names, under a locale whose numbers take a
// comma: a command with "-v 1,000" would make sox fail. Started by a parent that leaves 1017
// descriptors open, the program closes them all: kept, they would push the descriptors its event
// loop watches past what select() can take. It still collects every child it starts.
TEST(Smoke, NamesBeyondAsciiUnderACommaLocaleAndStrayDescriptors) {
  App app;
  ASSERT_TRUE(std::filesystem::create_directory(app.path("locale")));
  ASSERT_EQ(system(("localedef -i de_DE -f UTF-8 " + app.path("locale/de_DE.UTF-8")).c_str()), 0)
      << "localedef (package locales) made no de_DE.UTF-8";
  ASSERT_TRUE(start(app, {"LOCPATH=" + app.path("locale"), "LC_ALL=de_DE.UTF-8"}, 1017));
  std::string held = run({"ls", "-l", "/proc/" + std::to_string(app.pid) + "/fd"});
  EXPECT_EQ(held.find(app.dir), std::string::npos) << held;
  // Müller.wav in UTF-8; where the typed bytes unconverted would lead, and a pick without its ü.
  const std::string mueller = "M\xC3\xBCller.wav", latin1 = "M\xFCller.wav", dropped = "Mller.wav";
  std::filesystem::copy_file(app.path("tone.wav"), app.path(mueller));
  for (const std::string &name : {latin1, dropped}) std::ofstream(app.path(name)) << "keep\n";
  const std::string expected = run({"sox", "-v", "1.000", app.path(mueller), "-t", "au", "-"});
  auto converted = [&](const std::string &name) {  // and all corvane started has ended
    return wait_until([&] { return app.children().empty() && read_file(name) == expected; });
  };

  type_into(app, input_file, "Müller.wav");
  type_into(app, output_file, "Tür.au");
  click(app.main, convert_button);
  EXPECT_TRUE(converted(app.path("T\xC3\xBCr.au")));

  // The list holds ".", "..", "locale", then Mller.wav and Müller.wav.
  click(app.main, select_input);
  ASSERT_TRUE(answer("FileSelector",
                     {fselector_first_line.x, fselector_first_line.y + 4 * fselector_line_height},
                     {"click", "--repeat", "2", "--delay", "100", "1"}))
      << "a double click picked nothing";
  ASSERT_TRUE(pick_file(app, select_output, "picked.au"));
  click(app.main, convert_button);
  EXPECT_TRUE(converted(app.path("picked.au")));

  EXPECT_EQ(read_file(app.path(latin1)) + read_file(app.path(dropped)), "keep\nkeep\n");
  EXPECT_EQ(run({"env", "LC_ALL=C", "ls", "-A", app.dir}),
            dropped + "\n" + mueller + "\n" + latin1 + "\nT\xC3\xBCr.au\naplay\nlocale\n" +
                "picked.au\ntone.wav\n");
}
