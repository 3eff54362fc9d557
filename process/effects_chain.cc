#include "process/effects_chain.h"

#include <unistd.h>

#include <cerrno>

#include "compose/from_forms.h"
#include "process/keep_errno.h"
#include "process/run_command.h"

static int start_stage(Effect effect, int downstream) {
  CommandText command;
  compose_stage(effect, command);
  int input = command.overflow
                  ? (errno = E2BIG, -1)
                  : run_command(command.text, downstream, RUN_PIPE_STDIN | RUN_STDOUT_TO_FD);
  KeepErrno keep;
  close(downstream);  // the stage holds its own copy
  return input;
}

int echo_stage(int downstream) {
  return start_stage(ECHO, downstream);
}
int vibrato_stage(int downstream) {
  return start_stage(VIBRATO, downstream);
}
int lowpass_stage(int downstream) {
  return start_stage(LOWPASS, downstream);
}
int highpass_stage(int downstream) {
  return start_stage(HIGHPASS, downstream);
}
int bandpass_stage(int downstream) {
  return start_stage(BANDPASS, downstream);
}

int build_effects_chain(int destination, std::vector<pid_t> *started) {
  static int (*const stage_of[])(int) = {echo_stage, vibrato_stage, lowpass_stage, highpass_stage,
                                         bandpass_stage};
  Effect effects[5];
  int count = selected_effects(effects);
  int current = destination;
  for (int i = 0; i < count && current >= 0; i++) {
    current = stage_of[effects[i]](current);
    if (current >= 0 && started) started->push_back(last_child_pid);
  }
  return current;
}
