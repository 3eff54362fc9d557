// Pasting through the primary selection: the test process owns it for as long as it takes the
// program to ask for it once.
#include <gtest/gtest.h>  // before Xlib, whose macros break GoogleTest's names
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <poll.h>

#include <chrono>

#include "tests/hostile/hostile.h"

// Answers one request for the selection: the text for any text target, else a refusal.
static void serve(Display *display, const XSelectionRequestEvent &request, const std::string &text,
                  bool *served) {
  XSelectionEvent reply{};
  reply.type = SelectionNotify;
  reply.requestor = request.requestor;
  reply.selection = request.selection;
  reply.target = request.target;
  reply.time = request.time;
  reply.property = None;
  Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
  Atom property = request.property != None ? request.property : request.target;
  if (request.target == XA_STRING || request.target == utf8) {
    XChangeProperty(display, request.requestor, property, request.target, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char *>(text.data()),
                    static_cast<int>(text.size()));
    reply.property = property;
    *served = true;
  }
  XSendEvent(display, request.requestor, False, NoEventMask, reinterpret_cast<XEvent *>(&reply));
  XFlush(display);
}

bool paste(Window w, Box field, const std::string &text) {
  fill_field(w, field, "");
  Display *display = XOpenDisplay(nullptr);
  if (!display) {
    ADD_FAILURE() << "paste: cannot open the display";
    return false;
  }
  Window owner = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 1, 1, 0, 0, 0);
  XSetSelectionOwner(display, XA_PRIMARY, owner, CurrentTime);
  bool owned = XGetSelectionOwner(display, XA_PRIMARY) == owner;
  bool served = false;
  if (owned) {
    click(w, field, 2);
    auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!served && std::chrono::steady_clock::now() < end) {
      if (!XPending(display)) {
        pollfd connection = {ConnectionNumber(display), POLLIN, 0};
        poll(&connection, 1, 50);
        continue;
      }
      XEvent event;
      XNextEvent(display, &event);
      if (event.type == SelectionRequest) serve(display, event.xselectionrequest, text, &served);
    }
  }
  XDestroyWindow(display, owner);
  XCloseDisplay(display);
  if (!owned) ADD_FAILURE() << "paste: could not own the primary selection";
  if (owned && !served) ADD_FAILURE() << "paste: the program never asked for the selection";
  return served;
}
