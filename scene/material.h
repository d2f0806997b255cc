// TgkMaterial: how a shape's surface looks (colour, texture, lighting, fill and shading),
// and TgkBitmapRect, the texture sub-rectangle. Every setter notifies only on a real
// change. A material finds its texture by name in the process-wide bitmap registry.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "core/persistent.h"

class TEnumInfo;
class TgkBitmap;

enum TgkTexMode { gkTexModulate, gkTexReplace };
enum TgkFillMode { gkSolid, gkWireframe };
enum TgkShadeMode { gkFlat, gkGouraud };
// Value names of the three enumerations for the property registry.
const TEnumInfo& TexModeInfo();
const TEnumInfo& FillModeInfo();
const TEnumInfo& ShadeModeInfo();

// Texture sub-rectangle in pixels; all four 0 means the whole bitmap.
class TgkBitmapRect : public TPersistent {
  FM_CLASS(TgkBitmapRect, TPersistent)

 public:
  float left() const { return left_; }
  float top() const { return top_; }
  float right() const { return right_; }
  float bottom() const { return bottom_; }
  void SetLeft(float v) { Set(left_, v); }
  void SetTop(float v) { Set(top_, v); }
  void SetRight(float v) { Set(right_, v); }
  void SetBottom(float v) { Set(bottom_, v); }
  bool IsEmpty() const { return left_ == 0 && top_ == 0 && right_ == 0 && bottom_ == 0; }
  // Copies the four values, notifying once when any differs.
  void Assign(const TgkBitmapRect& source);
  void Assign(const TPersistent& source) override;

  std::function<void()> OnChange;

 private:
  void Set(float& field, float value);
  float left_ = 0, top_ = 0, right_ = 0, bottom_ = 0;
};

class TgkMaterial : public TPersistent {
  FM_CLASS(TgkMaterial, TPersistent)

 public:
  static constexpr uint32_t kDefaultDiffuse = 0xFF707070;
  static constexpr uint32_t kDefaultAmbient = 0xFF303030;

  TgkMaterial();

  uint32_t Diffuse() const { return diffuse_; }
  void SetDiffuse(uint32_t color);
  uint32_t Ambient() const { return ambient_; }
  void SetAmbient(uint32_t color);
  // The colour properties in their text form "#AARRGGBB".
  std::string DiffuseText() const;
  void SetDiffuseText(const std::string& text);
  std::string AmbientText() const;
  void SetAmbientText(const std::string& text);

  bool Lighting() const { return lighting_; }
  void SetLighting(bool value);
  // Name of the texture in the bitmap registry.
  const std::string& Bitmap() const { return bitmap_; }
  void SetBitmap(const std::string& name);
  TgkTexMode BitmapMode() const { return bitmap_mode_; }
  void SetBitmapMode(TgkTexMode mode);
  // Texture repeat factor, kept within [0.01, 10].
  float BitmapTile() const { return bitmap_tile_; }
  void SetBitmapTile(float tile);
  TgkBitmapRect& BitmapRect() { return bitmap_rect_; }
  const TgkBitmapRect& BitmapRect() const { return bitmap_rect_; }
  void SetBitmapRect(const TgkBitmapRect& rect) { bitmap_rect_.Assign(rect); }
  TgkFillMode FillMode() const { return fill_mode_; }
  void SetFillMode(TgkFillMode mode);
  TgkShadeMode ShadeMode() const { return shade_mode_; }
  void SetShadeMode(TgkShadeMode mode);

  // A texture used instead of the name lookup (not stored, not copied); image shapes and
  // layers set it for the duration of one draw.
  TgkBitmap* DirectBitmap() const { return direct_bitmap_; }
  void SetDirectBitmap(TgkBitmap* bitmap) { direct_bitmap_ = bitmap; }

  // The texture the material designates now: the direct reference, else the first
  // registered bitmap whose name matches Bitmap case-insensitively, else nullptr.
  TgkBitmap* GetBitmap() const;

  // Copies every published value (not the direct reference) and notifies once.
  void Assign(const TgkMaterial& source);
  void Assign(const TPersistent& source) override;
  // Sets the values without notification (the canvas's reset at the start of a frame).
  void ResetSilently(uint32_t diffuse, uint32_t ambient, const std::string& bitmap);

  std::function<void()> OnChange;

 private:
  void Changed();

  uint32_t diffuse_ = kDefaultDiffuse;
  uint32_t ambient_ = kDefaultAmbient;
  bool lighting_ = true;
  std::string bitmap_;
  TgkTexMode bitmap_mode_ = gkTexModulate;
  float bitmap_tile_ = 1;
  TgkBitmapRect bitmap_rect_;
  TgkFillMode fill_mode_ = gkSolid;
  TgkShadeMode shade_mode_ = gkGouraud;
  TgkBitmap* direct_bitmap_ = nullptr;
  bool assigning_ = false;
};
