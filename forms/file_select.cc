// The two Select buttons: pick a file with the toolkit's file selector.
#include <ctype.h>

#include <string>

#include "forms/dialogs.h"
#include "forms/field_text.h"
#include "forms/main_form.h"

static bool ends_with(const std::string &text, const std::string &end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// What the selector's name field keeps of `text` while HighBytesKept lives: no control character.
static std::string kept_by_field(const std::string &text) {
  HighBytesKept kept;
  std::string left;
  for (char c : text)
    if (isprint((unsigned char)c)) left += c;
  return left;
}

// Puts the selected name into `field`; false when the selector is cancelled or, after an alert,
// when the name cannot pass through the field unchanged. The selector remembers its directory
// between calls; an empty directory argument keeps it.
//
// The selector's own name field keeps only what isprint() accepts. With the high bytes kept while
// it shows, a name picked from its list comes back as the file system spells it, unless it holds a
// control character, which the field drops. What the user typed into that field instead is
// Latin-1, the toolkit's keyboard input, and is put into the locale's encoding here.
static bool select_file(const char *message, FL_OBJECT *field) {
  const char *chosen;
  {
    HighBytesKept kept;
    chosen = fl_show_fselector(message, "", "*", "");
  }
  if (!chosen) return false;
  std::string name = chosen, own;
  FD_FSELECTOR *selector = fl_get_fselector_fdstruct();
  std::string typed = fl_get_input(selector->input);
  int line = fl_get_browser(selector->browser);
  // A line of the list starts with the entry's type marker and a blank.
  std::string entry = line > 0 ? fl_get_browser_line(selector->browser, line) : "";
  entry.erase(0, 2);
  bool listed = line > 0 && typed == entry;
  bool cut = line > 0 && !listed && typed == kept_by_field(entry);  // by the toolkit
  bool passes = listed || (!cut && ends_with(name, typed) && latin1_to_locale(typed, own));
  if (passes && !listed) name.replace(name.size() - typed.size(), typed.size(), own);
  if (passes && set_field_text(field, name)) return true;
  std::string why = "A field holds printable Latin-1 letters in the locale's encoding (" +
                    locale_codeset() + ") only.";
  show_alert("Error: this file name cannot pass unchanged !", why.c_str());
  return false;
}

void select_input_cb(FL_OBJECT *, long) {
  select_file("Select Inputfile", main_form->input_file);
}

void select_output_cb(FL_OBJECT *, long) {
  // A new name brings its own extension: let the type follow it again.
  if (select_file("Select Outputfile", main_form->output_file))
    fl_set_choice(main_form->output_type, 1);
}
