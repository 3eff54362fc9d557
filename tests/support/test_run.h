#pragma once
// Running the adapters and sox from tests, without a shell.

#include <string>
#include <vector>

using Args = std::vector<std::string>;

// text cut at each blank, the way Corvane's runner cuts a command: the last word keeps a
// trailing blank.
Args words(const std::string &text);

// A fresh empty directory under the build tree; all are removed when the test process ends.
std::string scratch_dir();
std::string read_file(const std::string &path);

// The arguments the argv_log stand-in recorded, the called name first, each followed by a blank.
std::string argv_logged(const std::string &path);

struct Ran {
  int status;       // exit status, 128 + the signal that ended it, -1 when it could not start
  std::string err;  // what it wrote to standard error
};

// Runs program with argv args and exactly the environment env, its standard input and output
// on in and out (-1: /dev/null), to its end. One still running after ten seconds is killed: its
// status is then 137.
Ran run(const std::string &program, const Args &args, const Args &env, int in = -1, int out = -1);
