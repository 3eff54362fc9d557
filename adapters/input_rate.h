#pragma once

#include <string>
#include <vector>

// The sample rate in Hz sox will read its first input at, told from that input's -r option, its
// type, or its header (looked at without consuming it); 0 when it cannot be told.
double input_rate(const std::vector<std::string> &sox_args);
