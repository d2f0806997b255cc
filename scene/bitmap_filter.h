// TgkFilter: the image codec contract of the 3D side, through which TgkBitmap loads and
// stores images. Filters hold no state; callers make one from DefaultFilterClass3D() per
// operation. Unlike the 2D filter, pixels cross this interface as straight colour.
#pragma once

#include <memory>
#include <string>

#include "scene/math.h"

class TgkBitmap;
class TStream;

class TgkFilter {
 public:
  virtual ~TgkFilter() = default;

  // File name patterns the filter reads, "*.bmp;*.png" style; the base reads none.
  virtual std::string GetFileTypes() const { return ""; }
  // (width, height, 0) of an image file; the base knows none: (0, 0, 0).
  virtual TgkPoint GetImageSize(const std::string& file_name) { return {}; }
  // Sizes and fills bitmap from the file, turned clockwise by rotate (whole multiples of
  // 90 degrees only). False, bitmap unchanged, for anything it cannot decode.
  virtual bool LoadFromFile(const std::string& file_name, TgkBitmap& bitmap, float rotate) = 0;
  // A reduced image fitting fit_width x fit_height (never enlarged).
  virtual bool LoadThumbnailFromFile(const std::string& file_name, bool use_embedded,
                                     float fit_width, float fit_height, TgkBitmap& bitmap) = 0;
  // The extension picks the format; params "quality=90" (blank-separated name=value
  // pairs). False, nothing written, for an unknown extension.
  virtual bool SaveToFile(const std::string& file_name, TgkBitmap& bitmap,
                          const std::string& params) = 0;
  virtual bool LoadJpeg(TStream& stream, TgkBitmap& bitmap) = 0;
  virtual bool LoadPng(TStream& stream, TgkBitmap& bitmap) = 0;
  virtual bool SaveJpeg(TStream& stream, TgkBitmap& bitmap) = 0;
  virtual bool SavePng(TStream& stream, TgkBitmap& bitmap) = 0;
};

// A filter implementation, as the 3D library's class reference.
class TgkFilterClass {
 public:
  virtual ~TgkFilterClass() = default;
  virtual std::unique_ptr<TgkFilter> Create() const = 0;
};

// The built-in image codec filter unless another class was installed.
const TgkFilterClass& DefaultFilterClass3D();
// nullptr restores the built-in filter.
void SetDefaultFilterClass3D(const TgkFilterClass* cls);
