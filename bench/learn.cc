// Watches one Corvane with a recording `sox` first on its PATH, to learn the exact commands its
// Convert and Play start: the baselines run those same commands.
#include <stdio.h>
#include <unistd.h>

#include "bench/figures.h"
#include "bench/instance.h"
#include "bench/processes.h"

// Runs one action and returns the commands it started: `count` of them, all ended.
static std::vector<Call> record(const Instance &app, Box button, size_t count,
                                const std::string &calls) {
  unlink(calls.c_str());
  click_timed(app, button);
  if (!wait_tree_done(app.pid, count, 120)) return {};
  std::vector<Call> started = read_calls(calls);
  return started.size() == count ? started : std::vector<Call>();
}

// A Corvane whose `sox` records every start in `calls`.
static bool open_recording(Instance &app, const Setup &setup, const std::string &calls) {
  return open_instance(
      app, setup, {corvane_program},
      {path_with(std::string(bench_dir) + "/bin-record:" + helper_dir), "BENCH_CALLS=" + calls},
      800, 650);
}

bool learn_commands(const Setup &setup, Learned &learned) {
  std::string calls = in_scratch(setup, "calls.log");
  Instance app;
  if (open_recording(app, setup, calls)) {
    fill_field(app.main, input_file, long_sound);
    fill_field(app.main, output_file, "learn.au");
    learned.plain = record(app, convert_button, 1, calls);
    if (choose_effects(app, {echo, bandpass}))
      learned.effects = record(app, convert_button, 3, calls);
    unlink(in_scratch(setup, "learn.au").c_str());
  }
  close_instance(app);
  // Play changes the output type for good: a fresh instance, as the play figure's is.
  if (open_recording(app, setup, calls)) {
    fill_field(app.main, input_file, short_sound);
    fill_field(app.main, play_command, player_command(setup));
    // The player is no sox and goes unrecorded. Once it has sound, sox has been recorded.
    unlink(calls.c_str());
    unlink(in_scratch(setup, stamp_file).c_str());
    click_timed(app, play_button);
    if (first_byte_time(setup, 10) && wait_tree_done(app.pid, 0, 60))
      learned.play = read_calls(calls);
  }
  close_instance(app);

  bool ok = learned.plain.size() == 1 && learned.effects.size() == 3 && learned.play.size() == 1;
  if (!ok)
    fprintf(stderr, "bench: could not learn the commands (%zu, %zu and %zu recorded)\n",
            learned.plain.size(), learned.effects.size(), learned.play.size());
  return ok;
}
