#include "bench/setup.h"

#include <stdlib.h>

const char *const corvane_program = BENCH_CORVANE;
const char *const corvane_launcher = BENCH_LAUNCHER;
const char *const helper_dir = BENCH_HELPERS;
const char *const bench_dir = BENCH_SOURCE_DIR;
const char *const console_ingest_program = BENCH_CONSOLE_INGEST;
const char *const first_byte_player = BENCH_FIRST_BYTE_PLAYER;
const char *const real_sox = BENCH_REAL_SOX;

std::string path_with(const std::string &first) {
  const char *path = getenv("PATH");
  return "PATH=" + first + ":" + (path ? path : "/usr/bin:/bin");
}

std::string in_scratch(const Setup &setup, const std::string &name) {
  return setup.scratch + "/" + name;
}
