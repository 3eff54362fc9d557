#include "adapters/stream_format.h"

#include <gtest/gtest.h>

#include "tests/support/test_run.h"

// Each row: a sox command > the options it lacks for a raw stream (nothing after ">": none).
TEST(StreamFormat, OnlyAHeaderlessLastOutputOnStandardOutputLacksAny) {
  for (const std::string row :
       {"sox -v 1.000 song.wav -t ub - > -r 8000 -c 1",
        "sox -v 1.000 -c 2 -r 44100 -t sw in.raw -t UL - > -r 8000 -c 1",  // input side only
        "sox -v 1.000 a.wav b.wav -c 2 -t sb - > -r 8000",
        "sox -v 1.000 song.wav --rate=11025 --type=uw - > -c 1",
        "sox -v 1.000 song.wav -r 22050 -c 2 -tub - > ",
        "sox -v 1.000 song.wav -t wav - > ",  // a header tells the rate
        "sox -v 1.000 song.wav -t cdr - > ",  // always 44.1 kHz stereo
        "sox -v 1.000 song.wav -t ub out.ub > ",
        "sox -t ub - -t ub - vibro 5 0.600  > ",  // a stage: its input is already a raw stream
        "sox -t ub - > ", "sox -n -t ub -r - > "}) {
    size_t to = row.find(" > ");
    EXPECT_EQ(missing_stream_format(words(row.substr(0, to))), words(row.substr(to + 3))) << row;
  }
}
