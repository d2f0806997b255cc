#include "import/name_text.h"

#include <gtest/gtest.h>

namespace {

TEST(NameText, ValidUtf8IsKept) {
  EXPECT_EQ(ModelNameToUtf8("Box01"), "Box01");
  EXPECT_EQ(ModelNameToUtf8("W\xC3\xBCrfel"), "W\xC3\xBCrfel");                        // Würfel
  EXPECT_EQ(ModelNameToUtf8("\xE7\xAB\x8B\xE6\x96\xB9"), "\xE7\xAB\x8B\xE6\x96\xB9");  // 立方
}

TEST(NameText, OtherBytesAreWindows1252) {
  EXPECT_EQ(ModelNameToUtf8("W\xFCrfel"), "W\xC3\xBCrfel");
  EXPECT_EQ(ModelNameToUtf8("\x80 5"), "\xE2\x82\xAC 5");  // euro sign
  EXPECT_EQ(ModelNameToUtf8("\x93q\x94"), "\xE2\x80\x9Cq\xE2\x80\x9D");
  EXPECT_EQ(ModelNameToUtf8("a\x81"), "a\xC2\x81");  // unassigned byte keeps its C1 code point
  // Overlong forms and surrogates are not UTF-8.
  EXPECT_FALSE(IsValidUtf8("\xC0\xAF"));
  EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));
  EXPECT_FALSE(IsValidUtf8("\xE2\x82"));
  EXPECT_EQ(ModelNameToUtf8("\xC0\xAF"), "\xC3\x80\xC2\xAF");
}

}  // namespace
