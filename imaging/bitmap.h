// TpmBitmap: the 2D raster image every part of the program hands pixels through.
// Layout: Width x Height 32-bit pixels 0xAARRGGBB stored little-endian (bytes B, G, R, A),
// rows top first, stride Width * 4, colour premultiplied by alpha. Cairo's
// CAIRO_FORMAT_ARGB32 is the same layout, so canvases draw straight into Pixels().
#pragma once

#include <cstdint>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/persistent.h"

class TpmCanvas;
class TStream;

class TpmBitmap : public TPersistent {
  FM_CLASS(TpmBitmap, TPersistent)
 public:
  // A size below 1 becomes 1; all pixels start at 0 (transparent black).
  TpmBitmap(int32_t width = 1, int32_t height = 1);
  ~TpmBitmap() override;
  TpmBitmap(const TpmBitmap&) = delete;
  TpmBitmap& operator=(const TpmBitmap&) = delete;

  int32_t Width() const { return width_; }
  int32_t Height() const { return height_; }
  uint32_t* Pixels() { return pixels_.get(); }
  const uint32_t* Pixels() const { return pixels_.get(); }
  size_t ByteSize() const { return static_cast<size_t>(width_) * height_ * 4; }

  // Does nothing for the current size; otherwise drops the canvas and the old pixels and
  // allocates a zeroed block (sizes below 1 become 1).
  void SetSize(int32_t width, int32_t height);
  // Writes color unchanged into every pixel (no premultiplication).
  void Clear(uint32_t color);
  // First pixel of row (0 = top), or nullptr outside 0 .. Height - 1.
  uint32_t* Scanline(int32_t row);
  const uint32_t* Scanline(int32_t row) const;

  // Copies size and pixels of source, then fires OnChange.
  void Assign(const TpmBitmap& source);
  // Another TpmBitmap as above; any other class raises EPropertyError.
  void Assign(const TPersistent& source) override;
  // The stored form (see SaveToStream) as the binary property "PNG".
  void DefineProperties(TFiler& filer) override;

  // The bitmap's drawing canvas, bound to its pixels, made on first use with an identity
  // transform; destroyed whenever the pixels are reallocated.
  TpmCanvas& Canvas();
  bool HasCanvas() const { return canvas_ != nullptr; }

  // Decodes the file through DefaultFilterClass(), turned clockwise by rotate degrees, and
  // fires OnChange. False, bitmap unchanged, for data that cannot be decoded; a file that
  // cannot be read raises EStreamError.
  bool LoadFromFile(const std::string& file_name, float rotate = 0);
  // The extension picks the format (".png", ".jpg", ...); false, nothing written, for an
  // unknown one. See TpmFilter::SaveToFile for params.
  bool SaveToFile(const std::string& file_name, const std::string& params = "") const;
  // The stored form: PNG when any pixel's alpha is not 255, JPEG otherwise, written at the
  // stream's position.
  bool SaveToStream(TStream& stream) const;
  // Reads the stored form at the stream's position: a first byte 0x89 decodes PNG, 0xFF
  // JPEG, and fires OnChange; any other byte, or data that does not decode, leaves the
  // bitmap and the stream position unchanged and gives false.
  bool LoadFromStream(TStream& stream);

  // Fired after the pixels were replaced by LoadFromFile, LoadFromStream or Assign.
  std::function<void(TpmBitmap&)> OnChange;
  // Fired before the pixel block is reallocated or freed (a bound canvas lets go of it).
  std::function<void(TpmBitmap&)> OnRelease;

  void NotifyChange() {
    if (OnChange) OnChange(*this);
  }

  // Canvases bound to the pixel block register here instead of taking OnRelease, so that
  // several canvases and the user's own OnRelease coexist. Every handler runs once, after
  // OnRelease, before the block is reallocated or freed, and is then forgotten.
  int AddReleaseHandler(std::function<void(TpmBitmap&)> handler);
  void RemoveReleaseHandler(int id);

 private:
  void Allocate(int32_t width, int32_t height);
  void ReleaseBlock();

  int32_t width_ = 0;
  int32_t height_ = 0;
  struct TFree {
    void operator()(uint32_t* p) const { std::free(p); }
  };
  std::unique_ptr<uint32_t[], TFree> pixels_;
  std::unique_ptr<TpmCanvas> canvas_;
  std::vector<std::pair<int, std::function<void(TpmBitmap&)>>> release_handlers_;
  int next_handler_id_ = 1;
};

// "#AARRGGBB", upper-case hexadecimal, leading zeros kept.
std::string ColorToString(uint32_t color);
// "#" + up to 8 hexadecimal digits, or a signed decimal integer; anything else gives 0.
// Never raises.
uint32_t StringToColor(const std::string& text);
