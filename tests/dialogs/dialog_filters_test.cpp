// File type lists, case-blind patterns, default extensions and the colour conversions of the
// dialogs, checked through GTK's own filter matching where GTK decides.
#include <gtest/gtest.h>

#include <stdexcept>

#include "platform/dialogs.h"
#include "platform/gtk_dialogs.h"
#include "platform/swap_red_blue.h"

namespace {

const char* const kModelFilter =
    "所有文件 (*.3ds;*.md3)|*.3ds;*.md3|3DS 文件 (*.3ds)|*.3ds|MD3 文件 (*.md3)|*.md3";

TEST(FileFilter, ReadsTheModelListWithItsChineseNames) {
  const std::vector<TFileFilter> filters = ParseFileFilter(kModelFilter);
  ASSERT_EQ(filters.size(), 3u);
  EXPECT_EQ(filters[0], (TFileFilter{"所有文件 (*.3ds;*.md3)", {"*.3ds", "*.md3"}}));
  EXPECT_EQ(filters[1], (TFileFilter{"3DS 文件 (*.3ds)", {"*.3ds"}}));
  EXPECT_EQ(filters[2], (TFileFilter{"MD3 文件 (*.md3)", {"*.md3"}}));
  EXPECT_EQ(ParseFileFilter("Mac OS X Icon|*.icns"),
            (std::vector<TFileFilter>{{"Mac OS X Icon", {"*.icns"}}}));
  EXPECT_TRUE(ParseFileFilter("").empty());
  EXPECT_EQ(ParseFileFilter("A | *.a ; ;*.b ")[0], (TFileFilter{"A", {"*.a", "*.b"}}));
}

TEST(FileFilter, RefusesBrokenLists) {
  EXPECT_THROW(ParseFileFilter("Name without patterns"), std::invalid_argument);
  EXPECT_THROW(ParseFileFilter("A|*.a|B"), std::invalid_argument);
  EXPECT_THROW(ParseFileFilter("A|;"), std::invalid_argument);
  EXPECT_THROW(ParseFileFilter("|*.a"), std::invalid_argument);
}

TEST(FileFilter, PatternsIgnoreTheCaseOfLettersOnly) {
  EXPECT_EQ(CaseInsensitivePattern("*.3ds"), "*.3[dD][sS]");
  EXPECT_EQ(CaseInsensitivePattern("*.MD3"), "*.[mM][dD]3");
  EXPECT_EQ(CaseInsensitivePattern("*"), "*");
  EXPECT_EQ(CaseInsensitivePattern("*.[pP]ng"), "*.[pP]ng");
  EXPECT_EQ(CaseInsensitivePattern("图*.x"), "图*.[xX]");
}

TEST(FileFilter, GtkShowsModelFilesWhateverTheCaseOfTheirExtension) {
  const std::vector<TFileFilter> filters = ParseFileFilter(kModelFilter);
  for (const char* name : {"car.3ds", "CAR.3DS", "Car.3Ds", "head.md3", "HEAD.MD3"}) {
    EXPECT_TRUE(GtkFilterMatches(filters[0], name)) << name;
  }
  EXPECT_TRUE(GtkFilterMatches(filters[1], "CAR.3DS"));
  EXPECT_FALSE(GtkFilterMatches(filters[1], "HEAD.MD3"));
  EXPECT_TRUE(GtkFilterMatches(filters[2], "Head.Md3"));
  for (const char* name : {"car.obj", "car.3ds.bak", "car3ds", "car.3d"}) {
    EXPECT_FALSE(GtkFilterMatches(filters[0], name)) << name;
  }
  const TFileFilter icns = ParseFileFilter("Mac OS X Icon|*.icns")[0];
  EXPECT_TRUE(GtkFilterMatches(icns, "App.ICNS"));
  EXPECT_FALSE(GtkFilterMatches(icns, "App.ico"));
}

TEST(DefaultExtension, IsAddedOnlyToNamesWithoutOne) {
  EXPECT_EQ(WithDefaultExtension("/home/u/myicon", "ico"), "/home/u/myicon.ico");
  EXPECT_EQ(WithDefaultExtension("/home/u/myicon.", "ico"), "/home/u/myicon.ico");
  EXPECT_EQ(WithDefaultExtension("/home/u/myicon.ico", "ico"), "/home/u/myicon.ico");
  EXPECT_EQ(WithDefaultExtension("/home/u/picture.png", "icns"), "/home/u/picture.png");
  EXPECT_EQ(WithDefaultExtension("/home/u.d/myicon", "png"), "/home/u.d/myicon.png")
      << "a dot in a folder name is no extension";
  EXPECT_EQ(WithDefaultExtension("/home/u/.hidden", "png"), "/home/u/.hidden.png");
  EXPECT_EQ(WithDefaultExtension("relative", "icns"), "relative.icns");
  EXPECT_EQ(WithDefaultExtension("/home/u/myicon", ""), "/home/u/myicon");
}

TEST(DialogColours, SwapRedBlueExchangesOnlyRedAndBlue) {
  static_assert(SwapRedBlue(0xFF112233u) == 0xFF332211u);
  EXPECT_EQ(SwapRedBlue(0x80EE6F8Cu), 0x808C6FEEu);
  EXPECT_EQ(SwapRedBlue(SwapRedBlue(0x12345678u)), 0x12345678u);
  EXPECT_EQ(SwapRedBlue(0x00FF00u), 0x00FF00u);
}

TEST(DialogColours, GtkChannelsMapToTheDialogsColourOrder) {
  // Red in the low byte, blue in bits 16-23.
  EXPECT_EQ(ColorRefFromChannels(1, 0, 0), 0x0000FFu);
  EXPECT_EQ(ColorRefFromChannels(0, 0, 1), 0xFF0000u);
  EXPECT_EQ(ColorRefFromChannels(0.5, 2.0, -1.0), 0x00FF80u) << "rounded and clamped";
  double r = 0, g = 0, b = 0;
  ChannelsFromColorRef(0xFF8C6FEEu, r, g, b);  // the top byte is ignored
  EXPECT_DOUBLE_EQ(r, 0xEE / 255.0);
  EXPECT_DOUBLE_EQ(g, 0x6F / 255.0);
  EXPECT_DOUBLE_EQ(b, 0x8C / 255.0);
  for (std::uint32_t c : {0x000000u, 0xFFFFFFu, 0x8C6FEEu, 0x010203u}) {
    ChannelsFromColorRef(c, r, g, b);
    EXPECT_EQ(ColorRefFromChannels(r, g, b), c);
  }
}

}  // namespace
