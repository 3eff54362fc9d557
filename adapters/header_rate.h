#pragma once

#include <string>

// The sample rate in Hz stated by the header at the start of a sound (au in either byte order,
// wav, aiff, aifc, IRCAM sf, hcom or sox's text dat), or 0 when head is none of those or too short
// to tell.
double header_rate(const std::string &head);
