// Names that would not reach sox, the file system or the player as the user meant them. The
// commands are split at blanks (process/split_args), so a blank inside a name makes several
// words of it, and a word can name another file.
#pragma once

#include "compose/settings.h"

enum NameFault {
  NAMES_PASS,
  INPUT_NOT_ENCODED,   // a field's text has no form in the locale's encoding
  OUTPUT_NOT_ENCODED,  // (Convert alone)
  PLAY_NOT_ENCODED,    // (Play alone)
  OUTPUT_TYPE_BLANK,   // the type taken from the output name holds a blank (Convert alone)
  INPUT_NAME_BLANK,    // the input field's whole text names an existing file, with a blank
};

// The first fault of the names an action uses: Convert's, or with `for_player` Play's, which
// uses no output name. Looks at the file system for the input's name.
NameFault name_fault(const Settings &settings, bool for_player);
