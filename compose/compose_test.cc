// The main converter command composed from settings, with no display; from_forms_test composes
// the stages and the options from the real windows.
#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>

#include "compose/name_checks.h"
#include "compose/options.h"

TEST(CommandText, FillsExactlyTo999CharactersAndRefusesMore) {
  CommandText text;
  text.append("%s", std::string(998, 'a').c_str());
  text.append("b");
  EXPECT_FALSE(text.overflow);
  text.append("c");
  text.append("d");  // stays refused: a later short append must not make a cut text look whole
  EXPECT_TRUE(text.overflow);
  EXPECT_EQ(text.text, std::string(998, 'a') + "b");
  EXPECT_EQ(text.length, 999u);
  text.clear();
  text.append("%s", std::string(5000, 'x').c_str());
  EXPECT_STREQ(text.text, "");
}

TEST(MainCommand, OutputTypeAndMissingInput) {
  Settings s;
  s.input_file = "song.au", s.volume = 1.5;
  // The output type is the text after the last dot of the name, wherever that dot is.
  for (const auto &[name, type] :
       {std::pair{"a.b/c", "b/c"}, {"end.", ""}, {"noext", "unknown"}, {"x.tar.au", "au"}}) {
    s.output_file = name;
    CommandText command;
    add_volume_option(s, command);
    EXPECT_EQ(add_input_file(s, command), 0);
    add_output_options(s, command);
    EXPECT_EQ(command.text, std::string("-v 1.500 song.au -t ") + type + " ") << name;
  }
  s.input_file = "";
  CommandText command;
  EXPECT_EQ(add_input_file(s, command), -1);
  EXPECT_STREQ(command.text, "");
}

// Only a name that would be split into other names, or text without a form in the locale's
// encoding, is refused; blanks around names are separators as always.
TEST(NameFault, RefusesNamesThatWouldReachOtherFiles) {
  char dir[] = "/tmp/corvane-names-XXXXXX";
  ASSERT_TRUE(mkdtemp(dir));
  const std::string blank = dir + std::string("/my tone.wav"), link = dir + std::string("/a link");
  std::ofstream(blank) << "RIFF";
  ASSERT_EQ(symlink("nowhere", link.c_str()), 0);
  enum { INPUT = 1, OUTPUT = 2, PLAY = 4 };  // fields without a form in the locale's encoding
  const struct {
    std::string input, output, output_type;
    int unencoded;
    NameFault convert, play;
  } rows[] = {
      {"tone.wav", "x.wav victim remix", "", 0, OUTPUT_TYPE_BLANK, NAMES_PASS},
      {"tone.wav", "x.wav victim remix", "au", 0, NAMES_PASS, NAMES_PASS},
      {blank, "out.au", "", 0, INPUT_NAME_BLANK, INPUT_NAME_BLANK},
      {link, "out.au", "", 0, INPUT_NAME_BLANK, INPUT_NAME_BLANK},  // it leads nowhere
      {" " + blank, "out.au", "", 0, NAMES_PASS, NAMES_PASS},       // no file of that whole name
      {"tone.wav", "out.au", "", INPUT, INPUT_NOT_ENCODED, INPUT_NOT_ENCODED},
      {"tone.wav", "out.au", "", OUTPUT, OUTPUT_NOT_ENCODED, NAMES_PASS},
      {"tone.wav", "out.au", "", PLAY, NAMES_PASS, PLAY_NOT_ENCODED},
  };
  for (const auto &row : rows) {
    Settings s;
    s.input_file = row.input, s.output_file = row.output, s.output_type = row.output_type;
    s.input_file_encoded = !(row.unencoded & INPUT);
    s.output_file_encoded = !(row.unencoded & OUTPUT);
    s.play_command_encoded = !(row.unencoded & PLAY);
    EXPECT_EQ(name_fault(s, false), row.convert) << row.input << " -> " << row.output;
    EXPECT_EQ(name_fault(s, true), row.play) << row.input << " -> " << row.output;
  }
  EXPECT_EQ(system(("rm -rf " + std::string(dir)).c_str()), 0);
}
