#include "compose/name_checks.h"

#include <sys/stat.h>

#include <cstring>

#include "compose/options.h"

// Blanks around names are separators a user may type. A whole text with one inside that names an
// existing file (a link that leads nowhere included) shows the user meant one name, which sox would
// get as several.
static bool names_file_with_blank(const std::string &text) {
  struct stat st;
  return text.find(' ') != std::string::npos && lstat(text.c_str(), &st) == 0;
}

NameFault name_fault(const Settings &settings, bool for_player) {
  if (!settings.input_file_encoded) return INPUT_NOT_ENCODED;
  if (for_player && !settings.play_command_encoded) return PLAY_NOT_ENCODED;
  if (!for_player && !settings.output_file_encoded) return OUTPUT_NOT_ENCODED;
  if (!for_player && strchr(output_type_name(settings), ' ')) return OUTPUT_TYPE_BLANK;
  if (names_file_with_blank(settings.input_file)) return INPUT_NAME_BLANK;
  return NAMES_PASS;
}
