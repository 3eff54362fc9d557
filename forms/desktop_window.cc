#include "forms/desktop_window.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

#include "forms/corvane_icon.h"  // written at build time from data/io.github.corvane.Corvane.png

static std::vector<FL_FORM *> corvane_forms;  // every form ever shown through show_window
static bool busy;

static void set_cardinals(Window window, const char *property, const std::vector<long> &values) {
  Display *display = fl_get_display();
  XChangeProperty(display, window, XInternAtom(display, property, False), XA_CARDINAL, 32,
                  PropModeReplace, reinterpret_cast<const unsigned char *>(values.data()),
                  static_cast<int>(values.size()));
}

// One colour channel of an 8-bit value in a TrueColor pixel with the given mask.
static unsigned long channel(unsigned long value, unsigned long mask) {
  int shift = __builtin_ctzl(mask);
  unsigned long top = mask >> shift;  // all ones, as many as the channel has bits
  return (value * top + 127) / 255 << shift;
}

// The icon at the screen's default depth, with a one-bit mask where it is more than half opaque,
// for the window managers and taskbars that read WM_HINTS alone. Made once; none (0) on a
// screen whose default visual is not TrueColor, where _NET_WM_ICON still shows it.
static void icon_pixmaps(Pixmap *icon, Pixmap *mask) {
  static Pixmap made_icon, made_mask;
  static bool tried;
  if (!tried) {
    tried = true;
    Display *display = fl_get_display();
    int screen = DefaultScreen(display);
    Visual *visual = DefaultVisual(display, screen);
    int depth = DefaultDepth(display, screen);
    XImage *image = visual->c_class == TrueColor
                        ? XCreateImage(display, visual, depth, ZPixmap, 0, nullptr, icon_width,
                                       icon_height, 32, 0)
                        : nullptr;
    if (image && (image->data = static_cast<char *>(malloc(image->bytes_per_line * icon_height)))) {
      int row_bytes = (icon_width + 7) / 8;
      std::vector<char> opaque(row_bytes * icon_height);  // XBM layout: lowest bit leftmost
      for (int y = 0; y < icon_height; y++)
        for (int x = 0; x < icon_width; x++) {
          unsigned long argb = icon_argb[y * icon_width + x];
          XPutPixel(image, x, y,
                    channel(argb >> 16 & 0xff, visual->red_mask) |
                        channel(argb >> 8 & 0xff, visual->green_mask) |
                        channel(argb & 0xff, visual->blue_mask));
          if ((argb >> 24) >= 0x80) opaque[y * row_bytes + x / 8] |= 1 << (x % 8);
        }
      Window root = RootWindow(display, screen);
      made_icon = XCreatePixmap(display, root, icon_width, icon_height, depth);
      GC gc = XCreateGC(display, made_icon, 0, nullptr);
      XPutImage(display, made_icon, gc, image, 0, 0, 0, 0, icon_width, icon_height);
      XFreeGC(display, gc);
      made_mask = XCreateBitmapFromData(display, root, opaque.data(), icon_width, icon_height);
    }
    if (image) XDestroyImage(image);  // frees the pixel data too
  }
  *icon = made_icon;
  *mask = made_mask;
}

void show_window(FL_FORM *form, int place, const char *title) {
  Pixmap icon, mask;
  icon_pixmaps(&icon, &mask);
  if (icon) fl_set_form_icon(form, icon, mask);  // the toolkit writes them into WM_HINTS
  fl_prepare_form_window(form, place, FL_FULLBORDER, title);
  Window window = form->window;  // none when the toolkit refused the form
  if (!window) return;

  set_cardinals(window, "_NET_WM_PID", {static_cast<long>(getpid())});
  std::vector<long> net_icon = {icon_width, icon_height};
  net_icon.insert(net_icon.end(), std::begin(icon_argb), std::end(icon_argb));
  set_cardinals(window, "_NET_WM_ICON", net_icon);
  if (busy) fl_set_cursor(window, FL_BUSY_CURSOR);
  fl_show_form_window(form);

  bool known = false;
  for (FL_FORM *f : corvane_forms) known |= f == form;
  if (!known) corvane_forms.push_back(form);
}

void show_busy_cursor(bool on) {
  busy = on;
  for (FL_FORM *form : corvane_forms)
    if (form->visible > 0 && form->window)
      fl_set_cursor(form->window, on ? FL_BUSY_CURSOR : FL_DEFAULT_CURSOR);
  XFlush(fl_get_display());  // at once, not at the next request the wait happens to make
}
