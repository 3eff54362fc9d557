#pragma once
// Classic one-effect sox command lines, turned into what today's sox accepts.

#include <cstddef>
#include <string>
#include <vector>

// Index of the classic effect word (echo, vibro, lowp, highp, band) that ends args together with
// only its classic numeric arguments, or 0 when args hold no such effect. args[0] is the program.
size_t classic_effect_at(const std::vector<std::string> &args);

// Whether the rewrite of the effect word needs the input's sample rate to keep sox from refusing.
bool needs_rate(const std::string &word);

// args with the classic effect at args[at] replaced by today's equivalent, for input sampled at
// rate Hz (0 when unknown: rate-dependent limits are then left to sox).
std::vector<std::string> with_modern_effect(const std::vector<std::string> &args, size_t at,
                                            double rate);
