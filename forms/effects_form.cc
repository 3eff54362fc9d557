#include "forms/effects_form.h"

#include <cstdlib>

#include "forms/desktop_window.h"

FD_effects *effects_form;

static FL_OBJECT *effect_button(int x, int y, const char *label, FL_CALLBACKPTR cb) {
  FL_OBJECT *obj = fl_add_button(FL_PUSH_BUTTON, x, y, 60, 20, label);
  fl_set_object_callback(obj, cb, 0);
  return obj;
}

// Sliders without a callback that report every change; unset bounds, value and precision stay
// the toolkit's (0 to 1, 0.5, two decimals), which several sliders rely on.
static FL_OBJECT *param_slider(int x, int y, const char *label) {
  FL_OBJECT *obj = fl_add_valslider(FL_HOR_SLIDER, x, y, 100, 20, label);
  fl_set_object_lsize(obj, 10);
  return obj;
}

FD_effects *create_form_effects() {
  FD_effects *fdui = static_cast<FD_effects *>(calloc(1, sizeof(FD_effects)));
  if (!fdui) abort();
  FL_OBJECT *obj;

  fdui->form = fl_bgn_form(FL_NO_BOX, 440, 205);
  fl_add_box(FL_UP_BOX, 0, 0, 440, 205, "");
  fl_add_frame(FL_ENGRAVED_FRAME, 10, 10, 420, 45, "");
  fl_add_frame(FL_ENGRAVED_FRAME, 10, 65, 420, 130, "");
  fl_add_frame(FL_EMBOSSED_FRAME, 270, 75, 150, 110, "");
  obj = fl_add_text(FL_NORMAL_TEXT, 150, 20, 130, 25, "Sound effects");
  fl_set_object_lsize(obj, 14);
  fl_set_object_lalign(obj, FL_ALIGN_INSIDE);
  fl_set_object_lstyle(obj, FL_EMBOSSED_STYLE);

  fdui->effect_group = fl_bgn_group();
  fdui->plain = effect_button(280, 85, "Plain", plain_cb);
  fdui->vibrato = effect_button(280, 155, "Vibrato", effect_toggle_cb);
  fdui->echo = effect_button(280, 120, "Echo", effect_toggle_cb);
  fdui->highpass = effect_button(350, 120, "HighPass", effect_toggle_cb);
  fdui->lowpass = effect_button(350, 85, "LowPass", effect_toggle_cb);
  fdui->bandpass = effect_button(350, 155, "BandPass", effect_toggle_cb);
  fl_end_group();

  fdui->amplification = obj = fl_add_valslider(FL_HOR_SLIDER, 320, 30, 100, 20, "Amplification");
  fl_set_object_lsize(obj, 10);
  fl_set_object_lalign(obj, FL_ALIGN_TOP);
  fl_set_slider_precision(obj, 1);
  fl_set_slider_bounds(obj, 0, 2);
  fl_set_slider_value(obj, 1);
  fl_set_slider_return(obj, FL_RETURN_CHANGED);
  fdui->close_button = obj = fl_add_button(FL_NORMAL_BUTTON, 30, 20, 80, 25, "Close");
  fl_set_object_callback(obj, close_effects_cb, 0);

  fdui->param_group = fl_bgn_group();
  fdui->echo_delay = obj = param_slider(150, 75, "Echo delay (s)");
  fl_set_slider_value(obj, 0.15);
  fl_set_slider_return(obj, FL_RETURN_CHANGED);
  fdui->echo_volume = obj = param_slider(30, 75, "Echo volume");
  fl_set_slider_return(obj, FL_RETURN_CHANGED);
  fdui->vibrato_speed = obj = param_slider(30, 115, "Vibrato speed (Hz)");
  fl_set_slider_precision(obj, 0);
  fl_set_slider_bounds(obj, 0, 30);
  fl_set_slider_value(obj, 5);
  fl_set_slider_return(obj, FL_RETURN_CHANGED);
  fdui->vibrato_depth = obj = param_slider(150, 115, "Vibrato depth");
  fl_set_slider_value(obj, 0.6);
  fl_set_slider_return(obj, FL_RETURN_CHANGED);
  fdui->filter_freq = obj = param_slider(30, 155, "Filter Frequency (kHz)");
  fl_set_slider_bounds(obj, 0, 10);
  fl_set_slider_value(obj, 2.03);
  fl_set_slider_return(obj, FL_RETURN_CHANGED);
  fdui->bandwidth = obj = param_slider(150, 155, "Bandwidth (kHz)");
  fl_set_slider_bounds(obj, 0, 10);
  fl_set_slider_value(obj, 3.49);
  fl_set_slider_return(obj, FL_RETURN_CHANGED);
  fl_end_group();
  fl_end_form();

  return fdui;
}

void show_effects_cb(FL_OBJECT *, long) {
  if (effects_form->form->visible) return;
  show_window(effects_form->form, FL_PLACE_CENTER, "Sound Effects");
}

void close_effects_cb(FL_OBJECT *, long) {
  fl_hide_form(effects_form->form);
}

void plain_cb(FL_OBJECT *, long) {
  fl_set_button(effects_form->echo, 0);
  fl_set_button(effects_form->vibrato, 0);
  fl_set_button(effects_form->lowpass, 0);
  fl_set_button(effects_form->highpass, 0);
  fl_set_button(effects_form->bandpass, 0);
  fl_set_button(effects_form->plain, 1);
}

void effect_toggle_cb(FL_OBJECT *, long) {
  fl_set_button(effects_form->plain, 0);
}
