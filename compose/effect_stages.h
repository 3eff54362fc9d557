// The converter commands of the effect stages: one sox process per pushed effect button, reading
// and writing the output type on standard input and output.
#pragma once

#include "compose/command_text.h"
#include "compose/settings.h"

// The pushed effects in chain-building order, echo first. Returns how many were written to
// `effects` (room for five).
int selected_effects(const Settings &settings, Effect effects[5]);

// Composes the stage command of `effect` after clearing `command`. Each command ends in a blank.
void compose_stage(const Settings &settings, Effect effect, CommandText &command);

// Whether every pushed effect's stage command fits, so an action can refuse before it starts.
bool stage_commands_fit(const Settings &settings);
