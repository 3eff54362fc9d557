// The converter commands of the effect stages: one sox process per pushed effect button, reading
// and writing the output type on standard input and output.
#pragma once

#include "compose/command_text.h"

enum Effect { ECHO, VIBRATO, LOWPASS, HIGHPASS, BANDPASS };

// The pushed effects in chain-building order, echo first (the stage nearest the destination).
// Returns how many were written to `effects` (room for five).
int selected_effects(Effect effects[5]);

// Composes the stage command of `effect` from the sliders and the output type, after clearing
// `command`. Each command ends in a blank.
void compose_stage(Effect effect, CommandText &command);

// Whether every pushed effect's stage command fits, so an action can refuse before it starts.
bool stage_commands_fit();
