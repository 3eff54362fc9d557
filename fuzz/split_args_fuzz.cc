// split_args on arbitrary command text: the words must be those the splitting rules give, and the
// splitter must stay inside the command (copied into a buffer of exactly its size, so that
// AddressSanitizer stops at the first byte read or written past it).
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "process/split_args.h"

// The rules, written out plainly: a run of blanks that another character follows separates two
// words; blanks at the very end stay with the last word; there is always at least one word.
static std::vector<std::string> expected_words(const std::string &text) {
  std::vector<std::string> words(1);
  for (size_t i = 0; i < text.size();) {
    if (text[i] != ' ') {
      words.back() += text[i++];
      continue;
    }
    size_t next = text.find_first_not_of(' ', i);
    if (next == std::string::npos) {
      words.back() += text.substr(i);
      break;
    }
    words.emplace_back();
    i = next;
  }
  return words;
}

[[noreturn]] static void fail(const char *what, const std::string &text) {
  fprintf(stderr, "split_args: %s for \"%s\"\n", what, text.c_str());
  abort();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  // A command is a C string: it ends at the first NUL.
  std::string text(reinterpret_cast<const char *>(data),
                   strnlen(reinterpret_cast<const char *>(data), size));
  char *command = static_cast<char *>(malloc(text.size() + 1));
  memcpy(command, text.c_str(), text.size() + 1);

  char **argv = split_args(command);
  if (!argv) fail("no vector", text);
  std::vector<std::string> expected = expected_words(text);
  for (size_t i = 0; i < expected.size(); i++) {
    if (!argv[i]) fail("too few words", text);
    if (argv[i] < command || argv[i] > command + text.size())
      fail("word outside the command", text);
    if (expected[i] != argv[i]) fail("wrong word", text);
  }
  if (argv[expected.size()]) fail("no null pointer after the last word", text);

  free(argv);
  free(command);
  return 0;
}
