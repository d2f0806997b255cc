#include "imaging/filter.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <stdexcept>

#include "core/property_registry.h"
#include "core/stream.h"
#include "imaging/bitmap.h"
#include "imaging/image_codec.h"
#include "platform/atomic_file.h"

namespace {

void StoreInBitmap(const TRasterImage& image, TpmBitmap& bitmap) {
  bitmap.SetSize(image.width, image.height);
  std::memcpy(bitmap.Pixels(), image.pixels.data(), bitmap.ByteSize());
}

// False for data no decoder accepts; file errors propagate.
bool DecodeFile(const std::string& file_name, TRasterImage& image) {
  try {
    image = DecodeImageFile(file_name, TAlphaForm::Premultiplied);
    return true;
  } catch (const EImageError&) {
    return false;
  }
}

bool DecodeStream(TStream& stream, TRasterImage& image) {
  const int64_t start = stream.Position();
  const int64_t count = stream.Remaining();
  if (count <= 0 || static_cast<uint64_t>(count) > MaxEncodedBytes()) return false;
  std::vector<uint8_t> data(static_cast<size_t>(count));
  stream.ReadBuffer(data.data(), data.size());
  try {
    image = DecodeImage(data.data(), data.size(), TAlphaForm::Premultiplied);
    return true;
  } catch (const EImageError&) {
    stream.Seek(start);
    return false;
  }
}

bool EncodeToStream(TStream& stream, const TpmBitmap& bitmap, TImageFormat format) {
  std::vector<uint8_t> data;
  try {
    data = EncodeImage(RasterOf(bitmap), format);
  } catch (const EImageError&) {
    return false;
  }
  stream.WriteBuffer(data.data(), data.size());
  return true;
}

class TpmCodecFilterClass final : public TpmFilterClass {
 public:
  std::unique_ptr<TpmFilter> Create() const override { return std::make_unique<TpmCodecFilter>(); }
};

const TpmCodecFilterClass g_codec_filter_class;
const TpmFilterClass* g_default_filter_class = &g_codec_filter_class;

}  // namespace

const TpmFilterClass& DefaultFilterClass() {
  return *g_default_filter_class;
}

void SetDefaultFilterClass(const TpmFilterClass* cls) {
  g_default_filter_class = cls ? cls : &g_codec_filter_class;
}

int QualityFromParams(const std::string& params, int fallback) {
  int quality = fallback;
  size_t pos = 0;
  while (pos <= params.size()) {
    size_t blank = params.find(' ', pos);
    std::string token = params.substr(pos, blank == std::string::npos ? blank : blank - pos);
    pos = blank == std::string::npos ? params.size() + 1 : blank + 1;
    size_t eq = token.find('=');
    if (eq == std::string::npos || !SameText(token.substr(0, eq), "quality")) continue;
    std::string value = token.substr(eq + 1);
    const char* begin = value.data();
    const char* end = begin + value.size();
    if (begin != end && *begin == '+') ++begin;
    int parsed = 0;
    auto [ptr, ec] = std::from_chars(begin, end, parsed);
    if (begin == end || ec != std::errc() || ptr != end)
      throw std::invalid_argument("'" + value + "' is not a valid integer value");
    quality = parsed;
  }
  return quality;
}

std::string TpmCodecFilter::GetFileTypes() const {
  return "*.bmp;*.jpg;*.jpeg;*.png;*.tif;*.tiff;*.gif;*.ico;*.tga";
}

TpmPoint TpmCodecFilter::GetImageSize(const std::string& file_name) {
  TRasterImage image;
  if (!DecodeFile(file_name, image)) return {};
  return {static_cast<float>(image.width), static_cast<float>(image.height)};
}

bool TpmCodecFilter::LoadFromFile(const std::string& file_name, TpmBitmap& bitmap, float rotate) {
  if (!std::isfinite(rotate)) return false;
  TRasterImage image;
  if (!DecodeFile(file_name, image)) return false;
  if (std::fmod(rotate, 90.0f) == 0.0f) {
    // The remainder keeps the sign of the angle: -90 leaves the image as it is.
    const double a = std::fmod(static_cast<double>(rotate), 360.0);
    if (a == 90 || a == 180 || a == 270) RotateQuarterTurns(image, static_cast<int>(a / 90));
    StoreInBitmap(image, bitmap);
    return true;
  }
  try {
    StoreInBitmap(RotateFree(image, rotate), bitmap);
  } catch (const EImageError&) {  // the turned image would exceed the limits
    return false;
  }
  return true;
}

bool TpmCodecFilter::LoadThumbnailFromFile(const std::string& file_name, bool use_embedded,
                                           float fit_width, float fit_height, TpmBitmap& bitmap) {
  TRasterImage image;
  if (!DecodeFile(file_name, image)) return false;
  // No reader here keeps embedded thumbnails, so both ways reduce the full image.
  (void)use_embedded;
  const double w = image.width, h = image.height;
  double r = fit_width * fit_height == 0 ? 1.0 : std::max(w / fit_width, h / fit_height);
  if (!std::isfinite(r)) r = 1.0;
  if (r == 0) r = 0.001;
  if (r < 1) r = 1;  // a thumbnail never enlarges
  // The allowance keeps 100 / (100 / 30) from truncating to 29.
  const auto side = [](double v) {
    return static_cast<int32_t>(std::clamp(std::trunc(v + 1e-9), 1.0, double{kMaxImageSide}));
  };
  StoreInBitmap(ResizeArea(image, side(w / r), side(h / r)), bitmap);
  return true;
}

bool TpmCodecFilter::SaveToFile(const std::string& file_name, const TpmBitmap& bitmap,
                                const std::string& params) {
  const TImageFormat format = EncoderFormatForFileName(file_name);
  if (format == TImageFormat::Unknown) return false;
  TEncodeOptions options;
  options.quality = QualityFromParams(params, options.quality);
  std::vector<uint8_t> data;
  try {
    data = EncodeImage(RasterOf(bitmap), format, options);
  } catch (const EImageError&) {
    return false;
  }
  WriteFileAtomically(file_name,
                      [&](TStream& stream) { stream.WriteBuffer(data.data(), data.size()); });
  return true;
}

bool TpmCodecFilter::LoadJpeg(TStream& stream, TpmBitmap& bitmap) {
  TRasterImage image;
  if (!DecodeStream(stream, image)) return false;
  StoreInBitmap(image, bitmap);
  return true;
}

bool TpmCodecFilter::LoadPng(TStream& stream, TpmBitmap& bitmap) {
  return LoadJpeg(stream, bitmap);  // both read whatever format the data has
}

bool TpmCodecFilter::SaveJpeg(TStream& stream, const TpmBitmap& bitmap) {
  return EncodeToStream(stream, bitmap, TImageFormat::Jpeg);
}

bool TpmCodecFilter::SavePng(TStream& stream, const TpmBitmap& bitmap) {
  return EncodeToStream(stream, bitmap, TImageFormat::Png);
}

TRasterImage RasterOf(const TpmBitmap& bitmap) {
  TRasterImage image;
  image.width = bitmap.Width();
  image.height = bitmap.Height();
  image.form = TAlphaForm::Premultiplied;
  image.pixels.assign(bitmap.Pixels(), bitmap.Pixels() + bitmap.ByteSize() / 4);
  // Converted here, in the copy, rather than copied once more by the encoder.
  ConvertAlphaForm(image, TAlphaForm::Straight);
  return image;
}
