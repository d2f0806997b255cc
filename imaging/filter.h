// TpmFilter: turns image files and streams into TpmBitmap pixels (premultiplied) and back.
// TpmBitmap loads and saves through it; filters hold no state, so callers make one from
// DefaultFilterClass() for each operation.
#pragma once

#include <memory>
#include <string>

#include "imaging/geometry.h"

class TpmBitmap;
class TStream;
struct TRasterImage;

class TpmFilter {
 public:
  virtual ~TpmFilter() = default;

  // File name patterns the filter reads, "*.bmp;*.png" style; the base reads none.
  virtual std::string GetFileTypes() const { return ""; }
  // (width, height) of an image file; the base knows none: (0, 0).
  virtual TpmPoint GetImageSize(const std::string& file_name) { return {}; }
  // Sizes and fills bitmap from the file turned clockwise by rotate degrees. False, bitmap
  // unchanged, for data it cannot decode; a file that cannot be read raises EStreamError.
  virtual bool LoadFromFile(const std::string& file_name, TpmBitmap& bitmap, float rotate) = 0;
  // A reduced copy fitting fit_width x fit_height, never enlarged.
  virtual bool LoadThumbnailFromFile(const std::string& file_name, bool use_embedded,
                                     float fit_width, float fit_height, TpmBitmap& bitmap) = 0;
  // The extension picks the format; params is blank-separated name=value tokens, of which
  // "quality" (any case) counts. False, nothing written, for an unknown extension.
  virtual bool SaveToFile(const std::string& file_name, const TpmBitmap& bitmap,
                          const std::string& params) = 0;
  // Decode from the stream's position (any format the filter reads).
  virtual bool LoadJpeg(TStream& stream, TpmBitmap& bitmap) = 0;
  virtual bool LoadPng(TStream& stream, TpmBitmap& bitmap) = 0;
  // Encode at the stream's position.
  virtual bool SaveJpeg(TStream& stream, const TpmBitmap& bitmap) = 0;
  virtual bool SavePng(TStream& stream, const TpmBitmap& bitmap) = 0;
};

// The built-in filter over libpng, libjpeg, libtiff and giflib plus the program's own BMP,
// ICO and TGA readers.
class TpmCodecFilter final : public TpmFilter {
 public:
  std::string GetFileTypes() const override;
  TpmPoint GetImageSize(const std::string& file_name) override;
  // Whole multiples of 90 degrees turn the pixels exactly (the remainder keeps the sign, so
  // -90 does not turn); other angles turn about the centre into the bounding box of the
  // turned image, sampled bilinearly.
  bool LoadFromFile(const std::string& file_name, TpmBitmap& bitmap, float rotate) override;
  bool LoadThumbnailFromFile(const std::string& file_name, bool use_embedded, float fit_width,
                             float fit_height, TpmBitmap& bitmap) override;
  // Written atomically: a failed save leaves an existing file as it was. A quality value
  // that is not an integer raises std::invalid_argument; others are clamped to 0..100.
  bool SaveToFile(const std::string& file_name, const TpmBitmap& bitmap,
                  const std::string& params) override;
  // The stream operations decode everything from the stream's position to its end and leave
  // the position at the end; after a failure the position is where it was.
  bool LoadJpeg(TStream& stream, TpmBitmap& bitmap) override;
  bool LoadPng(TStream& stream, TpmBitmap& bitmap) override;
  bool SaveJpeg(TStream& stream, const TpmBitmap& bitmap) override;
  bool SavePng(TStream& stream, const TpmBitmap& bitmap) override;
};

// A filter implementation, as the 2D library's class reference.
class TpmFilterClass {
 public:
  virtual ~TpmFilterClass() = default;
  virtual std::unique_ptr<TpmFilter> Create() const = 0;
};

// The class TpmBitmap makes its filters from; TpmCodecFilter unless replaced.
const TpmFilterClass& DefaultFilterClass();
// nullptr restores the built-in filter.
void SetDefaultFilterClass(const TpmFilterClass* cls);

// The "quality" value of a save's params text, or fallback when it names none; raises
// std::invalid_argument for a value that is not an integer.
int QualityFromParams(const std::string& params, int fallback);

// The bitmap's pixels as an image for the encoders, in straight colour (what they store).
TRasterImage RasterOf(const TpmBitmap& bitmap);
