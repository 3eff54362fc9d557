// The option text of the main converter command, read from the two windows' settings. These
// routines only append text; none of them starts anything.
#pragma once

#include "compose/command_text.h"

void add_volume_option(CommandText &command);
// Input format options and the input file name; -1 after an alert when no input file is set.
int add_input_file(CommandText &command);
void add_input_options(CommandText &command);
void add_output_options(CommandText &command);
// The output type: the chosen one, else the text after the last dot of the output file name
// (anywhere in the path), else "unknown". May point into the output file field's text.
const char *output_type_name();
// Appends the output file name to `path`; -1 after an alert when none is set or it is too long.
int get_output_file(CommandText &path);
