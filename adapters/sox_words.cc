#include "adapters/sox_words.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace {

const char *const kHeaderlessTypes[] = {
    "raw", "ub",  "sb", "uw",  "sw",  "ul",  "al",  "lu",  "la",  "sl",  "s1",  "s2",
    "s3",  "s4",  "s8", "s16", "s24", "s32", "u1",  "u2",  "u3",  "u4",  "u8",  "u16",
    "u24", "u32", "f4", "f8",  "f32", "f64", "sln", "vox", "ima", "gsm", "cvsd"};

// Long options of today's sox that take the following word as their value; the short ones are
// the letters t r c b e v C.
const char kLongValueOptions[] =
    " --type --rate --channels --bits --encoding --volume --compression --comment --comment-file"
    " --add-comment --buffer --input-buffer --combine --effects-file --plot --replay-gain --temp"
    " --play-rate-arg ";

bool takes_value(const std::string &a) {
  if (a.size() == 2) return std::strchr("trcbevC", a[1]) != nullptr;
  return std::strstr(kLongValueOptions, (" " + a + " ").c_str()) != nullptr;
}

}  // namespace

std::vector<SoxFile> sox_files(const std::vector<std::string> &args) {
  std::vector<SoxFile> files;
  SoxFile next;
  for (size_t i = 1; i < args.size(); ++i) {
    const std::string &a = args[i];
    if (a.size() < 2 || a[0] != '-' || a == "-n" || a == "--null") {
      next.name = a;
      next.at = i;
      files.push_back(next);
      next = SoxFile();
      continue;
    }
    std::string name = a, value;
    size_t eq = a.find('=');
    if (a[1] == '-' && eq != std::string::npos) {
      name = a.substr(0, eq);
      value = a.substr(eq + 1);
    } else if (a[1] != '-' && a.size() > 2 && std::strchr("trcbevC", a[1])) {
      name = a.substr(0, 2);  // a value written right after the letter: -twav
      value = a.substr(2);
    } else if (takes_value(a) && i + 1 < args.size()) {
      value = args[++i];
    }
    if (name == "-t" || name == "--type") next.type = value;
    if (name == "-r" || name == "--rate") next.rate = value;
    if (name == "-c" || name == "--channels") next.channels = value;
  }
  return files;
}

std::string file_type(const SoxFile &file) {
  std::string t = file.type;
  if (t.empty() && file.name != "-") {
    size_t slash = file.name.rfind('/'), dot = file.name.rfind('.');
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash))
      t = file.name.substr(dot + 1);
  }
  std::transform(t.begin(), t.end(), t.begin(), [](unsigned char c) { return std::tolower(c); });
  return t;
}

bool headerless_type(const std::string &type) {
  for (const char *t : kHeaderlessTypes)
    if (type == t) return true;
  return false;
}
