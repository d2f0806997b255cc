#include "core/text_helpers.h"

#include <gtest/gtest.h>

TEST(TextHelpers, CaseFoldingIsAsciiOnly) {
  EXPECT_EQ(LowerCase("IsMouseOver 09_Z"), "ismouseover 09_z");
  // Bytes outside ASCII (here UTF-8 "Ä") stay as they are, whatever the locale.
  EXPECT_EQ(LowerCase("\xC3\x84X"), "\xC3\x84x");
  EXPECT_TRUE(SameText("Quality", "qUALITY"));
  EXPECT_FALSE(SameText("\xC3\x84", "\xC3\xA4"));
  EXPECT_FALSE(SameText("abc", "abcd"));
  EXPECT_FALSE(SameText("[", "{"));  // differ by the ASCII case bit but are not letters
}

TEST(TextHelpers, TrimCharsTakesOnlyTheGivenCharactersAtTheEnds) {
  EXPECT_EQ(TrimChars(" \t a \t b\t ", " \t"), "a \t b");
  EXPECT_EQ(TrimChars("\ta b\r", " "), "\ta b\r");
  EXPECT_EQ(TrimChars(" \r\t ", " \t\r"), "");
  EXPECT_EQ(TrimChars("", " "), "");
  EXPECT_EQ(TrimChars("x", ""), "x");
}

TEST(TextHelpers, ExtensionOfTheLastPartLowerCased) {
  for (TLeadingDot rule : {TLeadingDot::StartsStem, TLeadingDot::StartsExtension}) {
    EXPECT_EQ(LowerExtension("Model.3DS", rule), ".3ds");
    EXPECT_EQ(LowerExtension("/home/u/icons/Icon.Tar.ICNS", rule), ".icns");
    EXPECT_EQ(LowerExtension("models.d/cube", rule), "");
    EXPECT_EQ(LowerExtension("cube", rule), "");
    EXPECT_EQ(LowerExtension("cube.", rule), ".");
    EXPECT_EQ(LowerExtension("", rule), "");
  }
}

TEST(TextHelpers, ALeadingDotIsAStemOrAnExtensionAsAsked) {
  EXPECT_EQ(LowerExtension("out/.png"), "");
  EXPECT_EQ(LowerExtension(".PNG"), "");
  EXPECT_EQ(LowerExtension("out/.png", TLeadingDot::StartsExtension), ".png");
  EXPECT_EQ(LowerExtension(".PNG", TLeadingDot::StartsExtension), ".png");
  // Either way a later dot starts the extension.
  EXPECT_EQ(LowerExtension("out/.hidden.Ico"), ".ico");
  EXPECT_EQ(LowerExtension("out/.hidden.Ico", TLeadingDot::StartsExtension), ".ico");
}

TEST(TextHelpers, PercentDecodedTurnsEscapesIntoBytes) {
  EXPECT_EQ(PercentDecoded("Cesium%20Logo%2epng"), "Cesium Logo.png");
  EXPECT_EQ(PercentDecoded("%E4%B8%AD.png"), "\xE4\xB8\xAD.png");
  EXPECT_EQ(PercentDecoded("100%"), "100%");
  EXPECT_EQ(PercentDecoded("%4"), "%4");
  EXPECT_EQ(PercentDecoded("%zz%41"), "%zzA");
}
