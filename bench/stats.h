// A measured figure beside its baseline, and the table that shows them.
#pragma once

#include <string>
#include <utility>
#include <vector>

struct Figure {
  Figure(std::string name, std::string unit, std::string baseline)
      : name(std::move(name)), unit(std::move(unit)), baseline(std::move(baseline)) {}
  std::string name, unit;  // e.g. "1a convert, no effect", "ms"
  std::string baseline;    // what the baseline runs measure
  std::vector<double> runs, baseline_runs;
  // The goal holds when the ratio of medians (or the median itself, with goal_on_value) is at
  // most goal_max, or at least goal_min; 0 leaves that side open.
  double goal_max = 0, goal_min = 0;
  bool goal_on_value = false;
};

double minimum(std::vector<double> values);
double median(std::vector<double> values);  // of an odd count the middle one, else the mean of two

// "yes", "NO" or "-" (no goal, or nothing measured).
std::string goal_met(const Figure &f);

// The table: runs, minimum and median of the figure and of its baseline, the ratios of the
// minima and of the medians, the goal and whether the median meets it.
std::string table(const std::vector<Figure> &figures);
