#include "bench/stats.h"

#include <gtest/gtest.h>

TEST(Stats, MinimumAndMedian) {
  EXPECT_EQ(minimum({3, 1, 2}), 1);
  EXPECT_EQ(median({5, 1, 3}), 3);
  EXPECT_EQ(median({4, 1, 3, 2}), 2.5);
  EXPECT_EQ(median({}), 0);
}

TEST(Stats, GoalOnTheRatioOfMediansOrOnTheMedian) {
  Figure f("x", "ms", "base");
  f.runs = {102, 100, 104};
  f.baseline_runs = {100, 99, 101};
  f.goal_max = 1.02;
  EXPECT_EQ(goal_met(f), "yes");
  f.runs = {103, 103, 90};
  EXPECT_EQ(goal_met(f), "NO");
  f.goal_max = 0;
  f.goal_min = 1.0;
  EXPECT_EQ(goal_met(f), "yes");
  Figure memory("m", "MiB", "base");
  memory.runs = {9, 7, 7.5};
  memory.goal_max = 8;
  memory.goal_on_value = true;
  EXPECT_EQ(goal_met(memory), "yes");
  memory.runs = {8.5};
  EXPECT_EQ(goal_met(memory), "NO");
  Figure none("none", "ms", "base");
  none.runs = none.baseline_runs = {1};
  EXPECT_EQ(goal_met(none), "-");
}

TEST(Stats, TableHasOneRowPerFigureAndAlignedColumns) {
  Figure f("1a convert", "ms", "pipeline");
  f.runs = {300, 310};
  f.baseline_runs = {290, 295};
  f.goal_max = 1.02;
  std::string text = table({f, Figure("2 console", "ms", "bytes")});
  std::vector<size_t> lengths;
  for (size_t start = 0, nl; (nl = text.find('\n', start)) != std::string::npos; start = nl + 1)
    lengths.push_back(nl - start);
  ASSERT_EQ(lengths.size(), 4u);  // header, rule, two figures
  for (size_t l : lengths) EXPECT_EQ(l, lengths[0]);
  EXPECT_NE(text.find("| 1.043 "), std::string::npos);  // 305 / 292.5
  EXPECT_NE(text.find("ratio <= 1.02"), std::string::npos);
}
