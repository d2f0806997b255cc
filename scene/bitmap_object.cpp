#include "scene/bitmap_object.h"

TgkBitmapObject::TgkBitmapObject(TComponent* owner) : TgkObject(owner) {}

void TgkBitmapObject::SetName(const std::string& name) {
  TgkObject::SetName(name);  // raises for an invalid name; the entry then keeps the old one
  registration_.Rename(Name());
}

FM_REGISTER_CLASS(TgkBitmapObject) {
  c.Object<TgkBitmap>("Bitmap",
                      [](const TgkBitmapObject& o) -> const TgkBitmap& { return o.Bitmap(); });
}
