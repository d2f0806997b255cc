// The image codec filter of the 3D side: fills a TgkBitmap from BMP, JPEG, PNG, TIFF and
// GIF files or streams and writes one back, with straight (not premultiplied) colour, the
// form textures are uploaded in. It is the built-in DefaultFilterClass3D().
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "imaging/image_codec.h"
#include "scene/bitmap_filter.h"

class TgkCodecFilter final : public TgkFilter {
 public:
  std::string GetFileTypes() const override;
  TgkPoint GetImageSize(const std::string& file_name) override;
  bool LoadFromFile(const std::string& file_name, TgkBitmap& bitmap, float rotate) override;
  // Fitted size Trunc(width / r) x Trunc(height / r) with r the fit ratio of the image into
  // the box; an empty box means r = 1.
  bool LoadThumbnailFromFile(const std::string& file_name, bool use_embedded, float fit_width,
                             float fit_height, TgkBitmap& bitmap) override;
  // Written atomically: a failed save leaves an existing file as it was. A quality value
  // that is not an integer raises EConvertError.
  bool SaveToFile(const std::string& file_name, TgkBitmap& bitmap,
                  const std::string& params) override;
  // The stream operations decode everything from the stream's position to its end.
  bool LoadJpeg(TStream& stream, TgkBitmap& bitmap) override;
  bool LoadPng(TStream& stream, TgkBitmap& bitmap) override;
  bool SaveJpeg(TStream& stream, TgkBitmap& bitmap) override;
  bool SavePng(TStream& stream, TgkBitmap& bitmap) override;
};

class TgkCodecFilterClass final : public TgkFilterClass {
 public:
  std::unique_ptr<TgkFilter> Create() const override;
};

// The largest side a model's texture keeps: 4096, or the renderer's own limit when it has
// reported a smaller one.
int32_t MaxTextureSide();
// For the renderer: its largest texture side (values above 4096 leave 4096).
void SetRendererTextureLimit(int32_t side);
// Width x height straight ARGB pixels, rows top to bottom, as a texture reduced to fit
// MaxTextureSide(); nullopt for a size no image may have. Image files are decoded in a
// guarded process (import/texture_decoder.h). Touches no scene object: any thread may
// decode, the scene's thread then stores (StoreTexture).
std::optional<TRasterImage> DecodeTexturePixels(const uint32_t* pixels, int32_t width,
                                                int32_t height);
// Puts a decoded texture into the bitmap, marked for upload like LoadFromFile.
void StoreTexture(const TRasterImage& image, TgkBitmap& bitmap);
