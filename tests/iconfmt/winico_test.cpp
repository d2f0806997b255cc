#include "iconfmt/winico.h"

#include <gtest/gtest.h>

#include <sstream>

#include "core/stream.h"
#include "imaging/bitmap.h"
#include "tests/iconfmt/icon_readback.h"
#include "tests/iconfmt/sample_previews.h"
#include "tests/support/test_support.h"

namespace {

using iconreadback::LE16;
using iconreadback::LE32;
using Bytes = std::vector<uint8_t>;

Bytes IcoBytes(const TSamplePreviews& p) {
  TMemoryStream stream;
  WriteIco(*p.image16, *p.image32, *p.image48, *p.image64, *p.image128, *p.image256, stream);
  return stream.Bytes();
}

struct TBlankPreviews {
  TpmBitmap image16{16, 16}, image32{32, 32}, image48{48, 48}, image64{64, 64}, image128{128, 128},
      image256{256, 256};
  Bytes Write() {
    TMemoryStream stream;
    WriteIco(image16, image32, image48, image64, image128, image256, stream);
    return stream.Bytes();
  }
};

TEST(WriteIco, HeaderAndDirectoryFollowTheFixedLayout) {
  TBlankPreviews previews;
  Bytes file = previews.Write();
  ASSERT_EQ(file.size(), 370070u);
  ASSERT_EQ(kIcoFileSize, 370070);
  EXPECT_EQ(LE16(file, 0), 0u);
  EXPECT_EQ(LE16(file, 2), 1u);
  EXPECT_EQ(LE16(file, 4), 6u);
  struct Entry {
    uint32_t size, bytes, offset;
  };
  // 40 header bytes, size x size x 4 colour bytes, size mask rows of whole 32-bit words.
  const Entry entries[6] = {{32, 4264, 102},     {48, 9640, 4366},     {64, 16936, 14006},
                            {128, 67624, 30942}, {256, 270376, 98566}, {16, 1128, 368942}};
  for (int k = 0; k < 6; ++k) {
    SCOPED_TRACE("entry " + std::to_string(k + 1));
    size_t e = 6 + 16 * k;
    uint32_t size_byte = entries[k].size == 256 ? 0 : entries[k].size;
    EXPECT_EQ(file[e + 0], size_byte);
    EXPECT_EQ(file[e + 1], size_byte);
    EXPECT_EQ(file[e + 2], 0);  // colour count
    EXPECT_EQ(file[e + 3], 0);
    EXPECT_EQ(LE16(file, e + 4), 1u);
    EXPECT_EQ(LE16(file, e + 6), 32u);
    EXPECT_EQ(LE32(file, e + 8), entries[k].bytes);
    EXPECT_EQ(LE32(file, e + 12), entries[k].offset);

    size_t h = entries[k].offset;
    EXPECT_EQ(LE32(file, h + 0), 40u);
    EXPECT_EQ(LE32(file, h + 4), entries[k].size);
    EXPECT_EQ(LE32(file, h + 8), 2 * entries[k].size);  // 512 for the 256 image
    EXPECT_EQ(LE16(file, h + 12), 1u);
    EXPECT_EQ(LE16(file, h + 14), 32u);
    EXPECT_EQ(LE32(file, h + 16), 0u);
    EXPECT_EQ(LE32(file, h + 20), entries[k].size * entries[k].size * 4);
    for (size_t i = 24; i < 40; ++i) EXPECT_EQ(file[h + i], 0) << "header byte " << i;
  }
  // All-zero previews leave every colour byte zero and mark every pixel transparent in
  // the mask (row padding included), images still at full size.
  for (int k = 0; k < 6; ++k) {
    size_t begin = entries[k].offset + 40;
    size_t mask = begin + entries[k].size * entries[k].size * 4;
    size_t end = entries[k].offset + entries[k].bytes;
    size_t nonzero_colour = 0, unset_mask = 0;
    for (size_t i = begin; i < mask; ++i) nonzero_colour += file[i] != 0;
    size_t row_bytes = (entries[k].size + 31) / 32 * 4;
    for (size_t i = mask; i < end; ++i) {
      size_t x = (i - mask) % row_bytes * 8;
      uint8_t want = x + 8 <= entries[k].size ? 0xFF
                     : x >= entries[k].size   ? 0
                                              : 0xFF00 >> (entries[k].size - x) & 0xFF;
      unset_mask += file[i] != want;
    }
    EXPECT_EQ(nonzero_colour, 0u) << "size " << entries[k].size;
    EXPECT_EQ(unset_mask, 0u) << "size " << entries[k].size;
  }
}

TEST(WriteIco, RowsAreStoredBottomUpAsBlueGreenRedAlpha) {
  TBlankPreviews previews;
  previews.image16.Scanline(0)[0] = 0xFFFF0000;   // opaque red, top left
  previews.image16.Scanline(15)[3] = 0xFF00FF00;  // opaque green, bottom row, x = 3
  previews.image256.Scanline(0)[255] = 0xFF0000FF;
  Bytes file = previews.Write();
  // The top row of the 16 image is the last row written.
  size_t top = 368942 + 40 + 15 * 64;
  EXPECT_EQ(Bytes(file.begin() + top, file.begin() + top + 4), (Bytes{0x00, 0x00, 0xFF, 0xFF}));
  size_t bottom = 368942 + 40 + 3 * 4;
  EXPECT_EQ(Bytes(file.begin() + bottom, file.begin() + bottom + 4),
            (Bytes{0x00, 0xFF, 0x00, 0xFF}));
  size_t big = 98566 + 40 + 255 * 1024 + 255 * 4;
  EXPECT_EQ(Bytes(file.begin() + big, file.begin() + big + 4), (Bytes{0xFF, 0x00, 0x00, 0xFF}));
  // The mask follows the same row order: in the 16 image only the two opaque pixels are
  // clear, bit 7 of the last row's first byte (top left) and bit 4 of the first row's.
  size_t mask = 368942 + 40 + 16 * 64;
  EXPECT_EQ(file[mask + 15 * 4], 0x7F);
  EXPECT_EQ(file[mask + 0], 0xEF);
  EXPECT_EQ(file[mask + 1], 0xFF);
  EXPECT_EQ(file[mask + 2], 0x00);  // padding to 32 bits stays clear
}

TEST(WriteIco, SemiTransparentPixelsAreStoredInStraightColour) {
  TBlankPreviews previews;
  previews.image32.Scanline(31)[0] = 0x80402010;  // half-transparent, premultiplied
  previews.image32.Scanline(31)[1] = 0x40FFFFFF;  // invalid premultiplied: clamped
  previews.image32.Scanline(31)[2] = 0x00102030;  // no alpha: no colour
  Bytes file = previews.Write();
  size_t p = 102 + 40;  // bottom row first
  // 0x10, 0x20, 0x40 at alpha 128 -> 0x20, 0x40, 0x80 (31.9, 63.8, 127.5 rounded).
  EXPECT_EQ(Bytes(file.begin() + p, file.begin() + p + 12),
            (Bytes{0x20, 0x40, 0x80, 0x80, 0xFF, 0xFF, 0xFF, 0x40, 0, 0, 0, 0}));
}

TEST(WriteIco, SameFilesForTheSamePreviewsAndFilesOnDisk) {
  TSamplePreviews previews;
  Bytes first = IcoBytes(previews);
  EXPECT_EQ(first, IcoBytes(previews));
  testsupport::TempDir dir;
  std::string name = dir.File("icon.ico");
  WriteIco(*previews.image16, *previews.image32, *previews.image48, *previews.image64,
           *previews.image128, *previews.image256, name);
  auto on_disk = testsupport::ReadFile(name);
  EXPECT_EQ(Bytes(on_disk.begin(), on_disk.end()), first);
}

TEST(WriteIco, IcotoolListsTheSixImages) {
  if (!testsupport::HaveTool("icotool")) GTEST_SKIP() << "icotool (icoutils) not installed";
  TSamplePreviews previews;
  testsupport::TempDir dir;
  std::string name = dir.File("icon.ico");
  WriteIco(*previews.image16, *previews.image32, *previews.image48, *previews.image64,
           *previews.image128, *previews.image256, name);
  std::string output;
  ASSERT_EQ(testsupport::RunCommand("icotool -l " + testsupport::ShellQuote(name), &output), 0)
      << output;
  std::istringstream lines(output);
  std::string line;
  std::vector<std::string> listed;
  while (std::getline(lines, line))
    if (!line.empty()) listed.push_back(line);
  const int sizes[6] = {32, 48, 64, 128, 256, 16};
  ASSERT_EQ(listed.size(), 6u) << output;
  for (int k = 0; k < 6; ++k) {
    std::string s = std::to_string(sizes[k]);
    EXPECT_NE(listed[k].find("--index=" + std::to_string(k + 1)), std::string::npos) << listed[k];
    EXPECT_NE(listed[k].find("--width=" + s + " "), std::string::npos) << listed[k];
    EXPECT_NE(listed[k].find("--height=" + s + " "), std::string::npos) << listed[k];
    EXPECT_NE(listed[k].find("--bit-depth=32"), std::string::npos) << listed[k];
  }
  // Extracting every image must work too (icotool checks each bitmap then).
  ASSERT_EQ(testsupport::RunCommand(
                "cd " + testsupport::ShellQuote(dir.path()) + " && icotool -x icon.ico", &output),
            0)
      << output;
}

TEST(WriteIco, PillowReadsTheStraightColoursWeMeant) {
  std::string python = testsupport::PythonWithPillow();
  if (python.empty()) GTEST_SKIP() << "no Python with Pillow";
  TSamplePreviews previews;
  testsupport::TempDir dir;
  std::string name = dir.File("icon.ico");
  WriteIco(*previews.image16, *previews.image32, *previews.image48, *previews.image64,
           *previews.image128, *previews.image256, name);
  const std::pair<int, const TpmBitmap*> images[] = {
      {16, previews.image16.get()}, {32, previews.image32.get()},   {48, previews.image48.get()},
      {64, previews.image64.get()}, {128, previews.image128.get()}, {256, previews.image256.get()}};
  for (auto [size, preview] : images) {
    SCOPED_TRACE("size " + std::to_string(size));
    std::string error;
    Bytes read = iconreadback::PillowRgba(python, name, size, &error);
    ASSERT_FALSE(read.empty()) << error;
    Bytes want = iconreadback::ExpectedRgba(preview->Pixels(), size_t(size) * size);
    EXPECT_LE(iconreadback::MaxDifference(read, want), 1);
  }
}

}  // namespace
