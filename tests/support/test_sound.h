#pragma once
// Raw signed 16-bit little-endian sound for measuring effects in tests.

#include <string>
#include <vector>

// Samples scaled to -1..1.
std::vector<double> read_s16(const std::string &path);
void write_s16(const std::string &path, const std::vector<double> &samples);

// Root mean square of samples[from, to).
double rms(const std::vector<double> &samples, size_t from, size_t to);

double decibels(double ratio);
