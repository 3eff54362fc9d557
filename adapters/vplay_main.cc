// Corvane's `vplay`: Corvane plays sound by piping it into a vplay command, and today's systems
// have no vplay. This program reads vplay's options and becomes aplay, or sox's play when there is
// no aplay, with the same sample format.

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "adapters/next_on_path.h"
#include "adapters/vplay_args.h"

int main(int argc, char **argv) {
  std::vector<std::string> args(argv, argv + argc);
  PlayRequest request;
  std::string error;
  if (!parse_vplay(args, &request, &error)) {
    std::fprintf(stderr,
                 "vplay: %s\nusage: vplay [-qdSrvwa] [-s rate] [-b 8|12|16] [-t secs] [file...]\n",
                 error.c_str());
    return 2;
  }
  std::string player = next_on_path("aplay", search_path(), {});
  std::vector<std::string> player_args = aplay_args(request);
  if (player.empty()) {
    player = next_on_path("play", search_path(), {});
    player_args = play_args(request);
  }
  if (player.empty()) {
    std::fprintf(stderr, "vplay: neither aplay (alsa-utils) nor play (sox) is on PATH\n");
    return 127;
  }
  return become(player, player_args, "vplay");
}
