#pragma once

#include <string>
#include <vector>

// What a vplay command line asks to play.
struct PlayRequest {
  long rate = 8000;  // Hz
  int channels = 1;
  int bits = 8;                    // 8: unsigned bytes; 16: signed 16-bit little-endian words
  long seconds = 0;                // time limit; 0 plays to the end
  std::vector<std::string> files;  // empty: standard input
};

// Reads vplay's options (args[0] is the program); false with the reason in *error when they are
// not vplay's.
bool parse_vplay(const std::vector<std::string> &args, PlayRequest *out, std::string *error);

// The aplay command line that plays request (aplay still finds a VOC, WAVE or Sun header itself).
std::vector<std::string> aplay_args(const PlayRequest &request);

// The same for sox's play, which reads the sound as raw samples.
std::vector<std::string> play_args(const PlayRequest &request);
