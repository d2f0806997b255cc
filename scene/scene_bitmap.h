// TgkBitmap: the 3D side's pixel buffer, used both as a texture and as an off-screen render
// target. Layout as TpmBitmap: Width x Height pixels 0xAARRGGBB, rows top first, no padding.
// AlphaForm says how the pixels hold colour: images loaded from files are straight, frames a
// canvas has rendered are premultiplied.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/persistent.h"
#include "imaging/alpha_form.h"

class TgkCanvas;
class TStream;

class TgkBitmap : public TPersistent {
  FM_CLASS(TgkBitmap, TPersistent)

 public:
  TgkBitmap();
  // Zero-filled pixels; negative sizes become 0.
  TgkBitmap(int32_t width, int32_t height);
  // A bitmap read from the stored form (see ReadStored); empty when the data is no image.
  static std::unique_ptr<TgkBitmap> CreateFromStream(TStream& stream);
  // Tells every canvas holding a texture of this bitmap to drop it, then frees the bound
  // canvas and the pixels.
  ~TgkBitmap() override;

  int32_t Width() const { return width_; }
  int32_t Height() const { return height_; }
  bool IsEmpty() const { return pixels_.empty(); }
  // The pixel block, or nullptr when the bitmap has no pixels. Writers that bypass
  // LockBitmapBits must call Changed() afterwards.
  uint32_t* Bits() { return pixels_.empty() ? nullptr : pixels_.data(); }
  const uint32_t* Bits() const { return pixels_.empty() ? nullptr : pixels_.data(); }
  size_t PixelCount() const { return pixels_.size(); }
  // Straight for a new bitmap; loading sets it from the image, a canvas's frame makes it
  // premultiplied. Writers through Bits() set it when they change the form.
  TAlphaForm AlphaForm() const { return alpha_form_; }
  void SetAlphaForm(TAlphaForm form) { alpha_form_ = form; }

  // Nothing for the current size; otherwise drops the bound canvas and the old pixels and
  // allocates zeroed ones (negative sizes become 0). Raises std::length_error for a size
  // beyond the image limits.
  void SetSize(int32_t width, int32_t height);
  // A render target of that size whose frames always go to its canvas's frame destination
  // (TgkCanvas::SetFrameDestination): no pixels are kept, so Bits() is nullptr and a frame
  // rendered without a destination is dropped. SetSize gives it pixels.
  void SetTargetSize(int32_t width, int32_t height);
  // Stores color unchanged in every pixel.
  void Clear(uint32_t color);
  // False (bits = nullptr) when there are no pixels; a write lock makes the unlock mark
  // the bitmap for upload and fire OnChange.
  bool LockBitmapBits(uint32_t*& bits, bool write);
  void UnlockBitmapBits();
  bool WriteLocked() const { return write_locked_; }
  // Size, pixels and alpha form of source; marks for upload and fires OnChange.
  void Assign(const TgkBitmap& source);
  void Assign(const TPersistent& source) override;
  // The binary property "PNG".
  void DefineProperties(TFiler& filer) override;
  // Loads an image file through DefaultFilterClass3D (sizing the bitmap); rotate must be a
  // whole multiple of 90 degrees. False when the file is no image this filter decodes.
  // Raises EStreamError when the file cannot be read.
  bool LoadFromFile(const std::string& file_name, float rotate = 0);
  // Marks for upload and fires OnChange (after writing through Bits()).
  void Changed();

  // The render canvas bound to this bitmap (made through DefaultCanvasClass3D on first
  // use, freed when the pixels are reallocated). Rendering into it stores the frame in
  // the pixels at EndScene.
  TgkCanvas& Canvas();
  bool HasCanvas() const { return canvas_ != nullptr; }

  // Set whenever the pixels change; a canvas holding a texture re-uploads and clears it.
  bool NeedsUpload() const { return needs_upload_; }
  void SetNeedsUpload(bool value) { needs_upload_ = value; }
  // The canvases that made a texture of this bitmap.
  void AddTextureHolder(TgkCanvas* canvas);
  void RemoveTextureHolder(TgkCanvas* canvas);
  const std::vector<TgkCanvas*>& TextureHolders() const { return holders_; }

  // Stored form "PNG": written when the bitmap has pixels; PNG data when any pixel is not
  // opaque, JPEG data otherwise.
  bool HasStoredImage() const { return !pixels_.empty(); }
  bool HasTransparency() const;
  void WriteStored(TStream& stream);
  // Looks at the first byte without consuming it: 0x89 reads PNG, 0xFF reads JPEG; other
  // data (or data the codec rejects) leaves the bitmap as it was. True when loaded.
  bool ReadStored(TStream& stream);

  // Fired after loading, Assign and unlocking a write lock.
  std::function<void(TgkBitmap&)> OnChange;

 private:
  void FireChange();

  int32_t width_ = 0;
  int32_t height_ = 0;
  std::vector<uint32_t> pixels_;
  TAlphaForm alpha_form_ = TAlphaForm::Straight;
  std::unique_ptr<TgkCanvas> canvas_;
  std::vector<TgkCanvas*> holders_;
  bool needs_upload_ = false;
  bool write_locked_ = false;
};
