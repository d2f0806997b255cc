#include "app/progress_bar.h"

#include <gtest/gtest.h>

#include <sstream>

TEST(ProgressBar, DrawsOneLineInPlaceAndClearsIt) {
  std::ostringstream out;
  {
    TProgressBar bar(out, 200, true);
    bar.Show(50, 0);
    EXPECT_EQ(out.str(), "\r[#######.......................] 50/200\x1b[K");
    out.str("");
    bar.Show(200, 3);
    EXPECT_EQ(out.str(), "\r[##############################] 200/200  3 failed\x1b[K");
    out.str("");
    bar.Clear();
    EXPECT_EQ(out.str(), "\r\x1b[K");
    out.str("");
    bar.Clear();  // nothing drawn: nothing to clear
    EXPECT_EQ(out.str(), "");
    bar.Show(1, 0);
    out.str("");
  }
  EXPECT_EQ(out.str(), "\r\x1b[K");  // a line still drawn goes with the bar
}

TEST(ProgressBar, SilentWhenNotShown) {
  std::ostringstream out;
  {
    TProgressBar bar(out, 10, false);
    bar.Show(5, 1);
    bar.Clear();
  }
  EXPECT_EQ(out.str(), "");
}
