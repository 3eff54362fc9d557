// What every benchmark of the bench works with.
#pragma once

#include <string>
#include <vector>

struct Setup {
  std::string scratch;  // working directory of every program measured; holds the sound files
  int runs = 7;         // measured runs of every figure and of its baseline
  double console_megabytes = 4;
};

// Where the bench finds what it measures (filled in by the build).
extern const char *const corvane_program;   // the program itself
extern const char *const corvane_launcher;  // the launcher that puts the helpers first on PATH
extern const char *const helper_dir;        // the helpers (the classic `sox`, `vplay`)
extern const char *const bench_dir;         // the bench's sources: bin-record/, bin-flood/
extern const char *const console_ingest_program;
extern const char *const first_byte_player;
extern const char *const real_sox;

// "PATH=" followed by `first` and then the bench's own PATH.
std::string path_with(const std::string &first);
// The scratch file `name`.
std::string in_scratch(const Setup &setup, const std::string &name);
