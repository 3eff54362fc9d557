// Composition as the actions call it: each routine reads the two windows into Settings and
// composes from that value. Only here does composition meet the toolkit: the routines that can
// fail for a user reason tell the user with an alert.
#pragma once

#include "compose/effect_stages.h"
#include "compose/options.h"

// The controls' current values.
Settings read_settings();

void add_volume_option(CommandText &command);
// -1 after an alert when no input file is set.
int add_input_file(CommandText &command);
void add_output_options(CommandText &command);
// Appends the output file name to `path`; -1 after an alert when none is set or it is too long.
int get_output_file(CommandText &path);

// -1 after an alert when a name the action uses would not reach the system as the user meant
// it: Convert's names, or with `for_player` Play's, which uses no output name.
int check_names(bool for_player);

int selected_effects(Effect effects[5]);
void compose_stage(Effect effect, CommandText &command);
bool stage_commands_fit();
