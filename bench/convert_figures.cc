// Convert of a 10-minute sound through the real window, timed from the click until every process
// of the conversion has ended (the output is then complete), against the same commands run as a
// plain shell pipeline; and the same Convert while a flood of diagnostics reaches the console.
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <functional>
#include <utility>

#include "bench/clock.h"
#include "bench/figures.h"
#include "bench/instance.h"
#include "bench/processes.h"

namespace {

// One way of converting: a window to click, or a shell pipeline when `app` is null.
struct Way {
  Way(const char *name, std::vector<double> *seconds, std::string output, Instance *app = nullptr,
      std::function<bool(Instance &)> open = {})
      : name(name), seconds(seconds), output(std::move(output)), app(app), open(std::move(open)) {}
  const char *name;
  std::vector<double> *seconds;  // from the start to the end of each run
  std::string output;            // file the conversion writes
  Instance *app;
  std::function<bool(Instance &)> open;   // starts the instance and fills in its fields
  std::vector<double> *starts = nullptr;  // from the start until every sox of the run is running
  bool fresh = false;                     // a new instance for every run
  bool until_idle = false;  // done only once Corvane has stopped working too, not its processes
  size_t soxes = 1;         // the converter processes: the real sox, once the helpers have run
  size_t processes = 1;     // every process to wait for
  std::string pipeline;     // for the shell
};

// Seconds from the start of a run to every sox running, and to its end; 0 when it failed.
struct Times {
  double start = 0, end = 0;
};

// The instance ready for a run: started once, or anew for every run when it must be fresh.
bool ready(const Way &way) {
  if (!way.app || (way.app->pid > 0 && !way.fresh)) return true;
  close_instance(*way.app);
  return way.open(*way.app);
}

Times convert_once(const Setup &setup, const Way &way) {
  unlink(way.output.c_str());
  Times t;
  if (!way.app) {
    double start = now();
    pid_t shell = spawn({{"sh", "-c", way.pipeline}, {path_with(helper_dir)}, setup.scratch});
    double running = shell > 0 ? wait_running(shell, real_sox, way.soxes, 60) : 0;
    int status = shell > 0 ? wait_child(shell) : 127;
    double end = now();
    if (status != 0 || !running) {
      fprintf(stderr, "bench: the pipeline failed (%d): %s\n", status, way.pipeline.c_str());
      return t;
    }
    return {running - start, end - start};
  }
  double start = click_timed(*way.app, convert_button);
  double running = wait_running(way.app->pid, real_sox, way.soxes, 60);
  double end = running ? wait_tree_done(way.app->pid, way.processes, 300) : 0;
  if (end && way.until_idle) end = wait_cpu_quiet(way.app->pid, 300);
  if (!end) {
    fprintf(stderr, "bench: a Convert did not finish\n");
    return t;
  }
  return {running - start, end - start};
}

// Byte for byte; or only the size, where sox dithers with a new random seed every run.
bool same_output(const std::string &a, const std::string &b, bool exact) {
  if (exact) return run({{"cmp", "-s", a, b}}) == 0;
  struct stat sa, sb;
  return stat(a.c_str(), &sa) == 0 && stat(b.c_str(), &sb) == 0 && sa.st_size == sb.st_size;
}

// Every instance done with the last run (a flood leaves its console busy for a while), so that
// one run's aftermath does not weigh on the next.
void wait_quiet(const std::vector<Way> &ways) {
  for (const Way &way : ways)
    if (way.app) wait_idle(way.app->pid, 30);
}

// Runs every way once per round, starting with a different one each round, so that a change of
// the machine's pace and what a run leaves behind meet all alike. The first way is the shell
// pipeline; its output, from a first run that is not counted, is what the windows' must match.
bool measure(const Setup &setup, const std::vector<Way> &ways, bool exact) {
  std::string reference = in_scratch(setup, "reference.au");
  if (!convert_once(setup, ways[0]).end || rename(ways[0].output.c_str(), reference.c_str()) != 0)
    return false;
  for (int round = 0; round < setup.runs; round++) {
    fprintf(stderr, "bench:");
    for (size_t i = 0; i < ways.size(); i++) {
      const Way &way = ways[(round + i) % ways.size()];
      if (!ready(way)) return false;
      wait_quiet(ways);
      Times t = convert_once(setup, way);
      if (!t.end) return false;
      way.seconds->push_back(t.end * 1000);
      if (way.starts) way.starts->push_back(t.start * 1000);
      fprintf(stderr, " %s %.1f (%.1f)", way.name, t.end * 1000, t.start * 1000);
      if (round == 0 && way.app && !same_output(way.output, reference, exact)) {
        fprintf(stderr, "\nbench: %s differs from the pipeline's output\n", way.output.c_str());
        return false;
      }
      unlink(way.output.c_str());
    }
    fprintf(stderr, "\n");
    reap_orphans({});
  }
  unlink(reference.c_str());
  return true;
}

}  // namespace

std::vector<Figure> convert_figures(const Setup &setup, const Learned &learned) {
  Figure plain{"1a convert, no effect", "ms", "shell pipeline"};
  Figure effects{"1b convert, echo + band-pass", "ms", "shell pipeline"};
  Figure flood{"3 convert 1a + 10 MiB stderr", "ms", "1a via window"};
  Figure plain_start{"1a start: until sox runs", "ms", "shell pipeline"};
  Figure effects_start{"1b start: until 3 sox run", "ms", "shell pipeline"};
  plain.goal_max = effects.goal_max = 1.02;
  flood.goal_max = 1.10;

  Instance a, b, c;
  std::vector<std::string> launcher = {corvane_launcher};
  auto open = [&](std::vector<std::string> env, int x, int y, const char *output,
                  std::vector<Box> effects) {
    return [&setup, launcher, env, x, y, output, effects](Instance &app) {
      if (!open_instance(app, setup, launcher, env, x, y)) return false;
      fill_field(app.main, input_file, long_sound);
      fill_field(app.main, output_file, output);
      return effects.empty() || choose_effects(app, effects);
    };
  };
  std::string plain_pipeline = shell_pipeline(learned.plain, "> base.au");
  std::string effects_pipeline = shell_pipeline(learned.effects, "> base.au");
  fprintf(stderr, "bench: 1a, 3: %s\nbench: 1b: %s\n", plain_pipeline.c_str(),
          effects_pipeline.c_str());

  Way pipeline("pipeline", &plain.baseline_runs, in_scratch(setup, "base.au"));
  pipeline.pipeline = plain_pipeline;
  pipeline.starts = &plain_start.baseline_runs;
  Way window("1a", &plain.runs, in_scratch(setup, "out-a.au"), &a, open({}, 0, 0, "out-a.au", {}));
  window.starts = &plain_start.runs;
  // Every flood run in a fresh instance: what earlier floods left in the console would slow it.
  // The instance runs sox and, beside it, the process that writes the flood.
  Way flooded("3", &flood.runs, in_scratch(setup, "out-b.au"), &b,
              open({path_with(std::string(bench_dir) + "/bin-flood"),
                    "BENCH_FLOOD_FILE=" + in_scratch(setup, flood_file),
                    std::string("BENCH_REAL_SOX=") + real_sox},
                   450, 0, "out-b.au", {}));
  flooded.fresh = true;
  // The console may have read the whole flood before the writer ended, and still be adding it.
  flooded.until_idle = true;
  flooded.processes = 2;
  if (measure(setup, {pipeline, window, flooded}, true)) {
    flood.baseline_runs = plain.runs;
    pipeline.pipeline = effects_pipeline;
    pipeline.seconds = &effects.baseline_runs;
    pipeline.starts = &effects_start.baseline_runs;
    pipeline.soxes = 3;
    Way effected("1b", &effects.runs, in_scratch(setup, "out-c.au"), &c,
                 open({}, 0, 330, "out-c.au", {echo, bandpass}));
    effected.starts = &effects_start.runs;
    effected.soxes = effected.processes = 3;
    measure(setup, {pipeline, effected}, false);
  }
  close_instance(a);
  close_instance(b);
  close_instance(c);
  return {plain, plain_start, effects, effects_start, flood};
}
