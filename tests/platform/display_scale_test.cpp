// The display scale: GDK_SCALE and Xft.dpi texts as desktops write them, Wayland output
// scales, quarter steps, the range 1 .. 3, and texts that say nothing.
#include <gtest/gtest.h>

#include <string>

#include "platform/display_scale.h"

namespace {

TEST(DisplayScale, GdkScaleTextsGiveQuarterStepsFromOneToThree) {
  EXPECT_EQ(ScaleFromGdkScale("2"), 2.0f);
  EXPECT_EQ(ScaleFromGdkScale("1.5"), 1.5f);
  EXPECT_EQ(ScaleFromGdkScale(" 1.3 "), 1.25f);
  EXPECT_EQ(ScaleFromGdkScale("1.4"), 1.5f);
  EXPECT_EQ(ScaleFromGdkScale("0.5"), 1.0f);
  EXPECT_EQ(ScaleFromGdkScale("4"), 3.0f);
  for (const char* nothing : {"", "two", "-2", "0", "1,5", "2x", "nan", "inf"})
    EXPECT_EQ(ScaleFromGdkScale(nothing), std::nullopt) << nothing;
}

TEST(DisplayScale, XftDpiIsReadFromTheResourceText) {
  EXPECT_EQ(ScaleFromXResources("Xft.antialias:\t1\nXft.dpi:\t192\nXft.hinting:\t1\n"), 2.0f);
  EXPECT_EQ(ScaleFromXResources("Xft.dpi: 144"), 1.5f);
  EXPECT_EQ(ScaleFromXResources("Xft.dpi:\t120\n"), 1.25f);
  EXPECT_EQ(ScaleFromXResources("Xft.dpi:\t96\n"), 1.0f);
  EXPECT_EQ(ScaleFromXResources("Xft.dpi:\t72\n"), 1.0f);
  EXPECT_EQ(ScaleFromXResources("Xft.dpi:\t400\n"), 3.0f);
  EXPECT_EQ(ScaleFromXResources("Xcursor.size:\t48\nXft.dpi:\tbig\n"), std::nullopt);
  EXPECT_EQ(ScaleFromXResources("Xcursor.size:\t48\n*dpi:\t192\n"), std::nullopt);
  EXPECT_EQ(ScaleFromXResources(""), std::nullopt);
}

TEST(DisplayScale, TheLargestOutputScaleCounts) {
  EXPECT_EQ(ScaleFromOutputScales({2}), 2.0f);
  EXPECT_EQ(ScaleFromOutputScales({1, 3}), 3.0f);
  EXPECT_EQ(ScaleFromOutputScales({3, 1, 2}), 3.0f);
  EXPECT_EQ(ScaleFromOutputScales({1}), 1.0f);
  EXPECT_EQ(ScaleFromOutputScales({5}), 3.0f);
  EXPECT_EQ(ScaleFromOutputScales({0, -2, 2}), 2.0f);
  EXPECT_EQ(ScaleFromOutputScales({}), std::nullopt);
  EXPECT_EQ(ScaleFromOutputScales({0, -1}), std::nullopt);
}

}  // namespace
