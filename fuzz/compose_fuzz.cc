// Command composition from arbitrary settings, with no display: the product's own composition
// checked against properties of its output rather than against a second copy of it.
// - A command never passes its 1000-byte buffer, and its length is counted right.
// - Composing piece after piece into one buffer gives each piece as it reads composed alone, as
//   long as the whole fits; a piece that does not fit refuses the command, and the refusal
//   sticks: nothing is added after it.
// - A whole main command splits into the words the runner will start: "sox -v", the input name,
//   "-t" and the output type, the final dash. A stage command starts with its converter words.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "compose/effect_stages.h"
#include "compose/options.h"
#include "process/split_args.h"

[[noreturn]] static void fail(const char *what, const CommandText &command) {
  fprintf(stderr, "compose: %s\ncommand (%zu bytes, overflow %d): %s\n", what, command.length,
          command.overflow, command.text);
  abort();
}

static void check_bounds(const CommandText &command) {
  if (command.length >= command_size) fail("length past the buffer", command);
  if (strnlen(command.text, command_size) != command.length) fail("length miscounted", command);
}

// Texts of any length up to past the buffer, made of a few bytes repeated (the lengths near the
// limit matter most); never a NUL, which no field can hold.
static std::string text(FuzzedDataProvider &input, size_t longest) {
  size_t length = input.ConsumeIntegralInRange<size_t>(0, longest);
  std::string bytes = input.ConsumeRandomLengthString(8);
  if (bytes.empty()) bytes = "n";
  std::string made;
  for (size_t i = 0; i < length; i++)
    made += char(1 + static_cast<unsigned char>(bytes[i % bytes.size()]) % 255);
  return made;
}

static Settings settings_from(FuzzedDataProvider &input) {
  Settings s;
  s.input_file = text(input, 1200);
  s.output_file = text(input, 1200);
  s.input_type = text(input, 40);
  s.output_type = input.ConsumeBool() ? "" : text(input, 40);
  s.input_rate = input.ConsumeFloatingPoint<double>();
  s.output_rate = input.ConsumeFloatingPoint<double>();
  s.input_channels = input.ConsumeIntegral<int>();
  s.output_channels = input.ConsumeIntegral<int>();
  for (double *value : {&s.volume, &s.echo_delay, &s.echo_volume, &s.vibrato_speed,
                        &s.vibrato_depth, &s.filter_freq, &s.bandwidth})
    *value = input.ConsumeFloatingPoint<double>();
  for (bool &pushed : s.pushed) pushed = input.ConsumeBool();
  return s;
}

static std::vector<std::string> words_of(const char *command) {
  std::string copy = command;
  char **argv = split_args(&copy[0]);
  if (!argv) abort();
  std::vector<std::string> words;
  for (char **word = argv; *word; word++) words.push_back(*word);
  free(argv);
  return words;
}

static bool has_blank(const std::string &text) {
  return text.find(' ') != std::string::npos;
}

// One piece of the main command, composed into `whole` after what it holds already.
static void add_piece(CommandText &whole, const std::function<void(CommandText &)> &piece) {
  CommandText alone;
  piece(alone);
  check_bounds(alone);
  std::string before = whole.text;
  bool refused_before = whole.overflow;
  piece(whole);
  check_bounds(whole);
  std::string added = std::string(whole.text).substr(std::min(before.size(), whole.length));
  if (std::string(whole.text, std::min(before.size(), whole.length)) != before)
    fail("a piece changed the text before it", whole);
  if (refused_before) {
    if (!whole.overflow || !added.empty()) fail("refusal did not stick", whole);
  } else if (!alone.overflow && before.size() + alone.length < command_size) {
    if (whole.overflow || added != alone.text) fail("a fitting piece differs from alone", whole);
  } else {
    if (!whole.overflow) fail("too long but not refused", whole);
    if (std::string(alone.text).compare(0, added.size(), added) != 0)
      fail("refused piece left more than whole appends", whole);
  }
}

static void check_main_command(const Settings &s) {
  CommandText command;
  add_piece(command, [](CommandText &c) { c.append("sox "); });
  add_piece(command, [&](CommandText &c) { add_volume_option(s, c); });
  add_piece(command, [&](CommandText &c) {
    size_t length = c.length;
    if ((add_input_file(s, c) != 0) != s.input_file.empty() ||
        (s.input_file.empty() && c.length != length))
      fail("missing input not refused, or refused with text added", c);
  });
  add_piece(command, [&](CommandText &c) { add_output_options(s, c); });
  add_piece(command, [](CommandText &c) { c.append(" -"); });
  if (command.overflow || s.input_file.empty()) return;

  std::vector<std::string> words = words_of(command.text);
  size_t n = words.size();
  const std::string type = output_type_name(s);
  if (n < 5 || words[0] != "sox" || words[1] != "-v" || words[n - 1] != "-")
    fail("not sox -v ... -", command);
  if (!has_blank(s.input_file) &&
      std::find(words.begin(), words.end(), s.input_file) == words.end())
    fail("input name is not a word", command);
  if (!has_blank(type) &&
      (type.empty() ? words[n - 2] != "-t" : words[n - 3] != "-t" || words[n - 2] != type))
    fail("output type is not the word after -t", command);
}

static void check_output_name(const Settings &s) {
  const char *type = output_type_name(s);
  const char *name = s.output_file.c_str();
  bool inside = type > name && type <= name + s.output_file.size();
  if (!s.output_type.empty() ? type != s.output_type
      : inside               ? type[-1] != '.' || strchr(type, '.')
                             : strcmp(type, "unknown") != 0 || strchr(name, '.')) {
    fprintf(stderr, "type %s of output %s\n", type, name);
    abort();
  }
  CommandText path;
  int result = get_output_file(s, path);
  check_bounds(path);
  bool fits = !s.output_file.empty() && s.output_file.size() < command_size;
  if (result != (fits ? 0 : -1) || path.overflow != (!fits && !s.output_file.empty()) ||
      (fits && path.text != s.output_file))
    fail("output path", path);
}

static void check_stages(const Settings &s) {
  const char *const words[] = {"echo", "vibro", "lowp", "highp", "band"};
  const std::string type = output_type_name(s);
  const std::string head = "sox -t " + type + " - -t " + type + " - ";
  bool pushed_fit = true;
  for (Effect effect : {ECHO, VIBRATO, LOWPASS, HIGHPASS, BANDPASS}) {
    CommandText stage;
    stage.append("left over");
    compose_stage(s, effect, stage);
    check_bounds(stage);
    std::string text = stage.text;
    if (stage.overflow ? !text.empty() && text != head
                       : text.rfind(head + words[effect] + " ", 0) != 0 || text.back() != ' ')
      fail("stage command", stage);
    if (s.pushed[effect]) pushed_fit = pushed_fit && !stage.overflow;
  }
  if (stage_commands_fit(s) != pushed_fit) abort();

  Effect effects[5];
  int count = selected_effects(s, effects);
  if (count != std::count(s.pushed, s.pushed + 5, true)) abort();
  for (int i = 0; i < count; i++)
    if (!s.pushed[effects[i]] || (i > 0 && effects[i] <= effects[i - 1])) abort();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  FuzzedDataProvider input(data, size);
  Settings s = settings_from(input);
  check_main_command(s);
  check_output_name(s);
  check_stages(s);
  return 0;
}
