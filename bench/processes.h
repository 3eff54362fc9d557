// Starting the programs under measurement and watching every process they start in turn.
#pragma once

#include <sys/types.h>

#include <string>
#include <utility>
#include <vector>

struct Launch {
  Launch(std::vector<std::string> argv, std::vector<std::string> env = {}, std::string dir = {})
      : argv(std::move(argv)), env(std::move(env)), dir(std::move(dir)) {}
  std::vector<std::string> argv;    // searched on PATH
  std::vector<std::string> env;     // extra "NAME=value" entries, overriding inherited ones
  std::string dir;                  // working directory; empty: the bench's own
  int in = -1, out = -1, err = -1;  // descriptors for 0, 1 and 2; -1: /dev/null
};

// Makes this process the reaper of every orphan its descendants leave, so that no process of a
// measurement escapes to init and none is left as a zombie (see reap_orphans).
void become_subreaper();

// Starts the program in its own process group; -1 (after a message) when it cannot be started.
pid_t spawn(const Launch &launch);

// Waits for a child started by spawn; its exit code, or 128 + signal.
int wait_child(pid_t pid);

// Kills a child's whole process group and collects the child.
void kill_group(pid_t pid);

// Collects every ended child that is not one of `keep`.
void reap_orphans(const std::vector<pid_t> &keep);

// The processes below root, children first; empty when root has none or is gone.
std::vector<pid_t> descendants(pid_t root);

// True when pid is gone or has ended (a zombie not collected yet).
bool ended(pid_t pid);

// Waits until at least `count` processes have appeared below root, then until every process seen
// below it has ended, processes they start meanwhile included (count 0: only those running
// now). Returns the time the last one ended; 0 when they did not appear or end within `seconds`.
double wait_tree_done(pid_t root, size_t count, double seconds);

// Waits until `count` processes running the program `exe` (a path) are seen: root itself or
// processes below it. Returns the time they were; 0 when they were not within `seconds`.
double wait_running(pid_t root, const std::string &exe, size_t count, double seconds);

// Waits until pid stops using the processor: the start of the first 20 ms in which it used less
// than half a millisecond. Returns that time, or 0 when it is still busy after `seconds`.
double wait_cpu_quiet(pid_t pid, double seconds);

// Runs a program to its end (stdout to out, -1: /dev/null); its exit code, or 128 + signal.
int run(const Launch &launch);

// VmRSS of pid in KiB, from /proc; -1 when unknown.
long resident_kib(pid_t pid);

// Waits until pid sleeps and has used no processor time for a while: its start-up is over.
bool wait_idle(pid_t pid, double seconds);
