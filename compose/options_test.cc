// The main converter command composed from settings, put together as Convert and Play do.
#include "compose/options.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// The main command in the actions' order; "" when there is no input file.
std::string main_command(const Settings &s) {
  CommandText command;
  command.append("sox ");
  add_volume_option(s, command);
  if (add_input_file(s, command) != 0) return "";
  add_output_options(s, command);
  command.append(" -");
  return command.text;
}

TEST(MainCommand, FromSettings) {
  const struct {
    const char *what;
    void (*change)(Settings &);
    const char *command;
  } cases[] = {
      {"only the names", [](Settings &) {}, "sox -v 1.000 song.au -t wav  -"},
      {"every option on both sides; the chosen type wins over the extension",
       [](Settings &s) {
         s.input_channels = 2, s.input_rate = 100, s.input_type = "sw";
         s.output_channels = 4, s.output_rate = 44100, s.output_type = "au", s.volume = 1.5;
       },
       "sox -v 1.500 -c 2 -r 100 -t sw song.au -c 4 -r 44100 -t au  -"},
      {"a trailing dot leaves only blanks after -t", [](Settings &s) { s.output_file = "out."; },
       "sox -v 1.000 song.au -t   -"},
      {"no input file", [](Settings &s) { s.input_file = ""; }, ""},
  };
  for (const auto &c : cases) {
    Settings s;
    s.input_file = "song.au";
    s.output_file = "song.wav";
    s.volume = 1;
    c.change(s);
    EXPECT_EQ(main_command(s), c.command) << c.what;
  }
}

TEST(MainCommand, OutputTypeFollowsTheLastDotOfTheName) {
  const struct {
    const char *name, *type;
  } cases[] = {
      {"a.b/c", "b/c"}, {".wav", "wav"}, {"noext", "unknown"},
      {"end.", ""},     {"", "unknown"}, {"x.tar.au", "au"},
  };
  Settings s;
  for (const auto &c : cases) {
    s.output_file = c.name;
    EXPECT_STREQ(output_type_name(s), c.type) << c.name;
  }
  s.output_type = "wav";
  EXPECT_STREQ(output_type_name(s), "wav");
}

}  // namespace
