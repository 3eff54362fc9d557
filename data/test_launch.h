// Starting Corvane through its launcher, for tests that drive it with the e2e harness.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

#include "tests/e2e/harness.h"

// Starts `launcher` the way the harness starts the program (own process group, fresh working
// directory app.dir, output in stdout.log) and waits for the main window; false after a test
// failure when it does not show. PATH is `path` behind app.dir/bin, which holds a recording
// `aplay` stand-in (see calls()); the launcher puts its helpers in front of both. env adds
// "NAME=value" entries.
bool start_launcher(App &app, const std::string &launcher, const std::string &path,
                    const std::vector<std::string> &env = {});

// An environment variable of a running process, read from /proc; empty when it is unset.
std::string environment_of(pid_t pid, const std::string &name);

// The process ids of pid's children that have not been collected yet.
std::vector<pid_t> children_of(pid_t pid);
