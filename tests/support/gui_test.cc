#include "tests/support/gui_test.h"

#include <X11/Xlib.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <utility>

#include "app/app.h"
#include "forms/effects_form.h"
#include "forms/field_text.h"
#include "forms/main_form.h"

namespace {

// The sliders' values right after start-up, so that a reset needs no copy of the defaults.
std::vector<std::pair<FL_OBJECT *, double>> start_up_sliders;

std::string text;
int timer = 0;
FL_FORM *answered = nullptr;  // read already, waiting for it to close
std::function<bool(FL_FORM *)> look;
int looks = 0;

// Every 20 ms while an action runs: finds a shown alert through the X window tree, lets the test
// look at it, reads its text lines once (its labels cut at newlines, without empty lines and the
// toolkit's "@" symbols; "@@" shows "@") and triggers its button.
void answer_alert_cb(int, void *) {
  Display *display = fl_get_display();
  Window root, parent, *windows = nullptr;
  unsigned count = 0;
  FL_FORM *shown = nullptr;
  XQueryTree(display, DefaultRootWindow(display), &root, &parent, &windows, &count);
  for (unsigned i = 0; i < count; i++) {
    FL_FORM *alert = fl_win_to_form(windows[i]);
    if (!alert || alert->visible != FL_VISIBLE || !alert->label || strcmp(alert->label, "Alert"))
      continue;
    if (alert != answered && look && !look(alert) && ++looks < 250) continue;
    for (FL_OBJECT *obj = alert->first; obj; obj = obj->next) {
      std::string label = obj->label ? obj->label : "";
      if (obj->objclass == FL_BUTTON) {
        fl_trigger_object(obj);
        continue;
      }
      if (label.rfind("@@", 0) == 0)
        label.erase(0, 1);
      else if (label[0] == '@' || alert == answered)
        continue;
      for (size_t start = 0, end; start < label.size(); start = end + 1) {
        end = std::min(label.find('\n', start), label.size());
        if (end > start) text += (text.empty() ? "" : "\n") + label.substr(start, end - start);
      }
    }
    shown = alert;
  }
  if (windows) XFree(windows);
  answered = shown;
  timer = fl_add_timeout(20, answer_alert_cb, nullptr);
}

}  // namespace

void start_gui_once() {
  if (main_form) return;
  static int argc = 1;
  static char name[] = "corvane";
  static char *argv[] = {name, nullptr};
  start_up(&argc, argv);
  for (FL_OBJECT *o = effects_form->form->first; o; o = o->next)
    if (o->objclass == FL_VALSLIDER) start_up_sliders.push_back({o, fl_get_slider_value(o)});
}

bool pump_until(const std::function<bool()> &done, double seconds) {
  auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    fl_check_forms();
  }
  return true;
}

std::string alerts_during(const std::function<void()> &action,
                          const std::function<bool(FL_FORM *)> &look_at) {
  text.clear(), answered = nullptr, look = look_at, looks = 0;
  timer = fl_add_timeout(20, answer_alert_cb, nullptr);
  action();
  fl_remove_timeout(timer);
  return text;
}

std::vector<std::string> console_lines() {
  std::vector<std::string> lines;
  for (int i = 1; i <= fl_get_browser_maxline(main_form->console); i++)
    lines.push_back(fl_get_browser_line(main_form->console, i));
  return lines;
}

void type_into(FL_OBJECT *field, const std::string &latin1) {
  HighBytesKept kept;
  fl_set_input(field, latin1.c_str());
}

void reset_controls() {
  fl_set_input(main_form->input_file, "");
  fl_set_input(main_form->output_file, "");
  fl_set_choice(main_form->input_type, 1);
  fl_set_choice(main_form->output_type, 1);
  fl_set_counter_value(main_form->input_rate, 0);
  fl_set_counter_value(main_form->output_rate, 0);
  fl_set_button(main_form->in_ch_off, 1);
  fl_set_button(main_form->out_ch_off, 1);
  fl_set_input(main_form->play_command, "vplay -r -b 8");
  plain_cb(nullptr, 0);
  for (const auto &slider : start_up_sliders) fl_set_slider_value(slider.first, slider.second);
  fl_clear_browser(main_form->console);
}
