// The figures the bench measures, each beside its baseline measured in the same run.
#pragma once

#include <string>
#include <vector>

#include "bench/pipeline.h"
#include "bench/setup.h"
#include "bench/stats.h"

// The commands Corvane starts for a Convert without effect, a Convert with Echo and BandPass,
// and a Play without effect, learnt by watching a Convert and a Play of a recording instance.
struct Learned {
  std::vector<Call> plain, effects, play;
};
bool learn_commands(const Setup &setup, Learned &learned);

// 1a, 1b: Convert through the window against the same commands as a shell pipeline;
// 3: Convert 1a while a flood of diagnostics reaches the console, against 1a.
std::vector<Figure> convert_figures(const Setup &setup, const Learned &learned);

// 2: the console taking in a flood, against reading it one byte per call.
Figure console_figure(const Setup &setup);

// 4: start-up time and resident memory, against xmessage.
std::vector<Figure> startup_figures(const Setup &setup);

// The play command that starts first_byte_player on the stamp file.
std::string player_command(const Setup &setup);

// The time first_byte_player noted; 0 when it has not written it within `seconds`.
double first_byte_time(const Setup &setup, double seconds);

// 5: from the click on Play to the first byte at the player, against the shell pipeline.
Figure play_figure(const Setup &setup, const Learned &learned);

// The names of the sound files in the scratch folder.
constexpr const char *long_sound = "in.wav";      // 10 minutes, 44.1 kHz stereo
constexpr const char *short_sound = "tone.wav";   // 1 second, to play
constexpr const char *flood_file = "flood.txt";   // 10 MiB of diagnostics
constexpr const char *stamp_file = "first-byte";  // written by first_byte_player
