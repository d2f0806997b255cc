// TgkBitmapObject: a bitmap placed in the scene tree instead of a bitmap list; it is found
// in the bitmap registry under its component name.
#pragma once

#include "scene/bitmap_registry.h"
#include "scene/object.h"

class TgkBitmapObject : public TgkObject, public TgkBitmapOwner {
  FM_CLASS(TgkBitmapObject, TgkObject)
 public:
  explicit TgkBitmapObject(TComponent* owner = nullptr);

  TgkBitmap& Bitmap() { return bitmap_; }
  const TgkBitmap& Bitmap() const { return bitmap_; }
  // Copies the pixels into the owned bitmap.
  void SetBitmap(const TgkBitmap& bitmap) { bitmap_.Assign(bitmap); }
  TgkBitmap& OwnedBitmap() override { return bitmap_; }

  // The registry entry follows the name.
  void SetName(const std::string& name) override;

 private:
  TgkBitmap bitmap_;
  TgkBitmapRegistration registration_{*this};
};
