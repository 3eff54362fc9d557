#include "tests/support/gui_test.h"

#include <X11/Xlib.h>

#include <chrono>
#include <cstring>

#include "app/app.h"
#include "console/console.h"
#include "forms/effects_form.h"
#include "forms/main_form.h"

namespace {

// The sliders' values right after start-up, so that a reset needs no copy of the defaults.
struct SliderValue {
  FL_OBJECT *object;
  double value;
};
std::vector<SliderValue> start_up_sliders;

}  // namespace

void start_gui_once() {
  static bool started = false;
  if (started) return;
  started = true;
  static int argc = 1;
  static char name[] = "corvane";
  static char *argv[] = {name, nullptr};
  start_up(&argc, argv);
  for (FL_OBJECT *slider :
       {effects_form->amplification, effects_form->echo_delay, effects_form->echo_volume,
        effects_form->vibrato_speed, effects_form->vibrato_depth, effects_form->filter_freq,
        effects_form->bandwidth})
    start_up_sliders.push_back({slider, fl_get_slider_value(slider)});
}

bool pump_until(const std::function<bool()> &done, double seconds) {
  auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    fl_check_forms();
  }
  return true;
}

namespace {

struct DialogWatch {
  std::string answer;
  std::vector<std::string> texts;
  bool active = false;
  FL_FORM *answered = nullptr;  // read already, waiting for it to close
};
DialogWatch watch;

const char *const dialog_titles[] = {"Alert", "Question", "Message"};

// The visible toolkit dialog, if any, found through the X window tree.
FL_FORM *visible_dialog() {
  Display *display = fl_get_display();
  Window root, parent, *children = nullptr;
  unsigned count = 0;
  FL_FORM *found = nullptr;
  if (!XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count))
    return nullptr;
  for (unsigned i = 0; i < count && !found; i++) {
    FL_FORM *form = fl_win_to_form(children[i]);
    if (!form || form->visible != FL_VISIBLE || !form->label) continue;
    for (const char *title : dialog_titles)
      if (strcmp(form->label, title) == 0) found = form;
  }
  if (children) XFree(children);
  return found;
}

// A dialog's text lines: its labels, cut at newlines, without empty lines and the toolkit's
// "@" symbols (separator lines).
void read_dialog(FL_FORM *dialog) {
  for (FL_OBJECT *obj = dialog->first; obj; obj = obj->next) {
    if (!obj->label || obj->label[0] == '@' || obj->objclass == FL_BUTTON) continue;
    std::string label = obj->label;
    for (size_t start = 0, end; start < label.size(); start = end + 1) {
      end = label.find('\n', start);
      if (end == std::string::npos) end = label.size();
      if (end > start) watch.texts.push_back(label.substr(start, end - start));
    }
  }
}

void answer_dialog_cb(int, void *) {
  if (!watch.active) return;
  FL_FORM *dialog = visible_dialog();
  if (dialog && dialog != watch.answered) read_dialog(dialog);
  watch.answered = dialog;
  if (dialog)
    for (FL_OBJECT *obj = dialog->first; obj; obj = obj->next)
      if (obj->objclass == FL_BUTTON && obj->label &&
          (watch.answer.empty() || watch.answer == obj->label))
        fl_trigger_object(obj);
  fl_add_timeout(20, answer_dialog_cb, nullptr);
}

}  // namespace

std::vector<std::string> dialogs_during(const std::function<void()> &action,
                                        const std::string &answer) {
  watch = DialogWatch{answer, {}, true};
  int timer = fl_add_timeout(20, answer_dialog_cb, nullptr);
  action();
  watch.active = false;
  fl_remove_timeout(timer);
  return watch.texts;
}

std::vector<std::string> console_lines() {
  std::vector<std::string> lines;
  int count = fl_get_browser_maxline(main_form->console);
  for (int i = 1; i <= count; i++) lines.push_back(fl_get_browser_line(main_form->console, i));
  return lines;
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
  for (const SliderValue &slider : start_up_sliders)
    fl_set_slider_value(slider.object, slider.value);
  fl_clear_browser(main_form->console);
}
