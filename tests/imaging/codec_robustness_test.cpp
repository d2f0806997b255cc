// Damaged and forged data of every format fails with EImageError: no crash, no read past
// the data, no allocation a header asks for beyond the limits.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <random>

#include "core/stream.h"
#include "imaging/image_codec.h"
#include "tests/imaging/codec_test_util.h"

using codectest::PatternImage;
using codectest::Sample;

namespace {

using Bytes = std::vector<uint8_t>;

// Decodes a copy sized exactly, so that ASan sees any read past the end.
bool Decodes(const Bytes& bytes, std::string* message = nullptr) {
  std::unique_ptr<uint8_t[]> exact(new uint8_t[bytes.size() ? bytes.size() : 1]);
  std::copy(bytes.begin(), bytes.end(), exact.get());
  try {
    TRasterImage image = DecodeImage(exact.get(), bytes.size(), TAlphaForm::Premultiplied);
    EXPECT_GT(image.width, 0);
    EXPECT_GT(image.height, 0);
    EXPECT_EQ(image.form, TAlphaForm::Premultiplied);
    EXPECT_EQ(image.pixels.size(), static_cast<size_t>(image.width) * image.height);
    // Whatever the damage, what comes out is valid premultiplied colour.
    size_t over = 0;
    for (uint32_t p : image.pixels) {
      const uint32_t a = p >> 24;
      over += ((p >> 16) & 0xFF) > a || ((p >> 8) & 0xFF) > a || (p & 0xFF) > a;
    }
    EXPECT_EQ(over, 0u) << "pixels with a colour channel above their alpha";
    return true;
  } catch (const EImageError& e) {
    if (message) *message = e.what();
    EXPECT_STRNE(e.what(), "");
    return false;
  }
}

Bytes Encoded(TImageFormat format) {
  return EncodeImage(PatternImage(40, 30), format);
}

uint32_t Crc32(const uint8_t* p, size_t n) {
  uint32_t crc = 0xFFFFFFFFu;
  for (size_t i = 0; i < n; ++i) {
    crc ^= p[i];
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
  }
  return ~crc;
}

void PutBe32(Bytes& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (24 - 8 * i));
}
void PutLe16(Bytes& b, size_t at, uint32_t v) {
  b[at] = static_cast<uint8_t>(v);
  b[at + 1] = static_cast<uint8_t>(v >> 8);
}
void PutLe32(Bytes& b, size_t at, uint32_t v) {
  PutLe16(b, at, v & 0xFFFF);
  PutLe16(b, at + 2, v >> 16);
}

std::vector<std::pair<std::string, Bytes>> AllSamples() {
  std::vector<std::pair<std::string, Bytes>> all;
  for (const char* name : {"rgba.png", "rgb.bmp", "pal8.bmp", "mono.bmp", "rgba.tif", "rgb.tif",
                           "rgba.tga", "rgba_rle.tga", "rgb_rle.tga", "rgb.jpg", "progressive.jpg",
                           "cmyk.jpg", "pal.gif", "icon.ico"})
    all.emplace_back(name, testsupport::ReadFile(Sample(name)));
  for (TImageFormat f : {TImageFormat::Png, TImageFormat::Jpeg, TImageFormat::Bmp,
                         TImageFormat::Tiff, TImageFormat::Gif})
    all.emplace_back("encoded " + std::to_string(static_cast<int>(f)), Encoded(f));
  return all;
}

}  // namespace

TEST(CodecRobustness, TruncatedFilesFail) {
  for (auto& [name, bytes] : AllSamples()) {
    ASSERT_TRUE(Decodes(bytes)) << name;
    // Cut inside the pixel data: half the file, and the headers alone.
    for (size_t keep : {bytes.size() / 2, size_t{30}, size_t{10}, size_t{1}}) {
      Bytes cut(bytes.begin(), bytes.begin() + std::min(keep, bytes.size()));
      EXPECT_FALSE(Decodes(cut)) << name << " cut to " << keep;
    }
  }
  EXPECT_FALSE(Decodes({}));
}

TEST(CodecRobustness, EveryPrefixAndRandomDamageIsHandled) {
  std::mt19937 rng(12345);
  for (auto& [name, bytes] : AllSamples()) {
    SCOPED_TRACE(name);
    for (size_t keep = 0; keep < bytes.size(); keep += 1 + bytes.size() / 97)
      Decodes(Bytes(bytes.begin(), bytes.begin() + keep));
    for (int round = 0; round < 150; ++round) {
      Bytes damaged = bytes;
      int hits = 1 + static_cast<int>(rng() % 8);
      for (int i = 0; i < hits; ++i) damaged[rng() % damaged.size()] = static_cast<uint8_t>(rng());
      // Either result is fine (Decodes checks what it gives); ASan and UBSan watch the way.
      Decodes(damaged);
    }
  }
}

TEST(CodecRobustness, AssociatedAlphaBelowItsColourIsClamped) {
  TRasterImage straight = AllocateRaster(2, 1, TAlphaForm::Straight);
  straight.pixels = {0x80C86432, 0x40FFFFFF};
  Bytes tiff = EncodeImage(straight, TImageFormat::Tiff);
  // The ExtraSamples entry (tag 338, one SHORT): unassociated (2) becomes associated (1).
  const uint8_t entry[] = {0x52, 0x01, 0x03, 0x00, 0x01, 0x00, 0x00, 0x00, 0x02, 0x00};
  auto at = std::search(tiff.begin(), tiff.end(), std::begin(entry), std::end(entry));
  ASSERT_NE(at, tiff.end()) << "little-endian ExtraSamples entry not found";
  at[8] = 1;
  TRasterImage image = DecodeImage(tiff.data(), tiff.size(), TAlphaForm::Premultiplied);
  ASSERT_EQ(image.pixels.size(), 2u);
  EXPECT_EQ(image.pixels[0], 0x80806432u) << std::hex << image.pixels[0];
  EXPECT_EQ(image.pixels[1], 0x40404040u) << std::hex << image.pixels[1];
}

TEST(CodecRobustness, ForgedSizesAreRefusedWithoutAllocating) {
  std::string message;
  // PNG: a 60000 x 60000 header with a valid checksum.
  Bytes png = Encoded(TImageFormat::Png);
  PutBe32(png, 16, 60000);
  PutBe32(png, 20, 60000);
  PutBe32(png, 29, Crc32(&png[12], 17));
  EXPECT_FALSE(Decodes(png, &message));
  EXPECT_NE(message.find("too large"), std::string::npos) << message;

  // JPEG: the frame header's height and width.
  Bytes jpeg = Encoded(TImageFormat::Jpeg);
  size_t sof = 2;
  while (sof + 9 < jpeg.size() && !(jpeg[sof] == 0xFF && jpeg[sof + 1] == 0xC0)) ++sof;
  ASSERT_LT(sof + 9, jpeg.size());
  jpeg[sof + 5] = 0xEA, jpeg[sof + 6] = 0x60;  // 60000
  jpeg[sof + 7] = 0xEA, jpeg[sof + 8] = 0x60;
  EXPECT_FALSE(Decodes(jpeg, &message));
  EXPECT_NE(message.find("too large"), std::string::npos) << message;
  // Within the limits but far beyond the data, with the end marker still there: libjpeg
  // fills the rest as corrupt data, which viewers show too; we take the declared size.
  jpeg[sof + 5] = 0x04, jpeg[sof + 6] = 0x00;  // 1024 x 1024
  jpeg[sof + 7] = 0x04, jpeg[sof + 8] = 0x00;
  TRasterImage forged = DecodeImage(jpeg.data(), jpeg.size(), TAlphaForm::Straight);
  EXPECT_EQ(forged.width, 1024);
  // Without the end marker the data simply runs out: an error.
  jpeg.resize(jpeg.size() - 2);
  EXPECT_FALSE(Decodes(jpeg, &message));
  EXPECT_NE(message.find("ends before"), std::string::npos) << message;

  // BMP: width and height, including the most negative (top-down) height.
  Bytes bmp = Encoded(TImageFormat::Bmp);
  PutLe32(bmp, 18, 0x7FFFFFFF);
  EXPECT_FALSE(Decodes(bmp, &message));
  EXPECT_NE(message.find("too large"), std::string::npos) << message;
  bmp = Encoded(TImageFormat::Bmp);
  PutLe32(bmp, 22, 0x80000000u);
  EXPECT_FALSE(Decodes(bmp));
  bmp = Encoded(TImageFormat::Bmp);
  PutLe32(bmp, 18, 4000);  // plausible size, but the pixels are not there
  EXPECT_FALSE(Decodes(bmp, &message));
  EXPECT_NE(message.find("truncated"), std::string::npos) << message;

  // GIF: logical screen and frame of 65535 x 65535.
  Bytes gif = Encoded(TImageFormat::Gif);
  PutLe16(gif, 6, 65535);
  PutLe16(gif, 8, 65535);
  EXPECT_FALSE(Decodes(gif));

  // TGA: 16000 x 16000 (more pixels than allowed, each side within).
  Bytes tga = testsupport::ReadFile(Sample("rgba.tga"));
  PutLe16(tga, 12, 16000);
  PutLe16(tga, 14, 16000);
  EXPECT_FALSE(Decodes(tga, &message));
  EXPECT_NE(message.find("too large"), std::string::npos) << message;

  // ICO: an entry pointing past the end and a directory longer than the file.
  Bytes ico = testsupport::ReadFile(Sample("icon.ico"));
  Bytes far = ico;
  PutLe32(far, 6 + 12, 0x7FFFFFF0);
  EXPECT_FALSE(Decodes(far));
  Bytes many = ico;
  PutLe16(many, 4, 60000);
  EXPECT_FALSE(Decodes(many));
}

TEST(CodecRobustness, LimitAppliesToEveryFormat) {
  size_t saved = MaxImagePixels();
  for (auto& [name, bytes] : AllSamples()) {
    SetMaxImagePixels(40);  // all samples have 48 pixels or more
    EXPECT_FALSE(Decodes(bytes)) << name;
    SetMaxImagePixels(saved);
  }
}

TEST(CodecRobustness, EndlessOrHugeInputIsNotReadWhole) {
  size_t saved = MaxImagePixels();
  SetMaxImagePixels(1000);  // input limit 16 MiB + 16000 bytes
  if (std::ifstream("/dev/zero").good()) {
    try {
      DecodeImageFile("/dev/zero", TAlphaForm::Straight);
      ADD_FAILURE() << "an endless input decoded";
    } catch (const EImageError& e) {
      EXPECT_NE(std::string(e.what()).find("too large"), std::string::npos) << e.what();
    }
  }
  SetMaxImagePixels(saved);
  EXPECT_THROW(DecodeImageFile("/no/such/dir/x.png", TAlphaForm::Straight), EStreamError);
}
