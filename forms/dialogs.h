// Corvane's alert and yes/no question: windows named "Alert" and "Question", laid out as the
// toolkit lays out its own, with what the toolkit's do not give: every text line of the alert in
// the dialog font, lines too wide for the screen shortened, and Escape answering No.
#pragma once

#include <forms.h>

// The font of the dialogs' text lines; start-up gives it to the toolkit's message dialog too.
constexpr int dialog_font_style = FL_NORMAL_STYLE;
constexpr int dialog_font_size = 12;

// A modal alert centred on the screen: a warning sign, the three lines and a Dismiss button
// (also Return, or closing the window). A line too wide for the screen is shown with its middle
// left out; the caller's text is never changed. Returns once dismissed.
void show_alert(const char *first, const char *second = "", const char *third = "");

// A modal question placed with its No button under the pointer. Returns true for Yes (also Y);
// No, N, Escape and closing the window answer false.
bool ask_yes_no(const char *message);
