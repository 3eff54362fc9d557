// How Corvane's parts meet.
//
// start_up() (app/) builds the two windows (forms/), shows the main one and gives every control
// its initial value; from then on everything happens in toolkit callbacks on this one thread.
// The Convert and Play buttons (process/actions) read the settings through the composition
// routines (compose/), which only write command text, and start the converters and the player
// through the runner (process/run_command), which knows processes and nothing of windows. Every
// child is watched through a pidfd that the event loop reports when the child ends, so the
// program collects its own children and Stop can never reach a stranger. A Convert writes into a
// new file beside the output (process/conversion), which takes the output's name once every
// process of it has ended well, as the collected children tell. Standard error, the program's and
// every child's, is a pipe whose read end the event loop drains into the console browser
// (console/), a sink that never acts on what it shows. When the program ends, the children it
// leaves get a reader of that pipe of their own, and no conversion leaves a file behind.
#include "app/app.h"

#include <forms.h>
#include <unistd.h>

int main(int argc, char **argv) {
  // Descriptors from 3 up that the program was started with are none of Corvane's, and no child
  // gets them (the runner closes them in every child); left open, they would take the numbers
  // below FD_SETSIZE that the event loop's select() needs for the X connection, the console and
  // every child. Closed here, before start-up opens anything; the tests and benchmarks that call
  // start_up() keep theirs.
  close_range(3, ~0U, 0);
  start_up(&argc, argv);
  for (;;) fl_do_forms();  // objects without callback report interactions; nothing to do then
}
