// PNG through libpng's simplified interface, which reports errors as results instead of
// jumping out of our frames, so no C++ object is ever skipped by a longjmp.
#include <png.h>

#include <cstring>

#include "imaging/image_codec.h"

namespace {

// Frees libpng's read state on every exit path.
class TPngImage {
 public:
  TPngImage() {
    std::memset(&image_, 0, sizeof image_);
    image_.version = PNG_IMAGE_VERSION;
  }
  ~TPngImage() { png_image_free(&image_); }
  TPngImage(const TPngImage&) = delete;
  TPngImage& operator=(const TPngImage&) = delete;
  png_image* operator->() { return &image_; }
  png_image* get() { return &image_; }
  std::string Message() const { return image_.message[0] ? image_.message : "unknown error"; }

 private:
  png_image image_;
};

}  // namespace

namespace imagecodec {

TRasterImage DecodePng(const uint8_t* data, size_t size) {
  TPngImage png;
  if (!png_image_begin_read_from_memory(png.get(), data, size))
    throw EImageError("Invalid PNG image: " + png.Message());
  // The header's size is checked before anything is allocated for it.
  TRasterImage image = AllocateRaster(png->width, png->height, TAlphaForm::Straight);
  png->format = PNG_FORMAT_BGRA;  // 0xAARRGGBB words on a little-endian machine
  // Without a gAMA or sRGB chunk libpng would take 16-bit samples as linear light and
  // brighten them on the way to 8 bits; every other reader takes them as sRGB.
  png->flags |= PNG_IMAGE_FLAG_16BIT_sRGB;
  if (!png_image_finish_read(png.get(), nullptr, image.pixels.data(),
                             static_cast<png_int_32>(image.width) * 4, nullptr))
    throw EImageError("Invalid PNG image: " + png.Message());
  return image;
}

std::vector<uint8_t> EncodePng(const TRasterImage& straight) {
  TPngImage png;
  png->width = static_cast<png_uint_32>(straight.width);
  png->height = static_cast<png_uint_32>(straight.height);
  png->format = PNG_FORMAT_BGRA;
  const png_int_32 stride = static_cast<png_int_32>(straight.width) * 4;
  png_alloc_size_t size = 0;
  // The first call measures, the second writes into a buffer of that size.
  if (!png_image_write_to_memory(png.get(), nullptr, &size, 0, straight.pixels.data(), stride,
                                 nullptr))
    throw EImageError("Cannot encode PNG image: " + png.Message());
  std::vector<uint8_t> out(size);
  if (!png_image_write_to_memory(png.get(), out.data(), &size, 0, straight.pixels.data(), stride,
                                 nullptr))
    throw EImageError("Cannot encode PNG image: " + png.Message());
  out.resize(size);
  return out;
}

}  // namespace imagecodec
