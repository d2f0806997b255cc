#include "scene/scene_bitmap.h"

#include <algorithm>
#include <stdexcept>

#include "core/property_registry.h"
#include "core/stream.h"
#include "imaging/image_codec.h"
#include "scene/bitmap_filter.h"
#include "scene/canvas.h"

TgkBitmap::TgkBitmap() = default;

TgkBitmap::TgkBitmap(int32_t width, int32_t height) {
  SetSize(width, height);
}

std::unique_ptr<TgkBitmap> TgkBitmap::CreateFromStream(TStream& stream) {
  auto bitmap = std::make_unique<TgkBitmap>();
  bitmap->ReadStored(stream);
  return bitmap;
}

TgkBitmap::~TgkBitmap() {
  // FreeBitmap removes the holder; remove it here too should a canvas not do so.
  while (!holders_.empty()) {
    TgkCanvas* holder = holders_.back();
    holder->FreeBitmap(*this);
    RemoveTextureHolder(holder);
  }
  canvas_.reset();
}

void TgkBitmap::SetSize(int32_t width, int32_t height) {
  width = std::max(width, 0);
  height = std::max(height, 0);
  const uint64_t count = static_cast<uint64_t>(width) * static_cast<uint64_t>(height);
  if (width == width_ && height == height_ && pixels_.size() == count) return;
  if (width > kMaxImageSide || height > kMaxImageSide || count > MaxImagePixels()) {
    throw std::length_error("Bitmap size " + std::to_string(width) + " x " +
                            std::to_string(height) + " is too large");
  }
  canvas_.reset();
  std::vector<uint32_t>().swap(pixels_);
  width_ = height_ = 0;
  pixels_.assign(static_cast<size_t>(count), 0u);
  width_ = width;
  height_ = height;
  needs_upload_ = true;
}

void TgkBitmap::SetTargetSize(int32_t width, int32_t height) {
  if (width > kMaxImageSide || height > kMaxImageSide) {
    throw std::length_error("Render target size " + std::to_string(width) + " x " +
                            std::to_string(height) + " is too large");
  }
  SetSize(0, 0);
  // The canvas takes the size from here; its targets are the device's own.
  width_ = std::max(width, 0);
  height_ = std::max(height, 0);
}

void TgkBitmap::Clear(uint32_t color) {
  std::fill(pixels_.begin(), pixels_.end(), color);
  needs_upload_ = true;
}

bool TgkBitmap::LockBitmapBits(uint32_t*& bits, bool write) {
  bits = Bits();
  if (!bits) return false;
  if (write) write_locked_ = true;
  return true;
}

void TgkBitmap::UnlockBitmapBits() {
  if (!write_locked_) return;
  write_locked_ = false;
  Changed();
}

void TgkBitmap::Changed() {
  needs_upload_ = true;
  FireChange();
}

void TgkBitmap::FireChange() {
  if (OnChange) OnChange(*this);
}

void TgkBitmap::Assign(const TgkBitmap& source) {
  if (&source == this) return;
  SetSize(source.width_, source.height_);
  std::copy(source.pixels_.begin(), source.pixels_.end(), pixels_.begin());
  alpha_form_ = source.alpha_form_;
  Changed();
}

bool TgkBitmap::LoadFromFile(const std::string& file_name, float rotate) {
  const bool loaded = DefaultFilterClass3D().Create()->LoadFromFile(file_name, *this, rotate);
  if (loaded) FireChange();
  return loaded;
}

TgkCanvas& TgkBitmap::Canvas() {
  if (!canvas_) canvas_ = DefaultCanvasClass3D().CreateFromBitmap(*this);
  return *canvas_;
}

void TgkBitmap::AddTextureHolder(TgkCanvas* canvas) {
  if (canvas && std::find(holders_.begin(), holders_.end(), canvas) == holders_.end()) {
    holders_.push_back(canvas);
  }
}

void TgkBitmap::RemoveTextureHolder(TgkCanvas* canvas) {
  holders_.erase(std::remove(holders_.begin(), holders_.end(), canvas), holders_.end());
}

bool TgkBitmap::HasTransparency() const {
  return std::any_of(pixels_.begin(), pixels_.end(),
                     [](uint32_t p) { return (p & 0xFF000000u) != 0xFF000000u; });
}

void TgkBitmap::WriteStored(TStream& stream) {
  if (pixels_.empty()) return;
  auto filter = DefaultFilterClass3D().Create();
  const bool png = HasTransparency();
  const bool written = png ? filter->SavePng(stream, *this) : filter->SaveJpeg(stream, *this);
  // A silently missing image would be lost on the next load.
  if (!written)
    throw EStreamError(png ? "Cannot encode the bitmap as PNG"
                           : "Cannot encode the bitmap as JPEG");
}

bool TgkBitmap::ReadStored(TStream& stream) {
  const int64_t start = stream.Position();
  uint8_t first = 0;
  if (stream.Read(&first, 1) != 1) return false;
  stream.Seek(start);
  auto filter = DefaultFilterClass3D().Create();
  bool loaded = false;
  if (first == 0x89) {
    loaded = filter->LoadPng(stream, *this);
  } else if (first == 0xFF) {
    loaded = filter->LoadJpeg(stream, *this);
  }
  if (loaded) FireChange();
  return loaded;
}

void TgkBitmap::Assign(const TPersistent& source) {
  if (auto* bitmap = dynamic_cast<const TgkBitmap*>(&source)) {
    Assign(*bitmap);
  } else {
    inherited::Assign(source);
  }
}

void TgkBitmap::DefineProperties(TFiler& filer) {
  filer.DefineBinaryProperty(
      "PNG", [this](TStream& s) { ReadStored(s); }, [this](TStream& s) { WriteStored(s); },
      HasStoredImage());
}

FM_REGISTER_CLASS(TgkBitmap) {}
