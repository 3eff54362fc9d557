// The option text of the main converter command, from the settings of the two windows. These
// routines only append text: none of them shows anything or starts anything.
#pragma once

#include "compose/command_text.h"
#include "compose/settings.h"

void add_volume_option(const Settings &settings, CommandText &command);
// Input format options and the input file name; -1, appending nothing, when no input file is set.
int add_input_file(const Settings &settings, CommandText &command);
void add_input_options(const Settings &settings, CommandText &command);
void add_output_options(const Settings &settings, CommandText &command);
// The output type: the chosen one, else the text after the last dot of the output file name
// (anywhere in the path), else "unknown". May point into `settings`.
const char *output_type_name(const Settings &settings);
// Appends the output file name to `path`; -1 when none is set or it does not fit (then
// path.overflow is set).
int get_output_file(const Settings &settings, CommandText &path);
