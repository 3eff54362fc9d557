#include "forms/dialogs.h"

#include <X11/Xutil.h>

#include <algorithm>
#include <string>

// The toolkit's own alert shows its first line in bold whatever the dialog font, and makes itself
// as wide as its longest line, past the screen's edge with a long file name; its question has no
// key for No but N. These are built the same way, with those differences.

static void set_dialog_font(FL_OBJECT *obj) {
  fl_set_object_lstyle(obj, dialog_font_style);
  fl_set_object_lsize(obj, dialog_font_size);
}

static int text_width(const std::string &text) {
  return fl_get_string_width(dialog_font_style, dialog_font_size, text.c_str(), int(text.size()));
}

static bool inside_a_character(char byte) {  // a UTF-8 continuation byte
  return (static_cast<unsigned char>(byte) & 0xc0) == 0x80;
}

// At most `width` pixels of `text`: a wider line keeps as much of its beginning and its end as
// fits around "..." (a file name's folder and extension, an error's reason), never splitting a
// UTF-8 character.
static std::string fit(const char *text, int width) {
  std::string line = text ? text : "";
  if (text_width(line) <= width) return line;
  auto shortened = [&](size_t kept) {
    size_t head = (kept + 1) / 2, tail = line.size() - kept / 2;
    while (head > 0 && inside_a_character(line[head])) head--;
    while (tail < line.size() && inside_a_character(line[tail])) tail++;
    return line.substr(0, head) + "..." + line.substr(tail);
  };
  size_t fits = 0, too_wide = line.size();  // counts of kept bytes
  while (too_wide - fits > 1) {
    size_t kept = (fits + too_wide) / 2;
    (text_width(shortened(kept)) <= width ? fits : too_wide) = kept;
  }
  return shortened(fits);
}

// A label starting with "@" is drawn as a symbol, "@@" as a plain "@".
static std::string as_label(std::string text) {
  return text[0] == '@' ? "@" + text : text;
}

// The sign at the dialog's left: a black "!" or "?" (u_vdata) in a yellow diamond.
static int draw_sign(FL_OBJECT *obj, int event, FL_Coord, FL_Coord, int, void *) {
  if (event != FL_DRAW) return 0;
  auto point = [](int x, int y) { return FL_POINT{short(x), short(y)}; };
  int x = obj->x, y = obj->y, w = obj->w, h = obj->h;
  FL_POINT diamond[5] = {point(x, y + h / 2), point(x + w / 2, y), point(x + w - 1, y + h / 2),
                         point(x + w / 2, y + h - 1)};  // the fifth closes the border
  fl_winset(FL_ObjWin(obj));
  fl_polygon(1, diamond, 4, FL_YELLOW);
  fl_linewidth(2);
  fl_polygon(0, diamond, 4, FL_BLACK);
  fl_linewidth(0);
  fl_drw_text(FL_ALIGN_CENTER, x, y, w, h, FL_BLACK, obj->lstyle, obj->lsize,
              static_cast<const char *>(obj->u_vdata));
  return 0;
}

static void add_sign(int x, int y, int size, const char *sign) {
  FL_OBJECT *obj = fl_add_free(FL_INACTIVE_FREE, x, y, size, size, "", draw_sign);
  obj->u_vdata = const_cast<char *>(sign);
  fl_set_object_lstyle(obj, FL_BOLD_STYLE);
  fl_set_object_lsize(obj, FL_MEDIUM_SIZE);
}

// The toolkit gives keys to the window that last had them, which without a window manager can
// stay the main window, out of use behind the dialog: the dialog's buttons take their keys first.
static int dialog_key_cb(FL_FORM *form, void *event) {
  XKeyEvent *key = &static_cast<XEvent *>(event)->xkey;
  if (key->type != KeyPress) return 0;  // releases come here too
  char text[8];
  KeySym sym;
  long pressed = XLookupString(key, text, sizeof text, &sym, nullptr) == 1
                     ? static_cast<unsigned char>(text[0])
                     : long(sym);
  for (FL_OBJECT *obj = form->first; obj; obj = obj->next)
    for (long *s = obj->objclass == FL_BUTTON ? obj->shortcut : nullptr; s && *s; s++)
      if (*s == pressed) {
        fl_trigger_object(obj);
        return FL_PREEMPT;
      }
  return 0;
}

// Shows the dialog window until one of its buttons is pressed, every other window out of use
// meanwhile; closing the window presses `no`. Frees the form; returns whether `yes` was pressed.
static bool run_modal(FL_FORM *form, const char *name, int place, FL_OBJECT *yes, FL_OBJECT *no) {
  fl_set_form_atclose(form, fl_goodies_atclose, no);
  fl_register_raw_callback(form, KeyPressMask, dialog_key_cb);
  fl_deactivate_all_forms();
  fl_show_form(form, place, FL_TRANSIENT, name);
  FL_OBJECT *pressed;
  do pressed = fl_do_only_forms();
  while (pressed != yes && pressed != no);
  bool answer = pressed == yes;
  fl_hide_form(form);
  fl_free_form(form);
  fl_activate_all_forms();
  return answer;
}

void show_alert(const char *first, const char *second, const char *third) {
  const int widest = fl_scrw - 100;  // the dialog's margins and a window manager's frame
  std::string title = as_label(fit(first, widest));
  std::string lines = as_label(fit(second, widest) + "\n" + fit(third, widest));
  const char *dismiss = "Dismiss";
  int w_title, h_title, w_lines, h_lines, w_button, h_button;
  auto measure = [](const std::string &text, int *w, int *h) {
    fl_get_string_dimension(dialog_font_style, dialog_font_size, text.c_str(), int(text.size()), w,
                            h);
  };
  measure(title, &w_title, &h_title);
  measure(lines, &w_lines, &h_lines);
  measure(dismiss, &w_button, &h_button);
  int button_w = std::max(90, w_button + 20);
  int w = std::max(400, std::max({w_title, w_lines, button_w}) + 80);
  int h = std::max(h_title + 20, 30) + 5 + h_lines + 30 + h_button + 20;

  FL_FORM *form = fl_bgn_form(FL_FLAT_BOX, w, h);
  set_dialog_font(fl_add_box(FL_FLAT_BOX, 60, 10, w - 80, h_title, title.c_str()));
  add_sign(8, h_title + 5, 35, "!");
  fl_add_box(FL_FLAT_BOX, 50, h_title + 20, w - 60, 5, "@DnLine");
  FL_OBJECT *text = fl_add_text(FL_FLAT_BOX, 60, h_title + 35, w - 80, h_lines + 10, lines.c_str());
  fl_set_object_lalign(text, FL_ALIGN_CENTER);
  set_dialog_font(text);
  FL_OBJECT *button = fl_add_button(FL_RETURN_BUTTON, (w - button_w) / 2, h - h_button - 20,
                                    button_w, h_button + 10, dismiss);
  set_dialog_font(button);
  fl_end_form();
  run_modal(form, "Alert", FL_PLACE_CENTER, nullptr, button);
}

bool ask_yes_no(const char *message) {
  FL_FORM *form = fl_bgn_form(FL_FLAT_BOX, 460, 130);
  set_dialog_font(
      fl_add_box(FL_FLAT_BOX, 20, 15, 420, 65, as_label(message ? message : "").c_str()));
  FL_OBJECT *yes = fl_add_button(FL_NORMAL_BUTTON, 85, 90, 80, 27, "Yes");
  fl_set_button_shortcut(yes, "Yy", 1);
  set_dialog_font(yes);
  FL_OBJECT *no = fl_add_button(FL_NORMAL_BUTTON, 295, 90, 80, 27, "No");
  fl_set_button_shortcut(no, "Nn^[", 1);  // ^[ is Escape
  set_dialog_font(no);
  add_sign(10, 20, 33, "?");
  fl_end_form();
  fl_set_form_hotobject(form, no);
  return run_modal(form, "Question", FL_PLACE_HOTSPOT, yes, no);
}
