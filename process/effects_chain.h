// The effect stages: one converter process per pushed effect, chained through pipes in front of
// a destination (the output file or the player).
#pragma once

#include <sys/types.h>

#include <vector>

// Each stage writes to `downstream`, takes it over (closed whatever happens) and returns the
// write end of its own input, or -1 with errno set when it could not be started.
int echo_stage(int downstream);
int vibrato_stage(int downstream);
int lowpass_stage(int downstream);
int highpass_stage(int downstream);
int bandpass_stage(int downstream);

// Starts the pushed effects' stages from the destination backwards and returns the descriptor the
// main converter must write into (the destination itself when no effect is pushed). Takes over
// `destination`; on failure returns -1 with errno set, holding nothing: stages already started
// then see end of file and end. Each stage started is added to *started (when given), echo first.
int build_effects_chain(int destination, std::vector<pid_t> *started = nullptr);
