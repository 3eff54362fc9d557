#include "bench/stats.h"

#include <algorithm>
#include <cstdio>

double minimum(std::vector<double> values) {
  return values.empty() ? 0 : *std::min_element(values.begin(), values.end());
}

double median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  size_t mid = values.size() / 2;
  return values.size() % 2 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
}

static double ratio(double a, double b) {
  return b > 0 ? a / b : 0;
}

// The value the goal is about: the median itself or its ratio to the baseline's median.
static double judged(const Figure &f) {
  return f.goal_on_value ? median(f.runs) : ratio(median(f.runs), median(f.baseline_runs));
}

std::string goal_met(const Figure &f) {
  if ((!f.goal_max && !f.goal_min) || f.runs.empty()) return "-";
  if (!f.goal_on_value && f.baseline_runs.empty()) return "-";
  double v = judged(f);
  bool met = (!f.goal_max || v <= f.goal_max) && (!f.goal_min || v >= f.goal_min);
  return met ? "yes" : "NO";
}

static std::string goal_text(const Figure &f) {
  if (!f.goal_max && !f.goal_min) return "-";
  char text[64];
  const char *what = f.goal_on_value ? "median" : "ratio";
  if (f.goal_max)
    snprintf(text, sizeof text, "%s <= %.3g%s", what, f.goal_max,
             f.goal_on_value ? (" " + f.unit).c_str() : "");
  else
    snprintf(text, sizeof text, "%s >= %.3g", what, f.goal_min);
  return text;
}

static std::string number(double v) {
  char text[32];
  snprintf(text, sizeof text, v >= 100 ? "%.1f" : v >= 10 ? "%.2f" : "%.3f", v);
  return text;
}

std::string table(const std::vector<Figure> &figures) {
  std::vector<std::vector<std::string>> rows = {{"figure", "unit", "runs", "min", "median",
                                                 "baseline", "base min", "base median", "min/min",
                                                 "med/med", "goal", "met"}};
  for (const Figure &f : figures) {
    bool base = !f.baseline_runs.empty();
    rows.push_back({f.name, f.unit, std::to_string(f.runs.size()), number(minimum(f.runs)),
                    number(median(f.runs)), f.baseline,
                    base ? number(minimum(f.baseline_runs)) : "-",
                    base ? number(median(f.baseline_runs)) : "-",
                    base ? number(ratio(minimum(f.runs), minimum(f.baseline_runs))) : "-",
                    base ? number(ratio(median(f.runs), median(f.baseline_runs))) : "-",
                    goal_text(f), goal_met(f)});
  }
  std::vector<size_t> width(rows[0].size(), 0);
  for (const auto &row : rows)
    for (size_t i = 0; i < row.size(); i++) width[i] = std::max(width[i], row[i].size());
  std::string out;
  for (size_t r = 0; r < rows.size(); r++) {
    out += "|";
    for (size_t i = 0; i < rows[r].size(); i++)
      out += " " + rows[r][i] + std::string(width[i] - rows[r][i].size(), ' ') + " |";
    out += "\n";
    if (r == 0) {
      out += "|";
      for (size_t w : width) out += std::string(w + 2, '-') + "|";
      out += "\n";
    }
  }
  return out;
}
