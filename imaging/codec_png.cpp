// PNG through libpng's simplified interface, which reports errors as results instead of
// jumping out of our frames, so no C++ object is ever skipped by a longjmp. The reduced
// decode reads row by row through the full interface; there each libpng call is made from
// a small function of its own that holds no C++ object, and the longjmp of an error lands
// there.
#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <memory>

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

struct TPngSource {
  const uint8_t* data = nullptr;
  size_t size = 0, pos = 0;
  char message[256] = "unknown error";
};

void ReadFromMemory(png_structp png, png_bytep out, size_t count) {
  auto* src = static_cast<TPngSource*>(png_get_io_ptr(png));
  if (count > src->size - src->pos) png_error(png, "the data ends before the image does");
  std::memcpy(out, src->data + src->pos, count);
  src->pos += count;
}

void OnPngError(png_structp png, png_const_charp message) {
  auto* src = static_cast<TPngSource*>(png_get_error_ptr(png));
  std::snprintf(src->message, sizeof src->message, "%s", message);
  png_longjmp(png, 1);
}

void OnPngWarning(png_structp, png_const_charp) {}

// Frees libpng's row-by-row read state on every exit path.
struct TPngRowReader {
  TPngSource source;
  png_structp png = nullptr;
  png_infop info = nullptr;
  TPngRowReader(const uint8_t* data, size_t size) {
    source.data = data;
    source.size = size;
    png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &source, OnPngError, OnPngWarning);
    if (png) info = png_create_info_struct(png);
    if (!png || !info) throw EImageError("Out of memory for a PNG reader");
  }
  ~TPngRowReader() { png_destroy_read_struct(&png, &info, nullptr); }
  TPngRowReader(const TPngRowReader&) = delete;
  TPngRowReader& operator=(const TPngRowReader&) = delete;
};

// Reads the header and asks for rows as 8-bit B, G, R, A words, the form the simplified
// interface gives (16-bit samples taken as sRGB). False with the message on an error.
bool ReadPngHeader(TPngRowReader* r, png_uint_32* width, png_uint_32* height, int* interlace) {
  if (setjmp(png_jmpbuf(r->png))) return false;
  png_set_read_fn(r->png, &r->source, ReadFromMemory);
  png_set_user_limits(r->png, kMaxImageSide, kMaxImageSide);
  png_read_info(r->png, r->info);
  *width = png_get_image_width(r->png, r->info);
  *height = png_get_image_height(r->png, r->info);
  *interlace = png_get_interlace_type(r->png, r->info);
  png_set_alpha_mode(r->png, PNG_ALPHA_PNG, PNG_DEFAULT_sRGB);
  png_set_expand(r->png);
  png_set_scale_16(r->png);
  png_set_gray_to_rgb(r->png);
  png_set_bgr(r->png);
  png_set_add_alpha(r->png, 0xFF, PNG_FILLER_AFTER);
  png_read_update_info(r->png, r->info);
  return png_get_rowbytes(r->png, r->info) == static_cast<size_t>(*width) * 4;
}

bool ReadPngRow(TPngRowReader* r, uint8_t* row) {
  if (setjmp(png_jmpbuf(r->png))) return false;
  png_read_row(r->png, row, nullptr);
  return true;
}

}  // namespace

namespace imagecodec {

TRasterImage DecodePngFitting(const uint8_t* data, size_t size, int32_t max_side) {
  TPngRowReader reader(data, size);
  png_uint_32 w = 0, h = 0;
  int interlace = 0;
  if (!ReadPngHeader(&reader, &w, &h, &interlace))
    throw EImageError(std::string("Invalid PNG image: ") + reader.source.message);
  CheckImageSize(w, h);
  int32_t width = static_cast<int32_t>(w), height = static_cast<int32_t>(h);
  FitWithinSide(width, height, max_side);
  // Interlaced rows are only complete after the last pass: those are decoded whole.
  if (interlace != PNG_INTERLACE_NONE ||
      (width == static_cast<int32_t>(w) && height == static_cast<int32_t>(h)))
    return DecodePng(data, size);
  TRowReducer reducer(static_cast<int32_t>(w), static_cast<int32_t>(h), width, height);
  std::vector<uint32_t> row(w);
  for (png_uint_32 y = 0; y < h; ++y) {
    if (!ReadPngRow(&reader, reinterpret_cast<uint8_t*>(row.data())))
      throw EImageError(std::string("Invalid PNG image: ") + reader.source.message);
    reducer.AddRow(row.data());
  }
  return reducer.Finish(TAlphaForm::Straight);
}

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

std::vector<uint8_t> EncodePng(const TRasterImage& straight, bool fast) {
  TPngImage png;
  png->width = static_cast<png_uint_32>(straight.width);
  png->height = static_cast<png_uint_32>(straight.height);
  png->format = PNG_FORMAT_BGRA;
  if (fast) png->flags |= PNG_IMAGE_FLAG_FAST;
  const png_int_32 stride = static_cast<png_int_32>(straight.width) * 4;
  // One pass into a buffer of the largest size the image can take: measuring first would
  // compress everything twice.
  png_alloc_size_t size = PNG_IMAGE_PNG_SIZE_MAX(*png.get());
  const std::unique_ptr<uint8_t[]> buffer(new uint8_t[size]);  // not zeroed: written first
  if (!png_image_write_to_memory(png.get(), buffer.get(), &size, 0, straight.pixels.data(), stride,
                                 nullptr))
    throw EImageError("Cannot encode PNG image: " + png.Message());
  return std::vector<uint8_t>(buffer.get(), buffer.get() + size);
}

}  // namespace imagecodec
