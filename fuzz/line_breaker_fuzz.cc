// The console's line breaking on arbitrary output in arbitrary bursts and reader calls: the lines
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
    LineBreaker breaker;
    for (size_t at = 0, burst; at < call.size(); at += burst) {
      burst = std::min(input.ConsumeIntegralInRange<size_t>(1, 300), call.size() - at);
      breaker.feed(call.data() + at, burst);
    }
    breaker.finish();
    for (const std::string &text : breaker.additions())
      for (const std::string &line : console_lines_of(text)) lines.push_back(line);
  }
  if (lines != byte_reader_model(calls)) abort();
  return 0;
}
