// Start-up, initial values and the two simplest actions of the main window.
#pragma once

#include "forms/main_form.h"

// Builds both forms, shows the main window and sets every initial value: after this the program
// only waits for the event loop. Hands argc/argv to the toolkit, which takes its own options.
void start_up(int *argc, char **argv);

// The initial values of the controls; starts the console and the collection of ended children.
void init_defaults(FD_main *fdui);

// Counter of whole sample rates from 0 (no rate option) to 45000.
void setup_rate_counter(FL_OBJECT *counter);
