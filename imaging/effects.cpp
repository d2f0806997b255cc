#include "imaging/effects.h"

#include <stdexcept>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "core/text_helpers.h"
#include "core/trigger_text.h"
#include "imaging/bitmap.h"
#include "imaging/stack_blur.h"

namespace {

// Below 0 (or not a number) gives 0, above the maximum the maximum.
float Clamp(float v, float max) {
  if (!(v > 0)) return 0;
  return v > max ? max : v;
}

TpmRect Inflate(const TpmRect& r, float e) {
  return {r.Left - e, r.Top - e, r.Right + e, r.Bottom + e};
}

}  // namespace

int EffectSpread(float softness) {
  return static_cast<int>(softness * 20.0f);
}

namespace {

// The tint's pixel for alpha a > 0: as is the tint's own alpha, rgb its blue, green, red.
uint32_t Tinted(uint32_t a, uint32_t as, const uint32_t (&rgb)[3]) {
  const uint32_t alpha = a < 255 ? as * a / 255 : as;
  if (alpha == 255) return 0xFF000000u | (rgb[2] << 16) | (rgb[1] << 8) | rgb[0];
  if (alpha == 0) return 0;
  return (alpha << 24) | ((rgb[2] * alpha / 255) << 16) | ((rgb[1] * alpha / 255) << 8) |
         (rgb[0] * alpha / 255);
}

// The silhouette (made opaque wherever it shows, when solid) blurred, then tinted. The tint
// reads only alpha, and as long as no pixel's colour exceeds its alpha the blur keeps that
// (a blurred channel's window sum is at most the alpha's), so a pixel whose blurred alpha is
// 0 is 0 altogether: then only the alpha is blurred, the same pixels for a quarter of the
// blur. Other pixels go the whole way.
void BlurredSilhouette(TpmBitmap& bitmap, bool solid, int radius, uint32_t color, float opacity) {
  const int w = bitmap.Width(), h = bitmap.Height();
  std::vector<uint8_t> alpha(static_cast<size_t>(w) * h);
  bool premultiplied = true;
  for (int y = 0; y < h && premultiplied; ++y) {
    const uint32_t* row = bitmap.Scanline(y);
    uint8_t* a = alpha.data() + static_cast<size_t>(y) * w;
    for (int x = 0; x < w; ++x) {
      const uint32_t p = row[x], pa = p >> 24;
      premultiplied &= (p & 0xFF) <= pa && ((p >> 8) & 0xFF) <= pa && ((p >> 16) & 0xFF) <= pa;
      a[x] = static_cast<uint8_t>(solid && pa ? 255 : pa);
    }
  }
  if (!premultiplied) {
    if (solid) {
      for (int y = 0; y < h; ++y) {
        uint32_t* row = bitmap.Scanline(y);
        for (int x = 0; x < w; ++x)
          if (row[x] >> 24) row[x] |= 0xFF000000u;
      }
    }
    if (radius > 0) StackBlur(bitmap, radius);
    TintSilhouette(bitmap, color, opacity);
    return;
  }
  if (radius > 0) StackBlurPlane(alpha.data(), w, h, radius);
  const uint32_t as = static_cast<uint32_t>((color >> 24) * opacity);  // Trunc, 0..255
  const uint32_t rgb[3] = {color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF};
  uint32_t tinted[256] = {0};
  for (uint32_t a = 1; a < 256; ++a) tinted[a] = Tinted(a, as, rgb);
  for (int y = 0; y < h; ++y) {
    uint32_t* row = bitmap.Scanline(y);
    const uint8_t* a = alpha.data() + static_cast<size_t>(y) * w;
    for (int x = 0; x < w; ++x) row[x] = tinted[a[x]];
  }
}

}  // namespace

void TintSilhouette(TpmBitmap& bitmap, uint32_t color, float opacity) {
  const uint32_t as = static_cast<uint32_t>((color >> 24) * opacity);  // Trunc, 0..255
  const uint32_t rgb[3] = {color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF};
  for (int y = 0; y < bitmap.Height(); ++y) {
    uint32_t* row = bitmap.Scanline(y);
    for (int x = 0; x < bitmap.Width(); ++x) {
      const uint32_t a = row[x] >> 24;
      if (a != 0) row[x] = Tinted(a, as, rgb);
    }
  }
}

void ShadowPixels(TpmBitmap& bitmap, bool ignore_alpha, int radius, uint32_t color, float opacity) {
  BlurredSilhouette(bitmap, ignore_alpha, radius, color, opacity);
}

void ShadowPixels(TpmBitmap& bitmap, bool ignore_alpha, int radius, uint32_t color, float opacity,
                  const TpmPixelBox& shown) {
  // The shadow of nothing is nothing: 0 stays 0 through the blur and the tint.
  if (shown.Left >= shown.Right || shown.Top >= shown.Bottom) return;
  // The blur's window reaches radius pixels, so nothing beyond them changes. The part's own
  // edge pixels lie outside shown and are 0: where the blur repeats an edge pixel it
  // repeats the 0 the whole bitmap has there.
  const int reach = std::max(radius, 0);
  const int left = std::max(0, shown.Left - reach), top = std::max(0, shown.Top - reach);
  const int right = std::min(bitmap.Width(), shown.Right + reach);
  const int bottom = std::min(bitmap.Height(), shown.Bottom + reach);
  if (left == 0 && top == 0 && right == bitmap.Width() && bottom == bitmap.Height()) {
    BlurredSilhouette(bitmap, ignore_alpha, radius, color, opacity);
    return;
  }
  TpmBitmap part(right - left, bottom - top);
  const size_t row_bytes = static_cast<size_t>(right - left) * 4;
  for (int y = top; y < bottom; ++y) {
    std::memcpy(part.Scanline(y - top), bitmap.Scanline(y) + left, row_bytes);
  }
  BlurredSilhouette(part, ignore_alpha, radius, color, opacity);
  for (int y = top; y < bottom; ++y) {
    std::memcpy(bitmap.Scanline(y) + left, part.Scanline(y - top), row_bytes);
  }
}

TpmPixelBox NonZeroBox(const TpmBitmap& bitmap) {
  TpmPixelBox box{bitmap.Width(), bitmap.Height(), 0, 0};
  for (int y = 0; y < bitmap.Height(); ++y) {
    const uint32_t* row = bitmap.Scanline(y);
    int first = 0;
    while (first < bitmap.Width() && row[first] == 0) ++first;
    if (first == bitmap.Width()) continue;
    int last = bitmap.Width();
    while (row[last - 1] == 0) --last;
    box.Left = std::min(box.Left, first);
    box.Right = std::max(box.Right, last);
    box.Top = std::min(box.Top, y);
    box.Bottom = y + 1;
  }
  if (box.Right == 0) return {};
  return box;
}

// ---- TpmEffect ------------------------------------------------------------------------

void TpmEffect::SetEnabled(bool value) {
  if (value == enabled_) return;
  enabled_ = value;
  if (enabled_ && OnEnable) OnEnable(*this);
  Changed();
}

void TpmEffect::SetTrigger(const std::string& value) {
  Update(trigger_, value);
}

void TpmEffect::ApplyTrigger(const TPersistent& target, const std::string& propertyName) {
  if (trigger_.empty()) return;
  if (!TriggerMentions(trigger_, propertyName)) return;
  bool all = true;
  bool any = false;
  for (const TTriggerCondition& condition : ParseTriggerConditions(trigger_)) {
    const TPropInfo* prop = FindProp(target, condition.Name);
    if (!prop) continue;  // the target has no such property: skipped
    std::string current;
    try {
      current = prop->GetText(target);
    } catch (const EPropertyError&) {
      continue;  // not representable as text (objects, lists)
    }
    any = true;
    all = all && SameText(current, condition.Value);
  }
  SetEnabled(any && all);
}

void TpmEffect::SetParentComponent(TComponent* parent) {
  auto* host = dynamic_cast<IpmEffectHost*>(parent);
  // Anywhere else nobody would own or draw it.
  if (!host) throw std::invalid_argument(ClassName() + " belongs inside a 2D object");
  host->AdoptEffect(this);
}

FM_REGISTER_CLASS(TpmEffect) {
  c.Boolean("Enabled", &TpmEffect::Enabled, &TpmEffect::SetEnabled).Default(true);
  c.String("Trigger", &TpmEffect::Trigger, &TpmEffect::SetTrigger);
  c.Boolean("ReplacesContent", &TpmEffect::ReplacesContent, nullptr).NotStored();
}

// ---- TpmShadowEffect ------------------------------------------------------------------

void TpmShadowEffect::SetDistance(float value) {
  Update(distance_, value);
}
void TpmShadowEffect::SetSoftness(float value) {
  Update(softness_, Clamp(value, 3));
}
void TpmShadowEffect::SetShadowColor(uint32_t value) {
  Update(shadow_color_, value);
}
void TpmShadowEffect::SetOpacity(float value) {
  Update(opacity_, Clamp(value, 1));
}
void TpmShadowEffect::SetDirection(float value) {
  Update(direction_, value);
}
void TpmShadowEffect::SetIgnoreAlpha(bool value) {
  Update(ignore_alpha_, value);
}

TpmRect TpmShadowEffect::GetEffectRect(const TpmRect& rect) const {
  const float e = static_cast<float>(EffectSpread(softness_));
  TpmRect r = Inflate(rect, e);
  const float a = direction_ * 0.017453292f;
  const float dx = distance_ * std::cos(a);
  const float dy = distance_ * std::sin(a);
  return {r.Left + dx, r.Top + dy, r.Right + dx, r.Bottom + dy};
}

void TpmShadowEffect::GetOffset(TpmPoint& p) const {
  const float e = static_cast<float>(EffectSpread(softness_));
  p = {e, e};
}

void TpmShadowEffect::ProcessEffect(TpmCanvas* /*canvas*/, TpmBitmap& bitmap) {
  ShadowPixels(bitmap, ignore_alpha_, static_cast<int>(softness_ * 15.0f), shadow_color_, opacity_);
}

FM_REGISTER_CLASS(TpmShadowEffect) {
  c.Float("Distance", &TpmShadowEffect::Distance, &TpmShadowEffect::SetDistance)
      .Default(3.0f)
      .AlwaysStored();
  c.Float("Softness", &TpmShadowEffect::Softness, &TpmShadowEffect::SetSoftness)
      .Default(0.3f)
      .AlwaysStored();
  c.Color("ShadowColor", &TpmShadowEffect::ShadowColor, &TpmShadowEffect::SetShadowColor,
          &ColorToString, &StringToColor)
      .Default(0xFF000000u)
      .AlwaysStored();
  c.Float("Opacity", &TpmShadowEffect::Opacity, &TpmShadowEffect::SetOpacity)
      .Default(0.6f)
      .AlwaysStored();
  c.Float("Direction", &TpmShadowEffect::Direction, &TpmShadowEffect::SetDirection)
      .Default(45.0f)
      .AlwaysStored();
  c.Boolean("IgnoreAlpha", &TpmShadowEffect::IgnoreAlpha, &TpmShadowEffect::SetIgnoreAlpha)
      .Default(true);
}

// ---- TpmBlurEffect --------------------------------------------------------------------

void TpmBlurEffect::SetSoftness(float value) {
  Update(softness_, Clamp(value, 9));
}

TpmRect TpmBlurEffect::GetEffectRect(const TpmRect& rect) const {
  return Inflate(rect, static_cast<float>(EffectSpread(softness_)));
}

void TpmBlurEffect::GetOffset(TpmPoint& p) const {
  const float e = static_cast<float>(EffectSpread(softness_));
  p = {e, e};
}

void TpmBlurEffect::ProcessEffect(TpmCanvas* /*canvas*/, TpmBitmap& bitmap) {
  if (softness_ > 0) StackBlur(bitmap, static_cast<int>(softness_ * 15.0f));
}

FM_REGISTER_CLASS(TpmBlurEffect) {
  c.Float("Softness", &TpmBlurEffect::Softness, &TpmBlurEffect::SetSoftness).Default(0.3f);
}

// ---- TpmGlowEffect --------------------------------------------------------------------

void TpmGlowEffect::SetSoftness(float value) {
  Update(softness_, Clamp(value, 9));
}
void TpmGlowEffect::SetGlowColor(uint32_t value) {
  Update(glow_color_, value);
}
void TpmGlowEffect::SetOpacity(float value) {
  Update(opacity_, Clamp(value, 1));
}

TpmRect TpmGlowEffect::GetEffectRect(const TpmRect& rect) const {
  return Inflate(rect, static_cast<float>(EffectSpread(softness_)));
}

void TpmGlowEffect::GetOffset(TpmPoint& p) const {
  const float e = static_cast<float>(EffectSpread(softness_));
  p = {e, e};
}

void TpmGlowEffect::ProcessEffect(TpmCanvas* /*canvas*/, TpmBitmap& bitmap) {
  BlurredSilhouette(bitmap, false, static_cast<int>(softness_ * 10.0f + 5.0f), glow_color_,
                    opacity_);
}

FM_REGISTER_CLASS(TpmGlowEffect) {
  c.Float("Softness", &TpmGlowEffect::Softness, &TpmGlowEffect::SetSoftness).Default(0.4f);
  c.Color("GlowColor", &TpmGlowEffect::GlowColor, &TpmGlowEffect::SetGlowColor, &ColorToString,
          &StringToColor)
      .Default(0xFFFFD700u);
  c.Float("Opacity", &TpmGlowEffect::Opacity, &TpmGlowEffect::SetOpacity).Default(0.9f);
}

void RegisterEffectClasses() {
  TpmEffect::StaticClass();
  TpmShadowEffect::StaticClass();
  TpmBlurEffect::StaticClass();
  TpmGlowEffect::StaticClass();
}
