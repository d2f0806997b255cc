#include "core/number_text.h"
#include "core/text_helpers.h"

#include <gtest/gtest.h>

#include <limits>

TEST(NumberText, FloatsAcceptBlanksAndAPlusOnly) {
  float v = -1;
  EXPECT_TRUE(ParseFloatText(" \t+2.5\n", v));
  EXPECT_FLOAT_EQ(v, 2.5f);
  EXPECT_TRUE(ParseFloatText("-1.5E-7", v));
  EXPECT_FLOAT_EQ(v, -1.5e-7f);
  for (const char* bad : {"", "  ", "+", "1,5", "2.5x", "1e39", "-1e39", "nan", "inf", "++1"}) {
    v = 7;
    EXPECT_FALSE(ParseFloatText(bad, v)) << bad;
    EXPECT_EQ(v, 7) << "a rejected text leaves the value alone: " << bad;
  }
}

TEST(NumberText, WholeNumbersRejectFractionsAndOverflow) {
  int64_t v = 0;
  EXPECT_TRUE(ParseIntText(" +42 ", v));
  EXPECT_EQ(v, 42);
  EXPECT_TRUE(ParseIntText("-9223372036854775808", v));
  EXPECT_EQ(v, std::numeric_limits<int64_t>::min());
  for (const char* bad : {"", "1.0", "9223372036854775808", "0x10", "- 1"}) {
    v = 3;
    EXPECT_FALSE(ParseIntText(bad, v)) << bad;
    EXPECT_EQ(v, 3) << bad;
  }
}

TEST(NumberText, ExponentsLoseTheirSignPadding) {
  EXPECT_EQ(TidyExponent("1.5e-07"), "1.5E-7");
  EXPECT_EQ(TidyExponent("1e+20"), "1E20");
  EXPECT_EQ(TidyExponent("2e+00"), "2E0");
  EXPECT_EQ(TidyExponent("0.25"), "0.25");
  EXPECT_EQ(TrimBlanks("\x01 a b \x7f"), "a b \x7f");
}
