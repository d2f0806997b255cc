// Bitmap effects: a drop shadow, a blur and a glow, computed from the picture of an object.
// The icon pipeline runs a shadow itself; in the interface an effect is a child of a vector
// object, which paints the object into a work bitmap the size of GetEffectRect at
// GetOffset, runs ProcessEffect and draws the result (see the interface library).
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "core/component.h"
#include "imaging/geometry.h"
#include "imaging/resample.h"

class TpmBitmap;
class TpmCanvas;
class TpmEffect;

// What an effect is attached to. An effect read inside an object's block of stored text is
// handed to that object, which owns it from then on.
class IpmEffectHost {
 public:
  virtual void AdoptEffect(TpmEffect* effect) = 0;

 protected:
  ~IpmEffectHost() = default;
};

class TpmEffect : public TComponent {
  FM_CLASS(TpmEffect, TComponent)
 public:
  explicit TpmEffect(TComponent* owner = nullptr) : TComponent(owner) {}

  // Streaming structure: an effect is written inside its object's block.
  bool HasParent() const override { return true; }
  TComponent* GetParentComponent() const override { return host_; }
  void SetParentComponent(TComponent* parent) override;
  // Set by the object that owns the effect.
  void SetHost(TComponent* host) { host_ = host; }

  bool Enabled() const { return enabled_; }
  void SetEnabled(bool value);
  // Conditions "Property=value" separated by ";" (for example "IsMouseOver=true").
  const std::string& Trigger() const { return trigger_; }
  void SetTrigger(const std::string& value);
  // True when the output already shows the object, so it is not painted again on top.
  virtual bool ReplacesContent() const { return false; }

  // The rectangle the output covers for an object whose bounds are rect.
  virtual TpmRect GetEffectRect(const TpmRect& rect) const { return rect; }
  // Where the object's picture goes inside the work bitmap (callers start p at (0, 0)).
  virtual void GetOffset(TpmPoint& p) const {}
  // Rewrites the work bitmap's pixels into the effect's output.
  virtual void ProcessEffect(TpmCanvas* canvas, TpmBitmap& bitmap) {}
  // Re-evaluates Trigger after propertyName of target changed.
  void ApplyTrigger(const TPersistent& target, const std::string& propertyName);

  // Fired after every real property change (the owner marks its effect picture stale).
  std::function<void(TpmEffect&)> OnChange;
  // Fired when Enabled becomes true, before OnChange (the owner re-examines its effects).
  std::function<void(TpmEffect&)> OnEnable;

 protected:
  void Changed() {
    if (OnChange) OnChange(*this);
  }
  // Setter helper: stores and notifies only on a real change.
  template <class T>
  void Update(T& field, const T& value) {
    if (field == value) return;
    field = value;
    Changed();
  }

 private:
  bool enabled_ = true;
  std::string trigger_;
  TComponent* host_ = nullptr;
};

// The silhouette of the object, softened, in the shadow colour, moved by Distance towards
// Direction (0 right, 90 down).
class TpmShadowEffect : public TpmEffect {
  FM_CLASS(TpmShadowEffect, TpmEffect)
 public:
  explicit TpmShadowEffect(TComponent* owner = nullptr) : TpmEffect(owner) {}

  float Distance() const { return distance_; }
  void SetDistance(float value);
  float Softness() const { return softness_; }  // 0..3
  void SetSoftness(float value);
  uint32_t ShadowColor() const { return shadow_color_; }  // straight ARGB
  void SetShadowColor(uint32_t value);
  float Opacity() const { return opacity_; }  // 0..1
  void SetOpacity(float value);
  float Direction() const { return direction_; }  // degrees
  void SetDirection(float value);
  bool IgnoreAlpha() const { return ignore_alpha_; }
  void SetIgnoreAlpha(bool value);

  TpmRect GetEffectRect(const TpmRect& rect) const override;
  void GetOffset(TpmPoint& p) const override;
  void ProcessEffect(TpmCanvas* canvas, TpmBitmap& bitmap) override;

 private:
  float distance_ = 3;
  float softness_ = 0.3f;
  uint32_t shadow_color_ = 0xFF000000;
  float opacity_ = 0.6f;
  float direction_ = 45;
  bool ignore_alpha_ = true;
};

// The object blurred; the output replaces the object.
class TpmBlurEffect : public TpmEffect {
  FM_CLASS(TpmBlurEffect, TpmEffect)
 public:
  explicit TpmBlurEffect(TComponent* owner = nullptr) : TpmEffect(owner) {}

  float Softness() const { return softness_; }  // 0..9
  void SetSoftness(float value);
  bool ReplacesContent() const override { return true; }

  TpmRect GetEffectRect(const TpmRect& rect) const override;
  void GetOffset(TpmPoint& p) const override;
  void ProcessEffect(TpmCanvas* canvas, TpmBitmap& bitmap) override;

 private:
  float softness_ = 0.3f;
};

// A soft halo in the glow colour around the object's silhouette.
class TpmGlowEffect : public TpmEffect {
  FM_CLASS(TpmGlowEffect, TpmEffect)
 public:
  explicit TpmGlowEffect(TComponent* owner = nullptr) : TpmEffect(owner) {}

  float Softness() const { return softness_; }  // 0..9
  void SetSoftness(float value);
  uint32_t GlowColor() const { return glow_color_; }  // straight ARGB
  void SetGlowColor(uint32_t value);
  float Opacity() const { return opacity_; }  // 0..1
  void SetOpacity(float value);

  TpmRect GetEffectRect(const TpmRect& rect) const override;
  void GetOffset(TpmPoint& p) const override;
  void ProcessEffect(TpmCanvas* canvas, TpmBitmap& bitmap) override;

 private:
  float softness_ = 0.4f;
  uint32_t glow_color_ = 0xFFFFD700;
  float opacity_ = 0.9f;
};

// Spread of the effect rectangle for a softness: Trunc(softness * 20).
int EffectSpread(float softness);
// Replaces every pixel with alpha a > 0 by color with alpha Trunc(color alpha * opacity),
// scaled by a / 255 when a < 255, premultiplied. Pixels with alpha 0 are left alone.
void TintSilhouette(TpmBitmap& bitmap, uint32_t color, float opacity);
// The shadow effect's pixel work with the blur radius given: the silhouette made solid
// (when ignore_alpha), blurred, then tinted. Lets a caller scale the blur with the picture.
void ShadowPixels(TpmBitmap& bitmap, bool ignore_alpha, int radius, uint32_t color, float opacity);
// The same for a bitmap whose pixels outside shown are all 0, with the same result: only
// what the blur reaches from shown is worked on. A model small in a large master leaves
// most of the shadow's bitmap empty.
void ShadowPixels(TpmBitmap& bitmap, bool ignore_alpha, int radius, uint32_t color, float opacity,
                  const TpmPixelBox& shown);
// The box of the bitmap's pixels that are not 0 (transparent black); empty (all sides 0)
// when there is none.
TpmPixelBox NonZeroBox(const TpmBitmap& bitmap);
// Touches every effect class so creation by name survives static linking.
void RegisterEffectClasses();
