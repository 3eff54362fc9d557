// The console taking in a flood of diagnostics: console_ingest measures it on the X server.
#include <stdio.h>
#include <unistd.h>

#include <sstream>

#include "bench/figures.h"
#include "bench/processes.h"

static std::string output_of(const Launch &launch) {
  int out[2];
  if (pipe(out) != 0) return "";
  Launch with_out = launch;
  with_out.out = out[1];
  pid_t pid = spawn(with_out);
  close(out[1]);
  std::string text;
  char buffer[4096];
  for (ssize_t got; (got = read(out[0], buffer, sizeof buffer)) > 0;) text.append(buffer, got);
  close(out[0]);
  if (pid > 0) wait_child(pid);
  return text;
}

Figure console_figure(const Setup &setup) {
  char name[64];
  snprintf(name, sizeof name, "2 console ingest %g MiB", setup.console_megabytes);
  Figure console{name, "ms", "1 byte per read"};
  console.goal_max = 0.05;  // at least 20 times as fast
  Launch ingest(
      {console_ingest_program, std::to_string(setup.console_megabytes), std::to_string(setup.runs)},
      {}, setup.scratch);
  ingest.err = 2;  // what goes wrong before its console starts
  std::istringstream report(output_of(ingest));
  std::string word;
  for (double value; report >> word;) {
    if (word == "console" && report >> value)
      console.runs.push_back(value * 1000);
    else if (word == "bytewise" && report >> value)
      console.baseline_runs.push_back(value * 1000);
    else if (word == "check" && report >> value)
      fprintf(stderr, "bench: both readers gave the same %.0f lines\n", value);
    else {
      std::string rest;
      std::getline(report, rest);
      fprintf(stderr, "bench: console_ingest: %s%s\n", word.c_str(), rest.c_str());
    }
  }
  return console;
}
