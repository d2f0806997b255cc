// The command line's libraries loaded at their first call: none is loaded before, every
// argument reaches the library on that first call, and pictures and text then come out as
// with the libraries linked. The cases run in declaration order; each checks only libraries
// the cases before it leave alone.
#include <cairo.h>
#include <gtest/gtest.h>
#include <link.h>
#include <tiffio.h>

#include <cstring>
#include <string>
#include <vector>

#include "iconfmt/jp2_encoder.h"
#include "imaging/bitmap.h"
#include "imaging/canvas.h"
#include "imaging/image_codec.h"

namespace {

bool Loaded(const std::string& prefix) {
  bool found = false;
  auto visit = [](dl_phdr_info* info, size_t, void* data) {
    auto* look = static_cast<std::pair<const std::string*, bool*>*>(data);
    const char* name = info->dlpi_name;
    const char* base = std::strrchr(name, '/');
    base = base ? base + 1 : name;
    if (std::strncmp(base, look->first->c_str(), look->first->size()) == 0) *look->second = true;
    return 0;
  };
  std::pair<const std::string*, bool*> look{&prefix, &found};
  dl_iterate_phdr(visit, &look);
  return found;
}

int Inked(const TpmBitmap& bitmap) {
  int inked = 0;
  for (int y = 0; y < bitmap.Height(); ++y)
    for (int x = 0; x < bitmap.Width(); ++x) inked += (bitmap.Scanline(y)[x] >> 24) > 128;
  return inked;
}

// A TIFF held in memory, for libtiff's client calls.
struct TMemoryTiff {
  std::vector<char> bytes;
  toff_t at = 0;

  static TMemoryTiff& Of(thandle_t h) { return *static_cast<TMemoryTiff*>(h); }
  static tmsize_t Read(thandle_t, void*, tmsize_t) { return 0; }
  static tmsize_t Write(thandle_t h, void* data, tmsize_t size) {
    TMemoryTiff& f = Of(h);
    if (f.bytes.size() < f.at + size) f.bytes.resize(f.at + size);
    std::memcpy(f.bytes.data() + f.at, data, size);
    f.at += size;
    return size;
  }
  static toff_t Seek(thandle_t h, toff_t offset, int whence) {
    TMemoryTiff& f = Of(h);
    f.at = whence == SEEK_SET   ? offset
           : whence == SEEK_CUR ? f.at + offset
                                : f.bytes.size() + offset;
    return f.at;
  }
  static int Close(thandle_t) { return 0; }
  static toff_t Size(thandle_t h) { return Of(h).bytes.size(); }
  static int Map(thandle_t, void**, toff_t*) { return 0; }
  static void Unmap(thandle_t, void*, toff_t) {}
};

TRasterImage Picture(int width, int height) {
  TRasterImage image = AllocateRaster(width, height, TAlphaForm::Straight);
  for (int y = 0; y < image.height; ++y) {
    for (int x = 0; x < image.width; ++x) {
      image.Row(y)[x] = (x + y) % 3 == 0 ? 0x00000000u : 0xFF000000u | (x * 28u << 16) | y * 36u;
    }
  }
  return image;
}

}  // namespace

// Floating-point arguments travel in vector registers, a variadic call counts them in %al,
// and a call with more than six arguments passes the rest on the stack: the first call,
// which loads the library on the way, must leave all of them as they were.
TEST(LazyLibraries, FirstCallsPassEveryArgument) {
  ASSERT_FALSE(Loaded("libcairo.so")) << "Cairo is loaded before its first call";
  ASSERT_FALSE(Loaded("libtiff.so")) << "libtiff is loaded before its first call";

  cairo_matrix_t m;
  cairo_matrix_init(&m, 1.5, -2, 3.25, 4, 5.5, -6);
  EXPECT_EQ(m.xx, 1.5);
  EXPECT_EQ(m.yx, -2);
  EXPECT_EQ(m.xy, 3.25);
  EXPECT_EQ(m.yy, 4);
  EXPECT_EQ(m.x0, 5.5);
  EXPECT_EQ(m.y0, -6);
  EXPECT_TRUE(Loaded("libcairo.so"));

  TMemoryTiff file;
  TIFF* tif = TIFFClientOpenExt("memory", "w", &file, TMemoryTiff::Read, TMemoryTiff::Write,
                                TMemoryTiff::Seek, TMemoryTiff::Close, TMemoryTiff::Size,
                                TMemoryTiff::Map, TMemoryTiff::Unmap, nullptr);
  ASSERT_NE(tif, nullptr);
  EXPECT_TRUE(Loaded("libtiff.so"));
  ASSERT_EQ(TIFFSetField(tif, TIFFTAG_XRESOLUTION, 72.5), 1);
  float resolution = 0;
  ASSERT_EQ(TIFFGetField(tif, TIFFTAG_XRESOLUTION, &resolution), 1);
  EXPECT_EQ(resolution, 72.5f);
  TIFFClose(tif);
}

TEST(LazyLibraries, PicturesAndTextComeOutAsWithTheLibrariesLinked) {
  // Cairo brings libpng and libtiff brings libjpeg, as their dependencies.
  for (const char* library :
       {"libgif.so", "libopenjp2.so", "libpango-1.0.so", "libglib-2.0.so", "libharfbuzz.so"}) {
    EXPECT_FALSE(Loaded(library)) << library << " is loaded before its first call";
  }
  const TRasterImage picture = Picture(9, 7);
  for (TImageFormat format : {TImageFormat::Png, TImageFormat::Tiff, TImageFormat::Gif}) {
    const std::vector<uint8_t> bytes = EncodeImage(picture, format, {});
    const TRasterImage back = DecodeImage(bytes.data(), bytes.size(), TAlphaForm::Straight);
    ASSERT_EQ(back.width, picture.width);
    ASSERT_EQ(back.height, picture.height);
    for (size_t i = 0; i < picture.pixels.size(); ++i) {
      // GIF keeps one transparent entry: a transparent pixel's colour is not kept.
      const uint32_t want = picture.pixels[i] >> 24 ? picture.pixels[i] : 0;
      const uint32_t got = back.pixels[i] >> 24 ? back.pixels[i] : 0;
      ASSERT_EQ(got, want) << "format " << static_cast<int>(format) << ", pixel " << i;
    }
  }
  TRasterImage grey = AllocateRaster(16, 16, TAlphaForm::Straight);
  for (uint32_t& p : grey.pixels) p = 0xFF808080u;
  const std::vector<uint8_t> jpeg = EncodeImage(grey, TImageFormat::Jpeg, {});
  const TRasterImage jpeg_back = DecodeImage(jpeg.data(), jpeg.size(), TAlphaForm::Straight);
  ASSERT_EQ(jpeg_back.width, 16);
  for (uint32_t p : jpeg_back.pixels) EXPECT_NEAR(static_cast<int>(p & 0xFF), 0x80, 2);

  // JPEG 2000's six resolution levels want 32 pixels a side.
  const TRasterImage large = Picture(40, 36);
  const std::vector<uint8_t> jp2 = EncodeJp2(large.pixels.data(), large.width, large.height);
  ASSERT_GT(jp2.size(), 12u);
  EXPECT_EQ(std::memcmp(jp2.data() + 4, "jP  ", 4), 0);  // the JP2 signature box

  TpmBitmap bitmap(200, 40);
  TpmCanvas& c = bitmap.Canvas();
  c.Fill = TpmBrush(pqBrushSolid, 0xFF000000);
  c.Font.SetSize(20);
  TpmRect measured{0, 0, 200, 40};
  c.MeasureText(measured, {}, "Facetmint", false, pqTextAlignNear, pqTextAlignNear);
  EXPECT_GT(measured.Width(), 60);
  c.FillText({0, 0, 200, 40}, {}, "颜色:阴影 Facetmint", false, 1, pqTextAlignNear,
             pqTextAlignCenter);
  EXPECT_GT(Inked(bitmap), 100);

  for (const char* library :
       {"libpng16.so", "libjpeg.so", "libgif.so", "libopenjp2.so", "libpango-1.0.so"}) {
    EXPECT_TRUE(Loaded(library)) << library << " was not loaded by its first call";
  }
}
