#include "compose/command_text.h"

#include <gtest/gtest.h>

#include <string>

TEST(CommandText, FillsExactlyTo999CharactersAndRefusesMore) {
  CommandText text;
  text.append("%s", std::string(998, 'a').c_str());
  text.append("b");
  EXPECT_FALSE(text.overflow);
  EXPECT_EQ(text.length, 999u);
  text.append("c");
  EXPECT_TRUE(text.overflow);
  EXPECT_EQ(std::string(text.text), std::string(998, 'a') + "b");  // unchanged, terminated
  text.append("d");  // stays refused: a later short append must not make a cut text look whole
  EXPECT_EQ(text.length, 999u);
  text.clear();
  EXPECT_FALSE(text.overflow);
  EXPECT_STREQ(text.text, "");
}

TEST(CommandText, AnOversizedAppendLeavesTheTextAsItWas) {
  CommandText text;
  text.append("sox ");
  text.append("%s", std::string(5000, 'x').c_str());
  EXPECT_TRUE(text.overflow);
  EXPECT_STREQ(text.text, "sox ");
}
