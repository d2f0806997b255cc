#include "core/utf8.h"

#include <gtest/gtest.h>

namespace {

std::string Encoded(char32_t code) {
  std::string out = "<";
  AppendUtf8(out, code);
  return out;
}

}  // namespace

TEST(Utf8, EachLengthAtItsBoundaries) {
  EXPECT_EQ(Encoded(0), std::string("<\0", 2));
  EXPECT_EQ(Encoded(0x7F), "<\x7F");
  EXPECT_EQ(Encoded(0x80), "<\xC2\x80");
  EXPECT_EQ(Encoded(0x7FF), "<\xDF\xBF");
  EXPECT_EQ(Encoded(0x800), "<\xE0\xA0\x80");
  EXPECT_EQ(Encoded(0x56FE), "<图");
  EXPECT_EQ(Encoded(0xFFFF), "<\xEF\xBF\xBF");
  EXPECT_EQ(Encoded(0x10000), "<\xF0\x90\x80\x80");
  EXPECT_EQ(Encoded(0x10FFFF), "<\xF4\x8F\xBF\xBF");
}
