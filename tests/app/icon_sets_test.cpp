#include "app/icon_sets.h"

#include <gtest/gtest.h>

TEST(IconSets, NamesFollowTheModelsFileName) {
  EXPECT_EQ(IconSetName(""), "facetmint");
  EXPECT_EQ(IconSetName("/models/Space Rifle_v2.0.3DS"), "space-rifle_v2.0");
  EXPECT_EQ(IconSetName("dir.d/水壶.md3"), "--");  // one "-" per character, not per byte
  EXPECT_EQ(IconSetName("/m/.3ds"), "facetmint");  // a dot file: its stem would hide it
  EXPECT_TRUE(ValidIconSetName("a.b-c_1"));
  for (const char* bad : {"", ".", "..", ".hidden", "a/b", "tab\tname"}) {
    EXPECT_FALSE(ValidIconSetName(bad)) << bad;
  }
  // Every set names its files so that the window can ask before replacing them.
  EXPECT_EQ(IconsetFiles().size(), 10u);
  EXPECT_EQ(IconThemeFiles("x").back(), "hicolor/512x512/apps/x.png");
  EXPECT_EQ(WebIconFiles().size(), 5u);
}
