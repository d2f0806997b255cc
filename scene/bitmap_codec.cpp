#include "scene/bitmap_codec.h"

#include <algorithm>
#include <atomic>
#include <charconv>
#include <cmath>
#include <cstring>
#include <vector>

#include "core/stream.h"
#include "core/text_helpers.h"
#include "imaging/image_codec.h"
#include "platform/atomic_file.h"
#include "scene/scene_bitmap.h"
#include "scene/text_forms.h"

namespace {

// Decodes a file; std::nullopt-like empty raster for data no decoder accepts.
bool DecodeFile(const std::string& file_name, TRasterImage& image) {
  try {
    image = DecodeImageFile(file_name, TAlphaForm::Straight);
  } catch (const EImageError&) {
    return false;
  }
  return image.width > 0 && image.height > 0;
}

bool DecodeStream(TStream& stream, TRasterImage& image) {
  std::vector<uint8_t> data(static_cast<size_t>(stream.Remaining()));
  if (!data.empty()) stream.ReadBuffer(data.data(), data.size());
  if (data.empty()) return false;
  try {
    image = DecodeImage(data.data(), data.size(), TAlphaForm::Straight);
  } catch (const EImageError&) {
    return false;
  }
  return image.width > 0 && image.height > 0;
}

// Sizes the bitmap to the image and copies the pixels under a write lock, so the bitmap is
// marked for upload and fires OnChange.
void StoreInBitmap(const TRasterImage& image, TgkBitmap& bitmap) {
  bitmap.SetSize(image.width, image.height);
  uint32_t* bits = nullptr;
  if (!bitmap.LockBitmapBits(bits, true)) return;
  std::memcpy(bits, image.pixels.data(), image.pixels.size() * sizeof(uint32_t));
  bitmap.SetAlphaForm(image.form);
  bitmap.UnlockBitmapBits();
}

// The bitmap's pixels in its own alpha form (encoders convert), read under a read lock; false
// without pixels.
bool RasterOf(TgkBitmap& bitmap, TRasterImage& image) {
  uint32_t* bits = nullptr;
  if (!bitmap.LockBitmapBits(bits, false)) return false;
  image.width = bitmap.Width();
  image.height = bitmap.Height();
  image.form = bitmap.AlphaForm();
  image.pixels.assign(bits, bits + bitmap.PixelCount());
  bitmap.UnlockBitmapBits();
  return true;
}

bool Encode(TgkBitmap& bitmap, TImageFormat format, int quality, std::vector<uint8_t>& out) {
  TRasterImage image;
  if (!RasterOf(bitmap, image)) return false;
  try {
    out = EncodeImage(image, format, TEncodeOptions{quality});
  } catch (const EImageError&) {
    return false;
  }
  return true;
}

int QualityFrom(const std::string& params) {
  int quality = TEncodeOptions{}.quality;
  size_t pos = 0;
  while (pos < params.size()) {
    const std::string token = ReadToken(pos, params, " ");
    const size_t eq = token.find('=');
    if (eq == std::string::npos || LowerCase(token.substr(0, eq)) != "quality") continue;
    const std::string value = token.substr(eq + 1);
    int q = 0;
    auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), q);
    if (ec != std::errc() || end != value.data() + value.size() || value.empty()) {
      throw EConvertError("'" + value + "' is not a valid integer value");
    }
    quality = std::clamp(q, 0, 100);
  }
  return quality;
}

}  // namespace

std::string TgkCodecFilter::GetFileTypes() const {
  return "*.bmp;*.jpg;*.jpeg;*.png;*.tif;*.tiff;*.gif";
}

TgkPoint TgkCodecFilter::GetImageSize(const std::string& file_name) {
  TRasterImage image;
  if (!DecodeFile(file_name, image)) return {};
  return MakePoint(static_cast<float>(image.width), static_cast<float>(image.height), 0);
}

bool TgkCodecFilter::LoadFromFile(const std::string& file_name, TgkBitmap& bitmap, float rotate) {
  TRasterImage image;
  if (!DecodeFile(file_name, image)) return false;
  // Only quarter turns: there is no free rotation on the 3D side.
  if (!std::isfinite(rotate) || std::trunc(rotate) != rotate || std::fabs(rotate) > 2147483520.0f) {
    return false;
  }
  const int whole = static_cast<int>(rotate);
  if (whole % 90 != 0) return false;
  const int a = whole % 360;  // keeps the sign: -90 is no turn
  if (a == 90 || a == 180 || a == 270) RotateQuarterTurns(image, a / 90);
  StoreInBitmap(image, bitmap);
  return true;
}

bool TgkCodecFilter::LoadThumbnailFromFile(const std::string& file_name, bool use_embedded,
                                           float fit_width, float fit_height, TgkBitmap& bitmap) {
  TRasterImage image;
  if (!DecodeFile(file_name, image)) return false;
  double r = 1;
  if (fit_width * fit_height != 0) {
    r = std::max(image.width / static_cast<double>(fit_width),
                 image.height / static_cast<double>(fit_height));
  }
  if (!(r > 0)) r = 4;  // a degenerate box
  const double w = std::trunc(image.width / r), h = std::trunc(image.height / r);
  const int32_t width = static_cast<int32_t>(std::clamp(w, 1.0, double{kMaxImageSide}));
  const int32_t height = static_cast<int32_t>(std::clamp(h, 1.0, double{kMaxImageSide}));
  StoreInBitmap(ResizeArea(image, width, height), bitmap);
  return true;
}

bool TgkCodecFilter::SaveToFile(const std::string& file_name, TgkBitmap& bitmap,
                                const std::string& params) {
  const TImageFormat format = EncoderFormatForFileName(file_name);
  if (format == TImageFormat::Unknown) return false;
  const int quality = QualityFrom(params);
  std::vector<uint8_t> data;
  if (!Encode(bitmap, format, quality, data)) return false;
  WriteFileAtomically(file_name, [&](TStream& s) { s.WriteBuffer(data.data(), data.size()); });
  return true;
}

bool TgkCodecFilter::LoadJpeg(TStream& stream, TgkBitmap& bitmap) {
  TRasterImage image;
  if (!DecodeStream(stream, image)) return false;
  StoreInBitmap(image, bitmap);
  return true;
}

bool TgkCodecFilter::LoadPng(TStream& stream, TgkBitmap& bitmap) {
  return LoadJpeg(stream, bitmap);
}

bool TgkCodecFilter::SaveJpeg(TStream& stream, TgkBitmap& bitmap) {
  std::vector<uint8_t> data;
  if (!Encode(bitmap, TImageFormat::Jpeg, TEncodeOptions{}.quality, data)) return false;
  stream.WriteBuffer(data.data(), data.size());
  return true;
}

bool TgkCodecFilter::SavePng(TStream& stream, TgkBitmap& bitmap) {
  std::vector<uint8_t> data;
  if (!Encode(bitmap, TImageFormat::Png, 0, data)) return false;
  stream.WriteBuffer(data.data(), data.size());
  return true;
}

namespace {
constexpr int32_t kTextureSideCap = 4096;
// Set on the renderer's thread, read by texture decodes on a model read's thread.
std::atomic<int32_t> g_renderer_limit{kTextureSideCap};
}  // namespace

int32_t MaxTextureSide() {
  return g_renderer_limit.load(std::memory_order_relaxed);
}

void SetRendererTextureLimit(int32_t side) {
  g_renderer_limit.store(std::clamp(side, 1, kTextureSideCap), std::memory_order_relaxed);
}

std::optional<TRasterImage> DecodeTexturePixels(const uint32_t* pixels, int32_t width,
                                                int32_t height) {
  if (width <= 0 || height <= 0 || width > kMaxImageSide || height > kMaxImageSide) {
    return std::nullopt;
  }
  TRasterImage image;
  image.width = width;
  image.height = height;
  image.pixels.assign(pixels, pixels + static_cast<size_t>(width) * static_cast<size_t>(height));
  int32_t w = width, h = height;
  FitWithinSide(w, h, MaxTextureSide());
  if (w == width && h == height) return image;
  return ResizeArea(image, w, h);
}

void StoreTexture(const TRasterImage& image, TgkBitmap& bitmap) {
  StoreInBitmap(image, bitmap);
}

std::unique_ptr<TgkFilter> TgkCodecFilterClass::Create() const {
  return std::make_unique<TgkCodecFilter>();
}
