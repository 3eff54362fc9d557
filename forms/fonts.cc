#include "forms/fonts.h"

#include <forms.h>

#include <iterator>

// The toolkit asks for these families at any resolution. Where the 100 dpi fonts are installed
// too (any desktop with the full X font set) the X server takes those first, and their glyphs
// are a third larger than the 75 dpi ones: labels get cut and run into each other. These are
// the toolkit's own names, in the order of its styles, with the resolution fixed.
static const char *const fonts_75dpi[] = {
    "-*-helvetica-medium-r-*-*-*-?-75-75-p-*-*-*", "-*-helvetica-bold-r-*-*-*-?-75-75-p-*-*-*",
    "-*-helvetica-medium-o-*-*-*-?-75-75-p-*-*-*", "-*-helvetica-bold-o-*-*-*-?-75-75-p-*-*-*",
    "-*-courier-medium-r-*-*-*-?-75-75-*-*-*-*",   "-*-courier-bold-r-*-*-*-?-75-75-*-*-*-*",
    "-*-courier-medium-o-*-*-*-?-75-75-*-*-*-*",   "-*-courier-bold-o-*-*-*-?-75-75-*-*-*-*",
    "-*-times-medium-r-*-*-*-?-75-75-p-*-*-*",     "-*-times-bold-r-*-*-*-?-75-75-p-*-*-*",
    "-*-times-medium-i-*-*-*-?-75-75-p-*-*-*",     "-*-times-bold-i-*-*-*-?-75-75-p-*-*-*",
};

void use_75dpi_fonts() {
  // Before fl_initialize the toolkit only records the names; it loads them when it starts.
  for (int style = 0; style < int(std::size(fonts_75dpi)); style++)
    fl_set_font_name(style, fonts_75dpi[style]);
}
