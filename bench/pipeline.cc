#include "bench/pipeline.h"

#include <stdlib.h>

#include <algorithm>
#include <fstream>

std::vector<Call> read_calls(const std::string &path) {
  std::vector<Call> calls;
  std::ifstream in(path);
  for (std::string line; std::getline(in, line);) {
    Call call{};
    size_t at = line.find('\037');
    call.pid = atol(line.substr(0, at).c_str());
    while (at != std::string::npos) {
      size_t next = line.find('\037', at + 1);
      call.argv.push_back(line.substr(at + 1, next == std::string::npos ? next : next - at - 1));
      at = next;
    }
    if (!call.argv.empty()) calls.push_back(call);
  }
  // Process ids grow with every start; the records themselves may land in any order.
  std::sort(calls.begin(), calls.end(), [](const Call &a, const Call &b) { return a.pid < b.pid; });
  return calls;
}

std::string shell_word(const std::string &word) {
  std::string q = "'";
  for (char c : word) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

std::string shell_pipeline(const std::vector<Call> &started, const std::string &tail) {
  std::string text;
  for (auto call = started.rbegin(); call != started.rend(); ++call) {
    if (!text.empty()) text += " | ";
    for (size_t i = 0; i < call->argv.size(); i++)
      text += (i ? " " : "") + shell_word(call->argv[i]);
  }
  return text + " " + tail;
}
