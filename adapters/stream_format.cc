#include "adapters/stream_format.h"

#include "adapters/sox_words.h"

std::vector<std::string> missing_stream_format(const std::vector<std::string> &args) {
  std::vector<SoxFile> files = sox_files(args);
  if (files.size() < 2) return {};
  const SoxFile &out = files.back();
  if (out.name != "-" || out.at + 1 != args.size() || !headerless_type(file_type(out))) return {};
  std::vector<std::string> missing;
  if (out.rate.empty()) missing.insert(missing.end(), {"-r", "8000"});
  if (out.channels.empty()) missing.insert(missing.end(), {"-c", "1"});
  return missing;
}
