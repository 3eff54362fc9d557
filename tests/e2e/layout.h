// Where things are inside Corvane's windows and dialogs, relative to each window.
#pragma once

struct Spot {
  int x, y;
};

// A control's rectangle, as the form lays it out; clicked at its centre.
struct Box {
  int x, y, width, height;
  constexpr operator Spot() const { return {x + width / 2, y + height / 2}; }
};

constexpr Box input_file{60, 30, 145, 20}, output_file{270, 30, 145, 20};
constexpr Box select_input{15, 30, 40, 20}, select_output{225, 30, 40, 20};
constexpr Box output_type_field{225, 55, 95, 20};    // without its arrow: buttons 2, 3 step it
constexpr Box output_rate_up_1000{320, 80, 20, 20};  // the counter's double arrow
constexpr Box out_ch2{385, 70, 25, 25};
constexpr Box exit_button{25, 240, 70, 20}, convert_button{130, 240, 70, 20};
constexpr Box play_button{225, 200, 70, 20}, effects_button{130, 215, 70, 20};

// The "Sound Effects" window.
constexpr Box plain{280, 85, 60, 20}, vibrato{280, 155, 60, 20}, echo{280, 120, 60, 20};
constexpr Box highpass{350, 120, 60, 20}, lowpass{350, 85, 60, 20}, bandpass{350, 155, 60, 20};
constexpr Box close_button{30, 20, 80, 25};

// The dialogs, measured from screenshots: "Question" (460 x 130, Corvane's, laid out as XForms
// 1.2.3 lays out its own) and the toolkit's "FileSelector" (305 x 330, its name field focused).
constexpr Spot question_yes{125, 103}, question_no{335, 103};
constexpr Spot fselector_name{150, 302}, fselector_ready{250, 247}, fselector_cancel{250, 217};
// Its list: folders first (".", ".." and the others), then files in byte order, a line each.
constexpr Spot fselector_first_line{60, 88};
constexpr int fselector_line_height = 12;
