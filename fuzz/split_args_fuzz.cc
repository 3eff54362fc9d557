// split_args on arbitrary command text, in a buffer of exactly its size so that AddressSanitizer
// stops at the first byte touched past it. The words must make up the text: the first starts it
// and the last ends it, only blanks separate two words, no word but the first is empty or starts
// with a blank, and only the last holds blanks, at its end.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "process/split_args.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  std::string text(reinterpret_cast<const char *>(data),  // a C string: it ends at a NUL
                   strnlen(reinterpret_cast<const char *>(data), size));
  char *command = static_cast<char *>(malloc(text.size() + 1));
  memcpy(command, text.c_str(), text.size() + 1);
  char **argv = split_args(command);
  bool good = argv && argv[0] == command;
  size_t end = 0;  // of the previous word in text
  for (char **word = argv; good && *word; word++) {
    std::string w = *word, gap = text.substr(end, size_t(*word - command) - end);
    size_t blank = w.find(' ');
    good = size_t(*word - command) >= end && gap.find_first_not_of(' ') == std::string::npos &&
           text.compare(size_t(*word - command), w.size(), w) == 0 &&
           (word == argv || (!gap.empty() && !w.empty() && w[0] != ' ')) &&
           (blank == std::string::npos ||
            (!word[1] && w.find_first_not_of(' ', blank) == std::string::npos));
    end = size_t(*word - command) + w.size();
  }
  if (!good || end != text.size()) abort();
  free(argv);
  free(command);
  return 0;
}
