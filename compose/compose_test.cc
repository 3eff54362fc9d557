// The main converter command composed from settings, with no display; from_forms_test composes
// the stages and the options from the real windows.
#include <gtest/gtest.h>

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
