// Text between the windows' fields and the rest of the system. The program runs in the C locale
// (printf's numbers keep their full stop, and the toolkit's keyboard input stays Latin-1), and the
// toolkit's fonts show Latin-1: a field holds Latin-1. Names and commands leave it in the encoding
// of the user's locale (LC_CTYPE from the environment), the one file names are written in.
#pragma once

#include <forms.h>

#include <string>

// The encoding of the user's locale, such as "UTF-8"; the C locale's "ANSI_X3.4-1968" when the
// environment names none or one that is not installed.
std::string locale_codeset();

// The field's text in the locale's encoding. False, with the field's own bytes in `text`, when a
// character of it has no form there.
bool field_text(FL_OBJECT *field, std::string &text);

// Puts `text`, given in the locale's encoding, into the field so that field_text() gives it back
// unchanged. False, leaving the field as it was, when the field cannot hold it: a character
// beyond Latin-1, bytes that are no text in the locale's encoding, or a control character.
bool set_field_text(FL_OBJECT *field, const std::string &text);

// Latin-1 text, as typed into a field, in the locale's encoding; false when it has no form there.
bool latin1_to_locale(const std::string &latin1, std::string &text);

// While one lives, the bytes 0x80 to 0xFF count as printable: the toolkit keeps in a field only
// what isprint() accepts (fl_set_input), which in the C locale is ASCII alone, so that any other
// letter of a name would be dropped from it. It swaps glibc's character class table of this
// thread, the pointer uselocale() sets, for a copy that differs in those bytes alone.
class HighBytesKept {
 public:
  HighBytesKept();
  ~HighBytesKept();
  HighBytesKept(const HighBytesKept &) = delete;
  HighBytesKept &operator=(const HighBytesKept &) = delete;

 private:
  const unsigned short *saved_;
};
