// Corvane's benchmarks: runs every figure beside its baseline and prints the table. Run it on an
// X server of its own (tests/with-xvfb): it starts Corvane and other windows and clicks in them.
//   corvane_bench   BENCH_RUNS (default 7) runs of each figure; BENCH_CONSOLE_MB (default 4) MiB
//                   for the console; BENCH_FIGURES (e.g. "1 3", default all) the figures to run
// Figures are reported, never judged: the exit status only tells whether the bench could run.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "bench/diagnostics.h"
#include "bench/figures.h"
#include "bench/processes.h"

namespace fs = std::filesystem;

// Sound files are large and written again and again: a memory file system keeps the disk out of
// the figures when there is one.
static std::string make_scratch() {
  for (const char *parent : {"/dev/shm", "/tmp"}) {
    std::string pattern = std::string(parent) + "/corvane-bench-XXXXXX";
    if (mkdtemp(pattern.data())) return pattern;
  }
  perror("bench: cannot make a scratch folder");
  exit(1);
}

static bool make_sound(const Setup &setup, const char *name, const char *seconds) {
  return run({{real_sox, "-n", "-r", "44100", "-c", "2", "-b", "16", name, "synth", seconds, "sine",
               "440"},
              {},
              setup.scratch}) == 0;
}

static bool make_inputs(const Setup &setup) {
  std::ofstream(in_scratch(setup, flood_file)) << diagnostic_lines(10 << 20, 2);
  return make_sound(setup, long_sound, "600") && make_sound(setup, short_sound, "1");
}

// Whether BENCH_FIGURES (e.g. "1 3"; default all) names the figure numbered `number`.
static bool wanted(const char *number) {
  const char *list = getenv("BENCH_FIGURES");
  return !list || !*list || strstr(list, number);
}

int main() {
  Setup setup;
  if (const char *runs = getenv("BENCH_RUNS")) setup.runs = atoi(runs);
  if (const char *mb = getenv("BENCH_CONSOLE_MB")) setup.console_megabytes = atof(mb);
  if (setup.runs < 1 || setup.console_megabytes <= 0) {
    fprintf(stderr, "bench: BENCH_RUNS must be at least 1, BENCH_CONSOLE_MB above 0\n");
    return 2;
  }
  become_subreaper();
  setup.scratch = make_scratch();
  std::vector<Figure> figures;
  Learned learned;
  fprintf(stderr, "bench: %d runs of each figure; scratch %s\n", setup.runs, setup.scratch.c_str());
  bool ok = make_inputs(setup) && learn_commands(setup, learned);
  if (ok && wanted("4")) {
    fprintf(stderr, "bench: 4 start-up ");
    for (Figure &f : startup_figures(setup)) figures.push_back(f);
    fprintf(stderr, "\n");
  }
  if (ok && wanted("2")) {
    fprintf(stderr, "bench: 2 console ingest\n");
    figures.push_back(console_figure(setup));
  }
  if (ok && (wanted("1") || wanted("3"))) {
    fprintf(stderr, "bench: 1 and 3 convert\n");
    for (Figure &f : convert_figures(setup, learned)) figures.push_back(f);
  }
  if (ok && wanted("5")) {
    fprintf(stderr, "bench: 5 play ");
    figures.push_back(play_figure(setup, learned));
    fprintf(stderr, "\n");
  }
  // In the order of their numbers; the sort keeps the order within one number.
  std::stable_sort(figures.begin(), figures.end(), [](const Figure &a, const Figure &b) {
    return a.name.substr(0, a.name.find(' ')) < b.name.substr(0, b.name.find(' '));
  });
  std::error_code ignored;
  fs::remove_all(setup.scratch, ignored);
  printf("%s", table(figures).c_str());
  printf(
      "min/min, med/med: the figure over its baseline (2: under 0.05 is 20 times as fast).\n"
      "1, 3, 5 start when the button's release has been sent, the pipelines when sh is started;\n"
      "1 ends when every process of the Convert has ended, \"start\" when every sox of it runs,\n"
      "3 when Corvane has also finished showing the flood in its console.\n");
  for (const Figure &f : figures)
    if (f.runs.size() != size_t(setup.runs)) ok = false;
  return ok ? 0 : 1;
}
