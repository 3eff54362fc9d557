#pragma once
// A headerless sound on a pipe or device carries no rate or channel count, and whatever reads it
// (Corvane's effect stages, vplay, a user's own raw player) takes it as 8000 Hz mono, as classic
// sox and vplay did. sox itself keeps the input's rate and channels, so a main converter that
// names neither would send a 44.1 kHz stereo song out to be played eleven times too long.

#include <string>
#include <vector>

// The options a sox command that writes a headerless type to standard output as its last word (a
// converter without effects) lacks for 8000 Hz mono: "-r" "8000" unless it sets the output rate,
// "-c" "1" unless it sets the output channels. Empty for any other command.
std::vector<std::string> missing_stream_format(const std::vector<std::string> &sox_args);
