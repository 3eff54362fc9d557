// Command composition from arbitrary settings of the real forms: file names, types, rates,
// channels, the sliders and the effect buttons. A command never grows past its 1000-byte buffer,
// and it is refused exactly when the whole text would not fit: then it holds the pieces that did
// fit before the first one that did not, and nothing after it.
//
// Run under tests/with-xvfb: the forms are the toolkit's, so they need an X server.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/app.h"
#include "compose/from_forms.h"
#include "forms/effects_form.h"
#include "forms/main_form.h"

// Only the windows and their initial values: the console would take standard error, where the
// fuzzer reports.
extern "C" int LLVMFuzzerInitialize(int *, char ***) {
  if (!getenv("DISPLAY")) {
    fprintf(stderr, "compose_fuzz: no DISPLAY; run it under tests/with-xvfb\n");
    exit(1);
  }
  static int argc = 1;
  static char name[] = "corvane", *argv[] = {name, nullptr};
  fl_initialize(&argc, argv, nullptr, nullptr, 0);
  main_form = create_form_main();
  effects_form = create_form_effects();
  setup_rate_counter(main_form->input_rate);
  setup_rate_counter(main_form->output_rate);
  fl_addto_choice(main_form->input_type, file_type_table[0]);
  fl_addto_choice(main_form->output_type, file_type_table[0]);
  return 0;
}

static std::string format(const char *pattern, double value) {
  char text[400];
  snprintf(text, sizeof text, pattern, value);
  return text;
}

// The command a composition would make with unlimited room, piece by piece (one piece per append).
struct Pieces {
  std::vector<std::string> list;
  void add(const std::string &piece) { list.push_back(piece); }
  // What a 1000-byte buffer must hold: every piece up to the first that does not fit.
  std::string fitting(bool *refused) const {
    std::string text;
    *refused = false;
    for (const std::string &piece : list) {
      if (text.size() + piece.size() > command_size - 1) {
        *refused = true;
        break;
      }
      text += piece;
    }
    return text;
  }
};

static void add_channels(Pieces &p, FL_OBJECT *off, FL_OBJECT *one, FL_OBJECT *two,
                         FL_OBJECT *four) {
  if (fl_get_button(off)) return;
  if (fl_get_button(one)) p.add("-c 1 ");
  if (fl_get_button(two)) p.add("-c 2 ");
  if (fl_get_button(four)) p.add("-c 4 ");
}

static void add_rate(Pieces &p, FL_OBJECT *counter) {
  double rate = fl_get_counter_value(counter);
  if (rate != 0) p.add(format("-r %.0f ", rate));
}

static std::string type_name() {
  int item = fl_get_choice(main_form->output_type);
  if (item > 1) return file_type_table[item];
  std::string name = fl_get_input(main_form->output_file);
  size_t dot = name.rfind('.');
  return dot == std::string::npos ? "unknown" : name.substr(dot + 1);
}

static Pieces main_pieces() {
  Pieces p;
  p.add("sox ");
  p.add(format("-v %.3f ", fl_get_slider_value(effects_form->amplification)));
  add_channels(p, main_form->in_ch_off, main_form->in_ch1, main_form->in_ch2, main_form->in_ch4);
  add_rate(p, main_form->input_rate);
  int item = fl_get_choice(main_form->input_type);
  if (item > 1) p.add(std::string("-t ") + file_type_table[item] + " ");
  p.add(std::string(fl_get_input(main_form->input_file)) + " ");
  add_channels(p, main_form->out_ch_off, main_form->out_ch1, main_form->out_ch2,
               main_form->out_ch4);
  add_rate(p, main_form->output_rate);
  p.add("-t " + type_name() + " ");
  p.add(" -");
  return p;
}

static double slider(FL_OBJECT *s) {
  return fl_get_slider_value(s);
}

static Pieces stage_pieces(Effect effect) {
  Pieces p;
  std::string type = type_name();
  p.add("sox -t " + type + " - -t " + type + " - ");
  switch (effect) {
    case ECHO:
      p.add(format("echo %.3f ", slider(effects_form->echo_delay)) +
            format("%.3f ", slider(effects_form->echo_volume)));
      break;
    case VIBRATO:
      p.add(format("vibro %.0f ", slider(effects_form->vibrato_speed)) +
            format("%.3f ", slider(effects_form->vibrato_depth)));
      break;
    case LOWPASS:
      p.add(format("lowp %.0f ", slider(effects_form->filter_freq) * 1000));
      break;
    case HIGHPASS:
      p.add(format("highp %.0f ", slider(effects_form->filter_freq) * 1000));
      break;
    case BANDPASS:
      p.add(format("band %.0f ", slider(effects_form->filter_freq) * 1000) +
            format("%.0f ", slider(effects_form->bandwidth) * 1000));
      break;
  }
  return p;
}

[[noreturn]] static void fail(const char *what, const CommandText &command) {
  fprintf(stderr, "compose: %s\ncommand (%zu bytes, overflow %d): %s\n", what, command.length,
          command.overflow, command.text);
  abort();
}

// The real command must be exactly what the pieces allow: same text, refused exactly when the
// whole would not fit, its length counted right and its terminator inside the buffer.
static void check(const CommandText &command, const Pieces &pieces) {
  bool refused;
  std::string expected = pieces.fitting(&refused);
  if (command.length >= command_size) fail("length past the buffer", command);
  if (strnlen(command.text, command_size) != command.length) fail("length miscounted", command);
  if (command.overflow != refused)
    fail(refused ? "too long but not refused" : "refused but fits", command);
  if (expected != command.text) fail("text differs from its pieces", command);
}

// Names of any length up to past the buffer, made of a few printable bytes repeated: the lengths
// near the limit matter most, and the toolkit's fields keep printable characters only.
static void set_name(FuzzedDataProvider &input, FL_OBJECT *field) {
  size_t length = input.ConsumeIntegralInRange<size_t>(0, 1200);
  std::string bytes = input.ConsumeRandomLengthString(8);
  if (bytes.empty()) bytes = "n";
  std::string name;
  for (size_t i = 0; i < length; i++)
    name += char(' ' + static_cast<unsigned char>(bytes[i % bytes.size()]) % 95);
  fl_set_input(field, name.c_str());
}

static void set_channels(FuzzedDataProvider &input, FL_OBJECT *const buttons[4]) {
  for (int i = 0; i < 4; i++) fl_set_button(buttons[i], input.ConsumeBool());
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  FuzzedDataProvider input(data, size);
  FD_main *m = main_form;
  FD_effects *e = effects_form;

  set_name(input, m->input_file);
  // An empty input name stops composition with a modal alert, which nobody would answer here.
  if (!fl_get_input(m->input_file)[0]) fl_set_input(m->input_file, "in");
  set_name(input, m->output_file);
  fl_set_choice(m->input_type, input.ConsumeIntegralInRange(1, 15));
  fl_set_choice(m->output_type, input.ConsumeIntegralInRange(1, 15));
  fl_set_counter_value(m->input_rate, input.ConsumeFloatingPoint<double>());
  fl_set_counter_value(m->output_rate, input.ConsumeFloatingPoint<double>());
  FL_OBJECT *const in_channels[4] = {m->in_ch_off, m->in_ch1, m->in_ch2, m->in_ch4};
  FL_OBJECT *const out_channels[4] = {m->out_ch_off, m->out_ch1, m->out_ch2, m->out_ch4};
  set_channels(input, in_channels);
  set_channels(input, out_channels);
  for (FL_OBJECT *s : {e->amplification, e->echo_delay, e->echo_volume, e->vibrato_speed,
                       e->vibrato_depth, e->filter_freq, e->bandwidth})
    fl_set_slider_value(s, input.ConsumeFloatingPoint<double>());
  for (FL_OBJECT *b : {e->echo, e->vibrato, e->lowpass, e->highpass, e->bandpass})
    fl_set_button(b, input.ConsumeBool());

  CommandText command;
  command.append("sox ");
  add_volume_option(command);
  if (add_input_file(command) != 0) fail("input refused", command);
  add_output_options(command);
  command.append(" -");
  check(command, main_pieces());

  Effect effects[5];
  int count = selected_effects(effects);
  bool all_fit = true;
  for (int i = 0; i < count; i++) {
    CommandText stage;
    stage.append("left over");  // composing a stage starts afresh
    compose_stage(effects[i], stage);
    check(stage, stage_pieces(effects[i]));
    all_fit = all_fit && !stage.overflow;
  }
  if (stage_commands_fit() != all_fit)
    fail("stage_commands_fit disagrees with the stages", command);
  return 0;
}
