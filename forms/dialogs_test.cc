// The alert as it reaches the screen of the real X server: its lines, the first one in the dialog
// font's normal weight, the window centred and never wider than the screen, whatever it shows.
#include <gtest/gtest.h>  // before the X headers, whose macros clash with it

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "forms/dialogs.h"
#include "tests/support/gui_test.h"

namespace {

struct Look {
  int x = 0, y = 0, w = 0, h = 0;  // the window on the screen
  FL_Coord button[4] = {};         // x, y, w, h in the window
  int first_ink = 0;               // the width of the first line's black pixels
};

// The columns of the object's rectangle in the window that hold a black pixel, first to last.
int ink_width(Window window, const FL_OBJECT *obj) {
  XImage *image =
      XGetImage(fl_get_display(), window, obj->x, obj->y, obj->w, obj->h, AllPlanes, ZPixmap);
  if (!image) return 0;
  int left = obj->w, right = -1;
  for (int x = 0; x < obj->w; x++)
    for (int y = 0; y < obj->h; y++)
      if ((XGetPixel(image, x, y) & 0xffffff) == 0) left = std::min(left, x), right = x;
  XDestroyImage(image);
  return right - left + 1;
}

// Takes the alert's look once its first line (the first label) has been drawn.
bool look_at(FL_FORM *alert, Look *seen) {
  Display *display = fl_get_display();
  XWindowAttributes a{};
  Window child;
  XGetWindowAttributes(display, alert->window, &a);
  if (a.map_state != IsViewable) return false;
  XTranslateCoordinates(display, alert->window, a.root, 0, 0, &seen->x, &seen->y, &child);
  seen->w = a.width, seen->h = a.height;
  FL_OBJECT *first = nullptr;
  for (FL_OBJECT *obj = alert->first; obj; obj = obj->next) {
    if (obj->objclass == FL_BUTTON)
      fl_get_object_geometry(obj, &seen->button[0], &seen->button[1], &seen->button[2],
                             &seen->button[3]);
    if (obj->label && *obj->label && !first) first = obj;
  }
  if (!first) return false;
  seen->first_ink = ink_width(alert->window, first);
  return seen->first_ink > 0;
}

TEST(Alert, LinesInTheDialogFontOnTheScreen) {
  start_gui_once();
  const std::string open_failed = "Error: cannot open outputfile !",
                    too_long = ": File name too long";
  const std::string name(999, 'o'), shown_name = name + too_long;
  struct Row {
    std::string first, second, third;
    std::string shown;  // the lines read back; for a shortened line, only what precedes it
  } rows[] = {
      {open_failed, "out.wav: Permission denied", "", open_failed + "\nout.wav: Permission denied"},
      {"Error: no inputfile set !", "", "", "Error: no inputfile set !"},
      // Text, not the toolkit's symbols.
      {"@first", "@second", "@third", "@first\n@second\n@third"},
      // What a Convert into a 999-character output name shows: the middle of the name gives way.
      {open_failed, shown_name, "", open_failed + "\n"},
  };
  const int screen_w = DisplayWidth(fl_get_display(), fl_screen);
  const int screen_h = DisplayHeight(fl_get_display(), fl_screen);
  for (const Row &row : rows) {
    SCOPED_TRACE(row.second.substr(0, 40));
    Look seen;
    std::string text =
        alerts_during([&] { show_alert(row.first.c_str(), row.second.c_str(), row.third.c_str()); },
                      [&](FL_FORM *alert) { return look_at(alert, &seen); });
    if (row.second == shown_name) {
      std::string line = text.substr(row.shown.size());
      EXPECT_EQ(text.substr(0, row.shown.size()), row.shown);
      EXPECT_EQ(line.substr(0, 10), name.substr(0, 10));
      EXPECT_NE(line.find("o...o"), std::string::npos) << line;
      EXPECT_EQ(line.substr(line.size() - too_long.size()), too_long);
    } else {
      EXPECT_EQ(text, row.shown);
    }

    ASSERT_GT(seen.first_ink, 0) << "no alert was drawn";
    EXPECT_TRUE(seen.x >= 0 && seen.y >= 0);
    EXPECT_LE(seen.x + seen.w, screen_w);
    EXPECT_LE(std::abs(2 * seen.x + seen.w - screen_w), 1) << "not centred";
    EXPECT_LE(std::abs(2 * seen.y + seen.h - screen_h), 1) << "not centred";
    const FL_Coord *b = seen.button;
    EXPECT_TRUE(b[2] > 0 && b[0] >= 0 && b[1] >= 0 && b[0] + b[2] <= seen.w &&
                b[1] + b[3] <= seen.h);

    // The first line is in the dialog font's normal weight: its ink is nearer the line's width
    // in that font than in bold, which the toolkit's own alert uses.
    const char *first = row.first.c_str();
    int len = int(row.first.size());
    int normal = fl_get_string_width(dialog_font_style, dialog_font_size, first, len);
    int bold = fl_get_string_width(FL_BOLD_STYLE, dialog_font_size, first, len);
    EXPECT_LT(2 * seen.first_ink, normal + bold)
        << "ink " << seen.first_ink << ", normal weight " << normal << ", bold " << bold;
  }
}

}  // namespace
