// One session of the real program under valgrind's memcheck: start, open the effects window, push
// Echo, Convert, Play, Stop, Exit. It passes when memcheck finds no error and no definite leak
// outside the toolkit's and X11's own (memcheck.supp) and the program ends with status 0.
//
// valgrind 3.19 (Debian 12) does not know pidfd_open, which Corvane needs to own a child; under it
// every start fails, so Convert and Play end in their alerts. The runs that succeed are checked
// under AddressSanitizer instead (cmake/sanitize.cmake).
#include <gtest/gtest.h>

#include <cstdio>

#include "tests/hostile/hostile.h"

TEST(Memcheck, AWholeSessionHasNoErrors) {
  App app;
  ASSERT_TRUE(start_program(app, UNDER_MEMCHECK, [](const App &) {
    return std::vector<std::string>{"VALGRIND=" VALGRIND, "MEMCHECK_SUPP=" MEMCHECK_SUPP,
                                    "MEMCHECK_PROGRAM=" CORVANE};
  }));
  ASSERT_TRUE(make_tone(app.path("tone.wav"), 0.5));
  fill_field(app.main, input_file, "tone.wav");
  fill_field(app.main, output_file, "out.au");
  fill_field(app.main, play_command, "test-player -q");

  click(app.main, effects_button);
  Window effects = wait_window("Sound Effects", 30);
  ASSERT_TRUE(effects);
  click(effects, echo);
  click(app.main, convert_button);
  EXPECT_TRUE(answer("Alert", alert_dismiss)) << "Convert did not end in its alert";
  click(app.main, play_button);
  EXPECT_TRUE(answer("Alert", alert_dismiss)) << "Play did not end in its alert";
  click(app.main, stop_button);
  ASSERT_TRUE(answers(app));

  click(app.main, exit_button);
  ASSERT_TRUE(answer("Question", question_yes));
  ASSERT_TRUE(wait_exit(app, 60)) << "still running 60 s after Exit";
  std::string report = read_file(app.path("memcheck.log"));
  // The figures for the record: the error summary and the leak summary's first line.
  for (const char *figure : {"ERROR SUMMARY:", "definitely lost:"}) {
    size_t at = report.find(figure);
    if (at != std::string::npos)
      printf("memcheck %s\n", report.substr(at, report.find('\n', at) - at).c_str());
  }
  EXPECT_EQ(app.status, 0) << report;
  EXPECT_NE(report.find("ERROR SUMMARY: 0 errors"), std::string::npos) << report;
  EXPECT_NE(report.find("definitely lost: 0 bytes"), std::string::npos) << report;
}
