#pragma once

// Cuts command into words in place (NUL over the separating blanks) without any shell rules: only
// the blank separates, runs of blanks count as one, and the last word keeps its trailing blanks.
// Returns a malloc'd vector of pointers into command, ended by a null pointer (free() it), or
// NULL when memory ran out.
char **split_args(char *command);
