// The real program as a user meets it, started through its launcher, which puts the adapters
// first on PATH: the classic commands Corvane writes must work on today's sox and reach a player.
#include <gtest/gtest.h>

#include "tests/e2e/harness.h"

TEST(Smoke, WindowsFieldsFileSelectorEffectsConvertPlayAndExit) {
  App app;
  ASSERT_TRUE(start(app));
  EXPECT_EQ(geometry(app.main), "435x275+0+0 fixed");
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
  click(effects, close_button);
  ASSERT_TRUE(wait_gone("Sound Effects")) << "Close left the window";

  // The tone's second at 11000 Hz and the echo's seven repeats at its default delay of 0.15 s:
  // a shorter file means a stage failed or the output was cut.
  click(app.main, convert_button);
  std::string found, pid = std::to_string(app.pid);
  auto converted = [&] {  // and all corvane started has ended
    found =
        run({"sh", "-c", "cd $0; for o in t r c s; do soxi -$o out.wav; done 2>&1 | paste -sd' '",
             app.dir});
    return read_file("/proc/" + pid + "/task/" + pid + "/children").empty() &&
           found == "wav 11000 2 22550\n";
  };
  EXPECT_TRUE(wait_until(converted, 20)) << "type rate channels samples: " << found;

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
