// The "Sound Effects" window: volume, the effect buttons and their parameters.
#pragma once

#include <forms.h>

struct FD_effects {
  FL_FORM *form;
  FL_OBJECT *effect_group;
  FL_OBJECT *plain, *vibrato, *echo, *highpass, *lowpass, *bandpass;
  FL_OBJECT *amplification;
  FL_OBJECT *close_button;
  FL_OBJECT *param_group;
  FL_OBJECT *echo_delay, *echo_volume, *vibrato_speed, *vibrato_depth, *filter_freq, *bandwidth;
};

// Builds the effects form once (hidden); the record lives until the process ends.
FD_effects *create_form_effects();

// The effects form's record, set once by start-up and never freed.
extern FD_effects *effects_form;

// Shows the window centred, unless it is shown already (then nothing moves).
void show_effects_cb(FL_OBJECT *, long);
void close_effects_cb(FL_OBJECT *, long);
// Plain releases every effect and stays pushed.
void plain_cb(FL_OBJECT *, long);
// Any effect button releases Plain.
void effect_toggle_cb(FL_OBJECT *, long);
