// The X server has the core fonts the windows and dialogs are drawn in, at the size they are laid
// out for: without them the toolkit falls back to the server's "fixed", and with only larger ones
// labels are cut and run into each other.
#include <gtest/gtest.h>  // before the X headers, whose macros clash with it

#include <X11/Xlib.h>

#include <cstring>
#include <set>
#include <string>
#include <utility>

#include "forms/dialogs.h"
#include "forms/effects_form.h"
#include "forms/main_form.h"
#include "tests/support/gui_test.h"

namespace {

using Font = std::pair<int, int>;  // style (without the embossed and other effects), size

// Objects draw their label, and text fields and sliders their text, in the object's font.
void add_fonts(FL_FORM *form, std::set<Font> *fonts) {
  for (FL_OBJECT *obj = form->first; obj; obj = obj->next)
    fonts->insert({obj->lstyle % FL_SHADOW_STYLE, obj->lsize});
}

// "Family Weight pixel-size" of the font the toolkit draws the style and size in.
std::string loaded(Font font) {
  Display *display = fl_get_display();
  XFontStruct *fs = fl_get_font_struct(font.first, font.second);
  auto property = [&](const char *name) {
    unsigned long value = 0;
    return fs && XGetFontProperty(fs, XInternAtom(display, name, False), &value) ? value : 0;
  };
  auto atom = [&](const char *name) {
    char *text = property(name) ? XGetAtomName(display, property(name)) : nullptr;
    std::string s = text ? text : "?";
    if (text) XFree(text);
    return s;
  };
  return atom("FAMILY_NAME") + " " + atom("WEIGHT_NAME") + " " +
         std::to_string(property("PIXEL_SIZE"));
}

TEST(Fonts, EveryOneInItsFamilyWeightAndSize) {
  start_gui_once();
  // The toolkit's own at its default size (courier for fixed text), then those of both windows
  // and of an alert.
  std::set<Font> fonts = {{FL_NORMAL_STYLE, FL_DEFAULT_SIZE},
                          {FL_BOLD_STYLE, FL_DEFAULT_SIZE},
                          {FL_FIXED_STYLE, FL_DEFAULT_SIZE}};
  add_fonts(main_form->form, &fonts);
  add_fonts(effects_form->form, &fonts);
  alerts_during([] { show_alert("Error: no inputfile set !"); },
                [&](FL_FORM *alert) { return add_fonts(alert, &fonts), true; });
  const char *families[] = {"Helvetica", "Courier", "Times"};
  for (Font font : fonts) {
    ASSERT_LT(font.first, 12) << "a style of another family";
    std::string wanted = std::string(families[font.first / 4]) + " " +
                         (font.first % 2 ? "Bold" : "Medium") + " " + std::to_string(font.second);
    EXPECT_EQ(loaded(font), wanted) << "style " << font.first << ", size " << font.second;
  }
}

// Labels inside their object fit in it: the text objects draw 5 pixels in from either side.
TEST(Fonts, LabelsInsideTheirObjectFit) {
  start_gui_once();
  for (FL_FORM *form : {main_form->form, effects_form->form})
    for (FL_OBJECT *obj = form->first; obj; obj = obj->next)
      if (obj->objclass == FL_TEXT && obj->label && *obj->label) {
        int width = fl_get_string_width(obj->lstyle, obj->lsize, obj->label, strlen(obj->label));
        EXPECT_LE(width, obj->w - 10) << obj->label;
      }
}

}  // namespace
