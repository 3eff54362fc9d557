#include "process/split_args.h"

#include <stdlib.h>

// Words as the splitter below will make them; a string without words still yields one (empty or
// all blanks), so the program name slot always exists.
static size_t count_words(const char *s) {
  size_t words = 0;
  while (*s) {
    while (*s && *s != ' ') s++;
    while (*s == ' ') s++;
    words++;
  }
  return words;
}

char **split_args(char *command) {
  size_t words = count_words(command);
  char **argv = static_cast<char **>(malloc((words < 1 ? 2 : words + 1) * sizeof *argv));
  if (!argv) return nullptr;
  argv[0] = command;
  char *p = command;
  // Only the blanks in front of a word are cut, so whatever follows the last word stays with it.
  for (size_t i = 1; i < words; i++) {
    while (*p != ' ') p++;
    *p++ = '\0';
    while (*p == ' ') p++;
    argv[i] = p;
  }
  argv[words < 1 ? 1 : words] = nullptr;
  return argv;
}
