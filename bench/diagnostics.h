// Diagnostic text like converters write to standard error, for the console to take in.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

// About `bytes` bytes of whole lines of mixed lengths (0 to 200 characters, a few past the
// console's 78), the same for the same seed. No line starts with the browser's format mark "@".
std::string diagnostic_lines(size_t bytes, unsigned seed = 1);

// The text cut into pieces of whole lines, each at most `limit` bytes. Pieces of at most PIPE_BUF
// bytes reach a pipe in one piece each, so a reader that empties the pipe always stops at the end
// of a line, however the writes and reads interleave.
std::vector<std::string> whole_line_pieces(const std::string &text, size_t limit);
