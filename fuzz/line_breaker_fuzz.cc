// The console's line breaking on arbitrary output in arbitrary reader calls: the lines
// must be those of the plain byte-at-a-time reader.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdlib>

#include "tests/support/line_breaker_model.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  FuzzedDataProvider input(data, size);
  console_column = 1;
  std::vector<std::string> calls, lines;
  while (input.remaining_bytes() > 0 && calls.size() < 32) {
    const std::string &call = calls.emplace_back(input.ConsumeRandomLengthString(4096));
    for (LineSpan line : break_lines(call.data(), call.size()))
      lines.push_back(call.substr(line.start, line.length));
  }
  if (lines != byte_reader_model(calls)) abort();
  return 0;
}
