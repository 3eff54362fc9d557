// Play: from the click to the first byte of sound at a recording player, against the same
// commands started as a shell pipeline.
#include <stdio.h>
#include <unistd.h>

#include <fstream>

#include "bench/clock.h"
#include "bench/figures.h"
#include "bench/instance.h"
#include "bench/processes.h"

std::string player_command(const Setup &setup) {
  return std::string(first_byte_player) + " " + in_scratch(setup, stamp_file);
}

double first_byte_time(const Setup &setup, double seconds) {
  std::string stamp = in_scratch(setup, stamp_file);
  for (double deadline = now() + seconds; now() < deadline; usleep(1000)) {
    double t = 0;
    if (std::ifstream(stamp) >> t) return t;
  }
  fprintf(stderr, "bench: no sound reached the player\n");
  return 0;
}

Figure play_figure(const Setup &setup, const Learned &learned) {
  Figure play{"5 play, click to first byte", "ms", "shell pipeline"};
  std::string pipeline = shell_pipeline(learned.play, "| " + player_command(setup));
  Instance app;
  if (!open_instance(app, setup, {corvane_launcher}, {}, 450, 330)) return play;
  fill_field(app.main, input_file, short_sound);
  fill_field(app.main, play_command, player_command(setup));
  for (int i = 0; i < setup.runs; i++) {
    unlink(in_scratch(setup, stamp_file).c_str());
    double start = now();
    pid_t shell = spawn({{"sh", "-c", pipeline}, {path_with(helper_dir)}, setup.scratch});
    double first = first_byte_time(setup, 10);
    if (wait_child(shell) != 0 || !first) break;
    play.baseline_runs.push_back((first - start) * 1000);

    unlink(in_scratch(setup, stamp_file).c_str());
    start = click_timed(app, play_button);
    first = first_byte_time(setup, 10);
    // The player and sox, started before the first byte arrived, both end before the next round.
    if (!wait_tree_done(app.pid, 0, 60) || !first) break;
    play.runs.push_back((first - start) * 1000);
    fprintf(stderr, ".");
  }
  close_instance(app);
  return play;
}
