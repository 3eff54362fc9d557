// The console's line breaking on arbitrary output arriving in arbitrary bursts: the lines must be
// those of the plain byte-at-a-time reader, whatever the burst sizes and however many reader
// calls a line is spread over.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "console/line_breaker.h"
#include "tests/support/line_breaker_model.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  FuzzedDataProvider input(data, size);
  // Each reader call gets its bytes in bursts, the way read() may hand them out.
  std::vector<std::string> calls;
  std::vector<std::vector<size_t>> bursts;
  while (input.remaining_bytes() > 0 && calls.size() < 32) {
    calls.push_back(input.ConsumeRandomLengthString(4096));
    bursts.emplace_back();
    for (size_t done = 0; done < calls.back().size();) {
      size_t burst = input.ConsumeIntegralInRange<size_t>(1, 300);
      bursts.back().push_back(burst);
      done += burst;
    }
  }

  console_column = 1;
  std::vector<std::string> lines;
  for (size_t c = 0; c < calls.size(); c++) {
    LineBreaker breaker;
    size_t at = 0;
    for (size_t burst : bursts[c]) {
      size_t count = std::min(burst, calls[c].size() - at);
      breaker.feed(calls[c].data() + at, count);
      at += count;
    }
    breaker.finish();
    for (const std::string &text : breaker.additions())
      for (const std::string &line : console_lines_of(text)) lines.push_back(line);
  }
  if (console_column < 1 || console_column > console_line_limit) abort();
  if (lines != byte_reader_model(calls)) {
    fprintf(stderr, "line breaker: bulk lines differ from byte-at-a-time lines\n");
    abort();
  }
  return 0;
}
