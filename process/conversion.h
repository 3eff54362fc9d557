// A Convert never costs the user the file it writes to: the chain writes into a new file beside
// the output, which takes the output's name only once every process of the conversion has ended
// with status 0, and is dropped otherwise. What cannot be replaced that way (a FIFO, a device, a
// file with several names or of another owner, a link to nowhere, a file in a folder where nothing
// can be created) is written in place, emptied only once every process runs.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

struct Member {
  pid_t pid;
  std::string role;  // "the converter", "the echo stage", ...
  int status = -2;   // wait status once ended; -1 when it could not be told; -2 while it runs
};

struct Conversion {
  std::string output;   // the name the user gave, for messages
  int file = -1;        // where the chain's last process writes; the chain takes it over
  bool replace = true;  // false: written in place
  // Replacing: the output's folder, the output's name there (a link's target), our own copy of
  // the new file and its name in the folder while it has one (a file made with O_TMPFILE has none,
  // so nothing is left behind however Corvane ends).
  int folder = -1, own = -1;
  std::string target, part;
  bool touched = false;  // in place: emptied, so a failure may leave it incomplete
  std::vector<Member> members;
};

// Opens what a Convert into `path` writes into; false with errno set when that cannot be, having
// created nothing.
bool open_conversion(const char *path, Conversion *c);

// Right before the main converter starts, every stage running: an output written in place is
// emptied now, so that a stage that cannot start leaves it as it was. false with errno set.
bool conversion_ready(Conversion *c);

// The conversion could not start (`why`): its new file is dropped and the console told.
void conversion_not_started(Conversion *c, const std::string &why);

// Every process of the conversion runs: it ends in conversion_child_ended, once all of them have
// ended, or in finish_conversions_at_exit.
void conversion_started(Conversion c);

// For every collected child: its wait status, or -1 when unknown.
void conversion_child_ended(pid_t pid, int status);

// Corvane is ending. A conversion whose main converter has ended gets up to `seconds` for its
// stages and is then finished as usual; one still converting is given up, its new file dropped.
void finish_conversions_at_exit(double seconds);
