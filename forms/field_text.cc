#include "forms/field_text.h"

#include <ctype.h>
#include <iconv.h>
#include <langinfo.h>
#include <locale.h>

#include <algorithm>

#ifndef __GLIBC__
#error "HighBytesKept needs glibc's character class table"
#endif

std::string locale_codeset() {
  locale_t user = newlocale(LC_CTYPE_MASK, "", nullptr);
  if (!user) user = newlocale(LC_CTYPE_MASK, "C", nullptr);
  std::string codeset = nl_langinfo_l(CODESET, user);
  freelocale(user);
  return codeset;
}

static bool is_ascii(const std::string &text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return (unsigned char)c < 0x80; });
}

// False when iconv finds a character without a form in `to`, or converts one only approximately.
static bool convert(const std::string &to, const std::string &from, const std::string &in,
                    std::string &out) {
  iconv_t cd = iconv_open(to.c_str(), from.c_str());
  if (cd == iconv_t(-1)) return false;
  out.assign(in.size() * 4 + 16, '\0');  // room for any encoding's longest form, shifts included
  char *in_at = const_cast<char *>(in.data()), *out_at = &out[0];
  size_t in_left = in.size(), out_left = out.size();
  size_t inexact = iconv(cd, &in_at, &in_left, &out_at, &out_left);
  bool whole = inexact == 0 && iconv(cd, nullptr, nullptr, &out_at, &out_left) == 0;
  iconv_close(cd);
  out.resize(out.size() - out_left);
  return whole;
}

// Every locale's encoding spells ASCII as ASCII.
bool latin1_to_locale(const std::string &latin1, std::string &text) {
  if (is_ascii(latin1)) {
    text = latin1;
    return true;
  }
  return convert(locale_codeset(), "ISO-8859-1", latin1, text);
}

bool field_text(FL_OBJECT *field, std::string &text) {
  std::string own = fl_get_input(field);
  if (latin1_to_locale(own, text)) return true;
  text = own;
  return false;
}

static void set_latin1(FL_OBJECT *field, const std::string &latin1) {
  HighBytesKept kept;
  fl_set_input(field, latin1.c_str());
}

bool set_field_text(FL_OBJECT *field, const std::string &text) {
  std::string latin1 = text, back;
  if (!is_ascii(text) && !convert("ISO-8859-1", locale_codeset(), text, latin1)) return false;
  if (!latin1_to_locale(latin1, back) || back != text) return false;
  std::string before = fl_get_input(field);
  set_latin1(field, latin1);
  // What the toolkit keeps decides, whatever its rules for control characters.
  if (latin1 == fl_get_input(field)) return true;
  set_latin1(field, before);
  return false;
}

static unsigned short kept_table[384];  // indexed from -128, as glibc's own

HighBytesKept::HighBytesKept() : saved_(*__ctype_b_loc()) {
  if (saved_ == kept_table + 128) return;  // kept already
  std::copy(saved_ - 128, saved_ + 256, kept_table);
  for (int byte = 0x80; byte <= 0xff; byte++) kept_table[128 + byte] |= _ISprint;
  *__ctype_b_loc() = kept_table + 128;
}

HighBytesKept::~HighBytesKept() {
  *__ctype_b_loc() = saved_;
}
