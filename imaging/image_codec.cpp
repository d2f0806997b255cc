#include "imaging/image_codec.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>

#include "core/stream.h"
#include "core/text_helpers.h"
#include "imaging/straight_alpha.h"

static_assert(std::endian::native == std::endian::little,
              "pixels are handed to the codecs as B, G, R, A bytes");

namespace {

size_t g_max_pixels = size_t{64} * 1024 * 1024;  // 256 MiB of 32-bit pixels

bool StartsWith(const uint8_t* data, size_t size, const char* magic, size_t n) {
  return size >= n && std::memcmp(data, magic, n) == 0;
}

}  // namespace

size_t MaxImagePixels() {
  return g_max_pixels;
}

size_t MaxEncodedBytes() {
  return g_max_pixels * 16 + (size_t{16} << 20);
}

void SetMaxImagePixels(size_t count) {
  g_max_pixels = std::max<size_t>(count, 1);
}

void CheckImageSize(int64_t width, int64_t height) {
  if (width < 1 || height < 1)
    throw EImageError("Image has no pixels (" + std::to_string(width) + " x " +
                      std::to_string(height) + ")");
  if (width > kMaxImageSide || height > kMaxImageSide ||
      static_cast<uint64_t>(width) * static_cast<uint64_t>(height) > MaxImagePixels())
    throw EImageError("Image of " + std::to_string(width) + " x " + std::to_string(height) +
                      " pixels is too large");
}

TRasterImage AllocateRaster(int64_t width, int64_t height, TAlphaForm form) {
  CheckImageSize(width, height);
  TRasterImage image;
  image.width = static_cast<int32_t>(width);
  image.height = static_cast<int32_t>(height);
  image.form = form;
  image.pixels.assign(static_cast<size_t>(width) * static_cast<size_t>(height), 0);
  return image;
}

TImageFormat DetectImageFormat(const uint8_t* data, size_t size) {
  if (StartsWith(data, size, "\x89PNG\r\n\x1a\n", 8)) return TImageFormat::Png;
  if (StartsWith(data, size, "\xFF\xD8\xFF", 3)) return TImageFormat::Jpeg;
  if (StartsWith(data, size, "GIF87a", 6) || StartsWith(data, size, "GIF89a", 6))
    return TImageFormat::Gif;
  if (StartsWith(data, size, "II*\0", 4) || StartsWith(data, size, "MM\0*", 4))
    return TImageFormat::Tiff;
  if (StartsWith(data, size, "BM", 2)) return TImageFormat::Bmp;
  // Icons (type 1) and cursors (type 2) share the directory layout.
  if (size >= 6 && data[0] == 0 && data[1] == 0 && (data[2] == 1 || data[2] == 2) && data[3] == 0 &&
      (data[4] | data[5]) != 0)
    return TImageFormat::Ico;
  if (imagecodec::LooksLikeTga(data, size)) return TImageFormat::Tga;
  return TImageFormat::Unknown;
}

TImageFormat EncoderFormatForFileName(const std::string& file_name) {
  const std::string ext = LowerExtension(file_name, TLeadingDot::StartsExtension);
  if (ext == ".jpg" || ext == ".jpeg") return TImageFormat::Jpeg;
  if (ext == ".bmp") return TImageFormat::Bmp;
  if (ext == ".png") return TImageFormat::Png;
  if (ext == ".tif" || ext == ".tiff") return TImageFormat::Tiff;
  if (ext == ".gif") return TImageFormat::Gif;
  return TImageFormat::Unknown;
}

TRasterImage DecodeImage(const uint8_t* data, size_t size, TAlphaForm form) {
  if (size == 0) throw EImageError("Image data is empty");
  TRasterImage image;
  switch (DetectImageFormat(data, size)) {
    case TImageFormat::Png:
      image = imagecodec::DecodePng(data, size);
      break;
    case TImageFormat::Jpeg:
      image = imagecodec::DecodeJpeg(data, size);
      break;
    case TImageFormat::Gif:
      image = imagecodec::DecodeGif(data, size);
      break;
    case TImageFormat::Tiff:
      image = imagecodec::DecodeTiff(data, size);
      break;
    case TImageFormat::Bmp:
      image = imagecodec::DecodeBmp(data, size);
      break;
    case TImageFormat::Ico:
      try {
        image = imagecodec::DecodeIco(data, size);
      } catch (const EImageError&) {
        // A TGA without image id or colour map starts like a cursor directory.
        if (!imagecodec::LooksLikeTga(data, size)) throw;
        image = imagecodec::DecodeTga(data, size);
      }
      break;
    case TImageFormat::Tga:
      image = imagecodec::DecodeTga(data, size);
      break;
    case TImageFormat::Unknown:
      throw EImageError("Unknown image format");
  }
  ConvertAlphaForm(image, form);
  return image;
}

namespace {

std::vector<uint8_t> ReadImageFile(const std::string& file_name) {
  // Read in pieces up to the limit, so that neither a huge file nor a device that never
  // ends is taken into memory whole.
  TFileStream file(file_name, TFileStream::Mode::OpenRead);
  std::vector<uint8_t> bytes;
  uint8_t chunk[65536];
  while (size_t n = file.Read(chunk, sizeof chunk)) {
    if (bytes.size() + n > MaxEncodedBytes()) throw EImageError("Image file is too large");
    bytes.insert(bytes.end(), chunk, chunk + n);
  }
  return bytes;
}

}  // namespace

TRasterImage DecodeImageFile(const std::string& file_name, TAlphaForm form) {
  const std::vector<uint8_t> bytes = ReadImageFile(file_name);
  return DecodeImage(bytes.data(), bytes.size(), form);
}

void FitWithinSide(int32_t& width, int32_t& height, int32_t max_side) {
  if (max_side < 1 || (width <= max_side && height <= max_side)) return;
  const bool wide = width >= height;
  const double share = static_cast<double>(wide ? height : width) / (wide ? width : height);
  const int32_t other = static_cast<int32_t>(std::max(1L, std::lround(share * max_side)));
  width = wide ? max_side : other;
  height = wide ? other : max_side;
}

TRasterImage DecodeImageFitting(const uint8_t* data, size_t size, TAlphaForm form,
                                int32_t max_side) {
  TRasterImage image;
  switch (DetectImageFormat(data, size)) {
    case TImageFormat::Png:
      image = imagecodec::DecodePngFitting(data, size, max_side);
      break;
    case TImageFormat::Jpeg:
      image = imagecodec::DecodeJpeg(data, size, max_side);
      break;
    default:
      image = DecodeImage(data, size, TAlphaForm::Straight);
      break;
  }
  int32_t w = image.width, h = image.height;
  FitWithinSide(w, h, max_side);
  if (w != image.width || h != image.height) {
    TRowReducer reducer(image.width, image.height, w, h);
    for (int32_t y = 0; y < image.height; ++y) reducer.AddRow(image.Row(y));
    image.pixels = {};  // the full size goes before the result is unpacked
    return reducer.Finish(form);
  }
  ConvertAlphaForm(image, form);
  return image;
}

TRasterImage DecodeImageFileFitting(const std::string& file_name, TAlphaForm form,
                                    int32_t max_side) {
  const std::vector<uint8_t> bytes = ReadImageFile(file_name);
  return DecodeImageFitting(bytes.data(), bytes.size(), form, max_side);
}

uint32_t PremultiplyPixel(uint32_t p) {
  uint32_t a = p >> 24;
  if (a == 255) return p;
  if (a == 0) return 0;
  auto mul = [a](uint32_t c) {
    uint32_t t = c * a + 128;  // exact round(c * a / 255); no ties exist for a divisor of 255
    return (t + (t >> 8)) >> 8;
  };
  return (a << 24) | (mul((p >> 16) & 0xFF) << 16) | (mul((p >> 8) & 0xFF) << 8) | mul(p & 0xFF);
}

void ConvertAlphaForm(TRasterImage& image, TAlphaForm form) {
  if (image.form == form) return;
  if (form == TAlphaForm::Premultiplied) {
    for (uint32_t& p : image.pixels) p = PremultiplyPixel(p);
  } else {
    ToStraightAlpha(image.pixels.data(), image.pixels.data(), image.pixels.size());
  }
  image.form = form;
}

std::vector<uint8_t> EncodeImage(const TRasterImage& image, TImageFormat format,
                                 const TEncodeOptions& options) {
  if (image.width < 1 || image.height < 1 ||
      image.pixels.size() != static_cast<size_t>(image.width) * image.height)
    throw EImageError("Cannot encode an image without pixels");
  const TRasterImage* straight = &image;
  TRasterImage converted;
  if (image.form != TAlphaForm::Straight) {
    converted = image;
    ConvertAlphaForm(converted, TAlphaForm::Straight);
    straight = &converted;
  }
  switch (format) {
    case TImageFormat::Png:
      return imagecodec::EncodePng(*straight, options.fast);
    case TImageFormat::Jpeg:
      return imagecodec::EncodeJpeg(*straight, std::clamp(options.quality, 0, 100));
    case TImageFormat::Bmp:
      return imagecodec::EncodeBmp(*straight);
    case TImageFormat::Tiff:
      return imagecodec::EncodeTiff(*straight);
    case TImageFormat::Gif:
      return imagecodec::EncodeGif(*straight);
    default:
      throw EImageError("No encoder for this image format");
  }
}
