// The console of a real start-up taking in a file of diagnostics that a child (cat) writes to the
// console's pipe, as a converter would; callgrind counts the read callback's instructions alone.
//   ingest console|bytewise FILE   with the console's own reader, or one that reads byte by byte
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>

#include "app/app.h"
#include "console/console.h"

// The reading that the console's line rules describe: a line ends at a newline or after 78 bytes.
static void bytewise_read_cb(int fd, void *) {
  FL_OBJECT *browser = main_form->console;
  fl_freeze_form(browser->form);
  char line[80], c;
  int column = 1, used = 0;
  while (read(fd, &c, 1) > 0) {
    if (c != '\n') line[used++] = c;
    if (c == '\n' || ++column > 78) {
      line[used] = '\0';
      fl_addto_browser(browser, line);
      column = 1, used = 0;
    }
  }
  line[used] = '\0';
  if (used > 0) fl_addto_browser(browser, line);
  if (fl_get_browser_maxline(browser) > 25)
    for (int i = 0; i < 11; i++) fl_delete_browser_line(browser, 1);
  fl_unfreeze_form(browser->form);
}

int main(int argc, char **argv) {
  bool bytewise = argc == 3 && strcmp(argv[1], "bytewise") == 0;
  if (argc != 3 || (!bytewise && strcmp(argv[1], "console") != 0)) return 2;
  int toolkit_argc = 1;
  start_up(&toolkit_argc, argv);
  if (bytewise) {
    fl_remove_io_callback(console_fd(), FL_READ, console_read_cb);
    fl_add_io_callback(console_fd(), FL_READ, bytewise_read_cb, nullptr);
  }
  fl_check_forms();
  pid_t writer = fork();
  if (writer == 0) {
    dup2(console_child_fd(), STDOUT_FILENO);
    execlp("cat", "cat", argv[2], (char *)nullptr);
    _exit(127);
  }
  // The event loop's turns, until the writer has ended and the console has taken every byte.
  int status = 1, unread = 0;
  while (waitpid(writer, &status, WNOHANG) == 0 ||
         (ioctl(console_fd(), FIONREAD, &unread) == 0 && unread > 0)) {
    pollfd ready = {console_fd(), POLLIN, 0};
    poll(&ready, 1, 50);
    fl_check_forms();
  }
  return status != 0;
}
