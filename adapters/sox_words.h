#pragma once
// How sox reads its own command line: which words are options, which are files, and which file
// types carry no header.

#include <cstddef>
#include <string>
#include <vector>

// A file word of a sox command line with the format options written before it.
struct SoxFile {
  std::string name;                  // a path, "-" for standard input or output, or "-n"
  size_t at = 0;                     // its index in the arguments
  std::string type, rate, channels;  // the values of its -t, -r and -c options; empty if none
};

// The words of args (args[0] is the program) that are no option or option value, in order, each
// with the options since the word before. Effect words after the output count as files too.
std::vector<SoxFile> sox_files(const std::vector<std::string> &args);

// The type sox gives a file: its -t value, else its name's extension; in lower case.
std::string file_type(const SoxFile &file);

// Whether sox writes and reads type without a header, so that nothing in the sound tells its
// rate or channels (cdr, with its fixed rate and channels, is not counted).
bool headerless_type(const std::string &type);
