// File names and play commands a user may type or paste: too long for a command, or holding
// blanks, tabs, a leading blank or "@", bytes beyond ASCII, dots and slashes. Whatever the name,
// Corvane refuses with an alert or runs exactly the words the name splits into, keeps the input
// file as it was, and keeps answering.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "tests/hostile/hostile.h"

using Lines = std::vector<std::string>;

namespace {

const Lines too_long = {"Error: command too long !", "A command holds 999 characters at most.", ""};

void write_file(const std::string &path, const std::string &text) {
  std::ofstream(path, std::ios::binary) << text;
}

// Longer paths than the system takes count as missing.
bool exists(const std::string &path) {
  std::error_code too_long;
  return std::filesystem::exists(path, too_long);
}

// "type rate channels samples" of a sound file, as soxi reads them.
std::string soxi(const std::string &path) {
  std::string text;
  for (const char *what : {"-t", "-r", "-c", "-s"}) text += run({"soxi", what, path});
  for (char &c : text)
    if (c == '\n') c = ' ';
  return text;
}

// Presses Convert and returns the argument vector of the `nth` start once it has ended.
Lines convert(const App &app, size_t nth) {
  click(app.main, convert_button);
  if (!wait_calls_ended(app, nth)) return {};
  return calls(app)[nth - 1].argv;
}

Lines main_command(const std::string &input, const std::string &type) {
  return {"sox", "-v", "1.000", input, "-t", type, "-"};
}

// A started program whose working directory holds a half-second tone.wav.
bool start_with_tone(App &app, const std::vector<std::string> &env = {}) {
  return start_observed(app, env) && make_tone(app.path("tone.wav"), 0.5);
}

// After each test: still answering, and every child collected.
void expect_healthy(const App &app) {
  EXPECT_TRUE(answers(app)) << "the program stopped answering";
  EXPECT_TRUE(wait_until([&] { return zombies_of(app.pid) == 0; })) << "a child was not collected";
}

}  // namespace

TEST(LongNames, InputNamesTooLongForTheCommandAreRefused) {
  App app;
  ASSERT_TRUE(start_with_tone(app));
  write_file(app.path("out.wav"), "keep");
  fill_field(app.main, output_file, "out.wav");
  for (size_t length : {990, 999, 1000, 5000}) {
    ASSERT_TRUE(paste(app.main, input_file, std::string(length, 'i')));
    click(app.main, convert_button);
    EXPECT_EQ(answer_alert(app), too_long) << length << " characters";
  }
  EXPECT_TRUE(calls(app).empty()) << "started " << calls(app)[0].argv[0];
  EXPECT_EQ(read_file(app.path("out.wav")), "keep");
  expect_healthy(app);
}

TEST(LongNames, ACommandOfExactly999CharactersRunsOneMoreIsRefused) {
  App app;
  ASSERT_TRUE(start_with_tone(app));
  fill_field(app.main, output_file, "o.wav");
  // "sox -v 1.000 " + name + " -t wav " + " -": 23 characters around the name.
  std::string fits = long_path(app.dir, 976, "tone.wav");
  ASSERT_TRUE(make_tone(app.path(fits), 0.5));
  ASSERT_TRUE(paste(app.main, input_file, fits));
  EXPECT_EQ(convert(app, 1), main_command(fits, "wav"));
  EXPECT_EQ(soxi(app.path("o.wav")), "wav 8000 1 4000 ");

  std::string one_more = long_path(app.dir, 977, "tone.wav");
  ASSERT_TRUE(paste(app.main, input_file, one_more));
  click(app.main, convert_button);
  EXPECT_EQ(answer_alert(app), too_long);
  EXPECT_EQ(calls(app).size(), 1u);
  expect_healthy(app);
}

TEST(LongNames, OutputNamesUpTo999CharactersAreWrittenLongerOnesRefused) {
  App app;
  ASSERT_TRUE(start_with_tone(app));
  fill_field(app.main, input_file, "tone.wav");
  size_t n = 0;
  for (size_t length : {990, 999}) {
    std::string output = long_path(app.dir, length, "out.wav");
    ASSERT_TRUE(paste(app.main, output_file, output));
    EXPECT_EQ(convert(app, ++n), main_command("tone.wav", "wav")) << length << " characters";
    EXPECT_EQ(soxi(app.path(output)), "wav 8000 1 4000 ") << length << " characters";
  }
  for (size_t length : {1000, 5000}) {
    std::string output = long_path(app.dir, length, "out.wav");
    ASSERT_TRUE(paste(app.main, output_file, output));
    click(app.main, convert_button);
    EXPECT_EQ(answer_alert(app), (Lines{"Error: outputfile name too long !", "", ""}))
        << length << " characters";
    EXPECT_FALSE(exists(app.path(output))) << length << " characters";
  }
  EXPECT_EQ(calls(app).size(), 2u);
  expect_healthy(app);
}

TEST(LongNames, PlayCommandsUpTo999CharactersRunLongerOnesAreRefused) {
  App app;
  ASSERT_TRUE(start_with_tone(app));
  fill_field(app.main, input_file, "tone.wav");
  for (size_t length : {990, 999}) {
    // Runs of blanks separate like one, so the player sees two words however long the command.
    std::string command = "test-player" + std::string(length - 13, ' ') + "-q";
    size_t before = calls(app).size();
    ASSERT_TRUE(paste(app.main, play_command, command));
    click(app.main, play_button);
    ASSERT_TRUE(wait_calls_ended(app, before + 2)) << length << " characters";
    EXPECT_EQ(calls(app)[before].argv, (Lines{"test-player", "-q"})) << length << " characters";
    EXPECT_EQ(read_file(app.path("played.raw")).size(), 4000u) << length << " characters";
  }
  size_t started = calls(app).size();
  for (size_t length : {1000, 5000}) {
    ASSERT_TRUE(paste(app.main, play_command, "test-player" + std::string(length - 11, ' ')));
    click(app.main, play_button);
    EXPECT_EQ(answer_alert(app), too_long) << length << " characters";
  }
  EXPECT_EQ(calls(app).size(), started);
  expect_healthy(app);
}

TEST(Names, BlanksSplitTheInputNameButNotTheOutputName) {
  App app;
  ASSERT_TRUE(start_with_tone(app));
  ASSERT_TRUE(make_tone(app.path("my tone.wav"), 0.5));
  std::string original = read_file(app.path("my tone.wav"));
  fill_field(app.main, input_file, "my tone.wav");
  fill_field(app.main, output_file, "out.wav");
  EXPECT_EQ(convert(app, 1), (Lines{"sox", "-v", "1.000", "my", "tone.wav", "-t", "wav", "-"}));
  EXPECT_TRUE(
      wait_console(app, "FAIL formats: can't open input file `my': No such file or directory"));
  EXPECT_EQ(read_file(app.path("my tone.wav")), original);

  fill_field(app.main, input_file, "tone.wav");
  fill_field(app.main, output_file, "my out.wav");
  EXPECT_EQ(convert(app, 2), main_command("tone.wav", "wav"));
  EXPECT_EQ(soxi(app.path("my out.wav")), "wav 8000 1 4000 ");
  expect_healthy(app);
}

TEST(Names, ALeadingBlankIsLostInTheCommandButKeptInTheOutputName) {
  App app;
  ASSERT_TRUE(start_with_tone(app));
  fill_field(app.main, input_file, " tone.wav");
  fill_field(app.main, output_file, " out.wav");
  // The blank after "1.000" and the leading one make a run: one separator.
  EXPECT_EQ(convert(app, 1), main_command("tone.wav", "wav"));
  EXPECT_EQ(soxi(app.path(" out.wav")), "wav 8000 1 4000 ");
  EXPECT_FALSE(exists(app.path("out.wav")));
  expect_healthy(app);
}

TEST(Names, APlayCommandWithALeadingBlankNamesNoProgram) {
  App app;
  ASSERT_TRUE(start_with_tone(app));
  fill_field(app.main, input_file, "tone.wav");
  fill_field(app.main, play_command, " test-player -q");
  click(app.main, play_button);
  EXPECT_TRUE(wait_console(app, "Error: cannot execute \"\": No such file or directory"));
  // Only the converter runs, and ends once it finds nobody reading.
  ASSERT_TRUE(wait_calls_ended(app, 1));
  EXPECT_EQ(calls(app).size(), 1u);
  EXPECT_EQ(calls(app)[0].argv, main_command("tone.wav", "ub"));
  expect_healthy(app);
}

TEST(Names, ALeadingAtSignIsJustACharacter) {
  App app;
  ASSERT_TRUE(start_with_tone(app));
  std::filesystem::copy_file(app.path("tone.wav"), app.path("@tone.wav"));
  fill_field(app.main, input_file, "@tone.wav");
  fill_field(app.main, output_file, "@out.wav");
  EXPECT_EQ(convert(app, 1), main_command("@tone.wav", "wav"));
  EXPECT_EQ(soxi(app.path("@out.wav")), "wav 8000 1 4000 ");

  // An alert line that starts with "@" (the toolkit's symbol prefix in labels).
  fill_field(app.main, output_file, "@missing/out.wav");
  click(app.main, convert_button);
  EXPECT_EQ(answer_alert(app), (Lines{"Error: cannot open outputfile !",
                                      "@missing/out.wav: No such file or directory", ""}));
  expect_healthy(app);
}

TEST(Names, AConsoleLineStartingWithAFormatCodeIsShownAndSurvived) {
  App app;
  ASSERT_TRUE(start_with_tone(app));
  // "Executing: sox -v 1.000 " is 24 bytes: 54 more fill the 78-byte console line, so the
  // next console line starts with the "@C" (colour) code of the toolkit's browser.
  std::string name = std::string(54, 'x') + "@C99999.wav";
  fill_field(app.main, input_file, name);
  fill_field(app.main, output_file, "out.wav");
  ASSERT_EQ(convert(app, 1), main_command(name, "wav"));
  EXPECT_TRUE(wait_until([&] {
    Lines lines = console(app);
    return std::find(lines.begin(), lines.end(), "@C99999.wav -t wav  -") != lines.end();
  }));
  // XForms 1.2.3 refuses the colour with a warning on standard error: the console again.
  EXPECT_TRUE(wait_console(app, "bad color 99999"));
  expect_healthy(app);
}

TEST(Names, PastedBytesBeyondAsciiReachSoxUnchanged) {
  App app;
  ASSERT_TRUE(start_with_tone(app));
  std::string input = "t\xc3\xb6n.wav", output = "sm\xc3\xb6rg\xc3\xa5sbord.wav";  // UTF-8
  std::filesystem::copy_file(app.path("tone.wav"), app.path(input));
  ASSERT_TRUE(paste(app.main, input_file, input));
  ASSERT_TRUE(paste(app.main, output_file, output));
  EXPECT_EQ(convert(app, 1), main_command(input, "wav"));
  EXPECT_EQ(soxi(app.path(output)), "wav 8000 1 4000 ");
  expect_healthy(app);
}

TEST(Names, TypedBytesBeyondAsciiArriveAsLatin1) {
  App app;
  ASSERT_TRUE(start_with_tone(app));
  std::string utf8 = "t\xc3\xb6n.wav";
  std::filesystem::copy_file(app.path("tone.wav"), app.path(utf8));
  std::string original = read_file(app.path(utf8));
  // The toolkit turns key presses into Latin-1 text: "ö" is the single byte 0xf6.
  fill_field(app.main, input_file, "t\xc3\xb6n.wav");
  fill_field(app.main, output_file, "out.wav");
  EXPECT_EQ(convert(app, 1), main_command("t\xf6n.wav", "wav"));
  EXPECT_TRUE(wait_console(app, "FAIL formats: can't open input file `t\xf6n.wav'"));
  EXPECT_EQ(read_file(app.path(utf8)), original);
  expect_healthy(app);
}

TEST(Names, APastedNameEndsAtATab) {
  App app;
  ASSERT_TRUE(start_with_tone(app));
  std::string tabbed = "a\tb.wav";
  std::filesystem::copy_file(app.path("tone.wav"), app.path(tabbed));
  std::string original = read_file(app.path(tabbed));
  fill_field(app.main, output_file, "out.wav");
  // Typed, a tab is Info's shortcut instead (tests/e2e/windows_test.cc).
  ASSERT_TRUE(paste(app.main, input_file, tabbed));
  EXPECT_EQ(convert(app, 1), main_command("a", "wav"));
  EXPECT_TRUE(
      wait_console(app, "FAIL formats: can't open input file `a': No such file or directory"));
  EXPECT_EQ(read_file(app.path(tabbed)), original);
  expect_healthy(app);
}

TEST(Names, ATrailingDotLeavesSoxAnEmptyType) {
  App app;
  ASSERT_TRUE(start_with_tone(app));
  fill_field(app.main, input_file, "tone.wav");
  fill_field(app.main, output_file, "out.");
  // "-t" followed by blanks only: after splitting, the dash is the word after "-t".
  EXPECT_EQ(convert(app, 1), (Lines{"sox", "-v", "1.000", "tone.wav", "-t", "-"}));
  EXPECT_TRUE(wait_console(app, "FAIL sox: missing filename"));
  // The file was opened before sox started; sox wrote its usage summary into it.
  EXPECT_NE(read_file(app.path("out.")).find("Usage summary"), std::string::npos);
  expect_healthy(app);
}

TEST(Names, ASlashAfterTheLastDotIsPartOfTheType) {
  App app;
  ASSERT_TRUE(start_with_tone(app));
  fill_field(app.main, input_file, "tone.wav");
  fill_field(app.main, output_file, "a.b/c");
  click(app.main, convert_button);
  EXPECT_EQ(answer_alert(app),
            (Lines{"Error: cannot open outputfile !", "a.b/c: No such file or directory", ""}));
  std::filesystem::create_directory(app.path("a.b"));
  EXPECT_EQ(convert(app, 1), main_command("tone.wav", "b/c"));
  EXPECT_TRUE(wait_console(app, "FAIL formats: no handler for given file type `b/c'"));
  expect_healthy(app);
}

TEST(Names, NamesOfDotsOnly) {
  App app;
  ASSERT_TRUE(start_with_tone(app));
  fill_field(app.main, input_file, "tone.wav");
  for (const char *directory : {".", ".."}) {
    fill_field(app.main, output_file, directory);
    click(app.main, convert_button);
    EXPECT_EQ(answer_alert(app), (Lines{"Error: cannot open outputfile !",
                                        std::string(directory) + ": Is a directory", ""}));
  }
  EXPECT_TRUE(calls(app).empty());
  fill_field(app.main, output_file, "...");
  EXPECT_EQ(convert(app, 1), (Lines{"sox", "-v", "1.000", "tone.wav", "-t", "-"}));
  EXPECT_TRUE(exists(app.path("...")));
  expect_healthy(app);
}
