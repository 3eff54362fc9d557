#pragma once
// Running the adapters and sox from tests, without a shell.

#include <sys/types.h>

#include <string>
#include <vector>

// A fresh empty directory under the build tree's scratch directory.
std::string scratch_dir();

std::string read_file(const std::string &path);

// What the argv_log stand-in recorded: its process id, then its arguments, the called name first.
std::vector<std::string> read_argv_log(const std::string &path);

// Starts program with argv args and exactly the environment env, reading in and writing out and
// err (descriptors); -1 when it cannot be started.
pid_t start(const std::string &program, const std::vector<std::string> &args,
            const std::vector<std::string> &env, int in, int out, int err);

// pid's exit status, 128 + the signal when a signal ended it, or -1 when it has not ended within
// 60 s (it is then killed).
int finish(pid_t pid);

struct Ran {
  int status;
  std::string err;  // what it wrote to standard error
};

// Runs program reading in_path and writing out_path ("" for /dev/null) to its end.
Ran run(const std::string &program, const std::vector<std::string> &args,
        const std::vector<std::string> &env, const std::string &in_path,
        const std::string &out_path);

// Runs producer | consumer, the consumer writing out_path; the consumer's result.
Ran run_piped(const std::vector<std::string> &producer, const std::vector<std::string> &consumer,
              const std::vector<std::string> &env, const std::string &out_path);
