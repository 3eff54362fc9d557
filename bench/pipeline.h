// The commands Corvane started for one action, as recorded by bin-record/sox, and the plain shell
// pipeline that runs the same commands.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

struct Call {
  pid_t pid;
  std::vector<std::string> argv;
};

// The starts recorded in `path` (see bin-record/sox), in the order they were started.
std::vector<Call> read_calls(const std::string &path);

// A word for sh that stands for exactly `word`, blanks included.
std::string shell_word(const std::string &word);

// Corvane starts the stage nearest the destination first and the main converter last, so the
// sound flows through the calls in reverse start order. The pipeline ends with `tail`, e.g.
// "> out.au" or "| player".
std::string shell_pipeline(const std::vector<Call> &started, const std::string &tail);
