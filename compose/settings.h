// What composing the converter commands needs from the two windows, as plain values: read once
// from the controls, after which composition is a pure function of them and needs no display.
#pragma once

#include <string>

// The effects in chain-building order, echo first (the stage nearest the destination).
enum Effect { ECHO, VIBRATO, LOWPASS, HIGHPASS, BANDPASS };

struct Settings {
  // In the encoding of the user's locale, as the file system and the programs take them.
  std::string input_file, output_file, play_command;
  // Whether each of them had a form there; if not, it holds the field's own text.
  bool input_file_encoded = true, output_file_encoded = true, play_command_encoded = true;
  // Converter type names; empty when the choice says to derive the type (" Use Filetype ").
  std::string input_type, output_type;
  double input_rate = 0, output_rate = 0;       // 0: no rate option
  int input_channels = 0, output_channels = 0;  // the pushed button 1, 2 or 4; 0 for "off"
  double volume = 0;                            // the Amplification slider
  bool pushed[5] = {};                          // by Effect
  double echo_delay = 0, echo_volume = 0, vibrato_speed = 0, vibrato_depth = 0;
  double filter_freq = 0, bandwidth = 0;  // kHz
};
