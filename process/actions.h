// Convert, Play and Stop: the actions Corvane exists for.
#pragma once

#include "compose/command_text.h"

// The main converter command of the current action.
extern CommandText command_buffer;

// convert_cb, play_cb and stop_cb are declared with the main form that binds them.
