#include "scene/material.h"

#include <algorithm>

#include "core/property_registry.h"
#include "imaging/bitmap.h"
#include "scene/bitmap_registry.h"

void TgkBitmapRect::Set(float& field, float value) {
  if (field == value) return;
  field = value;
  if (OnChange) OnChange();
}

void TgkBitmapRect::Assign(const TgkBitmapRect& source) {
  if (left_ == source.left_ && top_ == source.top_ && right_ == source.right_ &&
      bottom_ == source.bottom_) {
    return;
  }
  left_ = source.left_;
  top_ = source.top_;
  right_ = source.right_;
  bottom_ = source.bottom_;
  if (OnChange) OnChange();
}

TgkMaterial::TgkMaterial() {
  bitmap_rect_.OnChange = [this] { Changed(); };
}

void TgkMaterial::Changed() {
  if (!assigning_ && OnChange) OnChange();
}

void TgkMaterial::SetDiffuse(uint32_t color) {
  if (color == diffuse_) return;
  diffuse_ = color;
  Changed();
}

void TgkMaterial::SetAmbient(uint32_t color) {
  if (color == ambient_) return;
  ambient_ = color;
  Changed();
}

std::string TgkMaterial::DiffuseText() const {
  return ColorToString(diffuse_);
}
void TgkMaterial::SetDiffuseText(const std::string& text) {
  SetDiffuse(StringToColor(text));
}
std::string TgkMaterial::AmbientText() const {
  return ColorToString(ambient_);
}
void TgkMaterial::SetAmbientText(const std::string& text) {
  SetAmbient(StringToColor(text));
}

void TgkMaterial::SetLighting(bool value) {
  if (value == lighting_) return;
  lighting_ = value;
  Changed();
}

void TgkMaterial::SetBitmap(const std::string& name) {
  if (name == bitmap_) return;
  bitmap_ = name;
  Changed();
}

void TgkMaterial::SetBitmapMode(TgkTexMode mode) {
  if (mode == bitmap_mode_) return;
  bitmap_mode_ = mode;
  Changed();
}

void TgkMaterial::SetBitmapTile(float tile) {
  // A NaN would pass both comparisons of a clamp; treat it as the lower bound.
  tile = tile >= 0.01f ? std::min(tile, 10.0f) : 0.01f;
  if (tile == bitmap_tile_) return;
  bitmap_tile_ = tile;
  Changed();
}

void TgkMaterial::SetFillMode(TgkFillMode mode) {
  if (mode == fill_mode_) return;
  fill_mode_ = mode;
  Changed();
}

void TgkMaterial::SetShadeMode(TgkShadeMode mode) {
  if (mode == shade_mode_) return;
  shade_mode_ = mode;
  Changed();
}

TgkBitmap* TgkMaterial::GetBitmap() const {
  if (direct_bitmap_) return direct_bitmap_;
  if (bitmap_.empty()) return nullptr;
  return FindRegisteredBitmap(bitmap_);
}

void TgkMaterial::Assign(const TgkMaterial& source) {
  if (&source == this) return;
  std::string bitmap = source.bitmap_;  // the only copy that can fail, made first
  assigning_ = true;
  diffuse_ = source.diffuse_;
  ambient_ = source.ambient_;
  bitmap_ = std::move(bitmap);
  bitmap_tile_ = source.bitmap_tile_;
  bitmap_rect_.Assign(source.bitmap_rect_);
  lighting_ = source.lighting_;
  bitmap_mode_ = source.bitmap_mode_;
  shade_mode_ = source.shade_mode_;
  fill_mode_ = source.fill_mode_;
  assigning_ = false;
  if (OnChange) OnChange();
}

void TgkMaterial::ResetSilently(uint32_t diffuse, uint32_t ambient, const std::string& bitmap) {
  diffuse_ = diffuse;
  ambient_ = ambient;
  bitmap_ = bitmap;
}

void TgkBitmapRect::Assign(const TPersistent& source) {
  if (auto* rect = dynamic_cast<const TgkBitmapRect*>(&source)) {
    Assign(*rect);
  } else {
    inherited::Assign(source);
  }
}

void TgkMaterial::Assign(const TPersistent& source) {
  if (auto* material = dynamic_cast<const TgkMaterial*>(&source)) {
    Assign(*material);
  } else {
    inherited::Assign(source);
  }
}

const TEnumInfo& TexModeInfo() {
  static const TEnumInfo info("TgkTexMode", {"gkTexModulate", "gkTexReplace"});
  return info;
}

const TEnumInfo& FillModeInfo() {
  static const TEnumInfo info("TgkFillMode", {"gkSolid", "gkWireframe"});
  return info;
}

const TEnumInfo& ShadeModeInfo() {
  static const TEnumInfo info("TgkShadeMode", {"gkFlat", "gkGouraud"});
  return info;
}

FM_REGISTER_CLASS(TgkBitmapRect) {
  c.Float("left", &TgkBitmapRect::left, &TgkBitmapRect::SetLeft).Default(0.0f);
  c.Float("top", &TgkBitmapRect::top, &TgkBitmapRect::SetTop).Default(0.0f);
  c.Float("right", &TgkBitmapRect::right, &TgkBitmapRect::SetRight).Default(0.0f);
  c.Float("bottom", &TgkBitmapRect::bottom, &TgkBitmapRect::SetBottom).Default(0.0f);
}

FM_REGISTER_CLASS(TgkMaterial) {
  c.Color("Diffuse", &TgkMaterial::Diffuse, &TgkMaterial::SetDiffuse, &ColorToString,
          &StringToColor)
      .Default(TgkMaterial::kDefaultDiffuse);
  c.Color("Ambient", &TgkMaterial::Ambient, &TgkMaterial::SetAmbient, &ColorToString,
          &StringToColor)
      .Default(TgkMaterial::kDefaultAmbient);
  c.Boolean("Lighting", &TgkMaterial::Lighting, &TgkMaterial::SetLighting).Default(true);
  c.String("Bitmap", &TgkMaterial::Bitmap, &TgkMaterial::SetBitmap).Default("");
  c.Enum("BitmapMode", TexModeInfo(), &TgkMaterial::BitmapMode, &TgkMaterial::SetBitmapMode)
      .Default(static_cast<int>(gkTexModulate));
  c.Float("BitmapTile", &TgkMaterial::BitmapTile, &TgkMaterial::SetBitmapTile).Default(1.0f);
  c.Object<TgkBitmapRect>(
      "BitmapRect", [](const TgkMaterial& m) -> const TgkBitmapRect& { return m.BitmapRect(); });
  c.Enum("FillMode", FillModeInfo(), &TgkMaterial::FillMode, &TgkMaterial::SetFillMode)
      .Default(static_cast<int>(gkSolid));
  c.Enum("ShadeMode", ShadeModeInfo(), &TgkMaterial::ShadeMode, &TgkMaterial::SetShadeMode)
      .Default(static_cast<int>(gkGouraud));
}
