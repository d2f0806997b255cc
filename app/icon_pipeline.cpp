#include "app/icon_pipeline.h"
#include "app/shadow_placement.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <stdexcept>

#include "imaging/canvas.h"
#include "imaging/effects.h"

namespace {

int PreviewIndex(int size) {
  for (size_t i = 0; i < TIconPreviews::kSizes.size(); ++i) {
    if (TIconPreviews::kSizes[i] == size) return static_cast<int>(i);
  }
  throw std::out_of_range("no preview of size " + std::to_string(size));
}

// Pixels beyond its source pixels a 1:1 draw at a fractional place changes (the cubic's
// reach and a pixel of rounding).
constexpr int kDrawReach = 3;

TpmRect WholeOf(const TpmBitmap& bitmap) {
  return {0, 0, static_cast<float>(bitmap.Width()), static_cast<float>(bitmap.Height())};
}

}  // namespace

TpmBitmap& TIconPreviews::Of(int size) {
  return images_[PreviewIndex(size)];
}

const TpmBitmap& TIconPreviews::Of(int size) const {
  return images_[PreviewIndex(size)];
}

void MakeMaster(const TpmBitmap& work, TpmBitmap& master) {
  master.SetSize(kMasterSize, kMasterSize);
  master.Canvas().Clear(0);
  master.Canvas().DrawBitmap(work, WholeOf(work), WholeOf(master), 1, false);
}

std::unique_ptr<TpmShadowEffect> MakeShadowEffect(const TShadowSettings& settings) {
  auto effect = std::make_unique<TpmShadowEffect>();
  effect->SetDirection(settings.Direction);
  effect->SetDistance(settings.Distance);
  effect->SetShadowColor(settings.Color);
  effect->SetOpacity(settings.Opacity / 100);
  effect->SetSoftness(settings.Softness / 100);
  return effect;
}

namespace {

// Step C.2 - C.4 for an effect rectangle r of the master (w x h) and the master's place
// inside the shadow's work bitmap. A master scale times 256 is shifted by scale times the
// 256 master's whole pixels, so that every master shows the same picture.
TShadowPlacement Place(TpmRect r, const TpmPoint& offset, int w, int h, bool shift, int scale) {
  const TpmRect bounds{0, 0, static_cast<float>(w), static_cast<float>(h)};
  const float k = static_cast<float>(scale);
  const float union_left = std::min(r.Left, bounds.Left) / k;
  const float union_top = std::min(r.Top, bounds.Top) / k;
  TShadowPlacement placement;
  if (shift && r.Left < 0) placement.Shift.X = -std::nearbyint(union_left) * k;
  if (shift && r.Top < 0) placement.Shift.Y = -std::nearbyint(union_top) * k;
  r.Left += placement.Shift.X;
  r.Right += placement.Shift.X;
  r.Top += placement.Shift.Y;
  r.Bottom += placement.Shift.Y;
  placement.Effect = r;
  placement.Width = static_cast<int>(std::trunc(r.Width()));
  placement.Height = static_cast<int>(std::trunc(r.Height()));
  placement.Offset = offset;
  return placement;
}

}  // namespace

TShadowPlacement PlaceShadow(const TpmShadowEffect& effect, int master_width, int master_height,
                             bool shift) {
  const TpmRect bounds{0, 0, static_cast<float>(master_width), static_cast<float>(master_height)};
  TpmPoint offset;
  effect.GetOffset(offset);
  return Place(effect.GetEffectRect(bounds), offset, master_width, master_height, shift, 1);
}

TShadowGeometry ShadowGeometry(const TShadowSettings& settings, int scale) {
  // The effect's own rules (TpmShadowEffect) at 256, multiplied by scale.
  const auto effect = MakeShadowEffect(settings);
  const float k = static_cast<float>(scale);
  const float a = effect->Direction() * 0.017453292f;
  TShadowGeometry g;
  g.Scale = scale;
  g.Spread = static_cast<float>(EffectSpread(effect->Softness()) * scale);
  g.Dx = effect->Distance() * k * std::cos(a);
  g.Dy = effect->Distance() * k * std::sin(a);
  g.Radius = static_cast<int>(effect->Softness() * 15.0f) * scale;
  return g;
}

TShadowPlacement PlaceShadow(const TShadowGeometry& g, int master_width, int master_height,
                             bool shift) {
  const TpmRect r{-g.Spread + g.Dx, -g.Spread + g.Dy,
                  static_cast<float>(master_width) + g.Spread + g.Dx,
                  static_cast<float>(master_height) + g.Spread + g.Dy};
  return Place(r, {g.Spread, g.Spread}, master_width, master_height, shift, g.Scale);
}

namespace {

TpmRect Moved(const TpmPixelBox& b, float dx, float dy, float widen) {
  return TpmRect{std::floor(static_cast<float>(b.Left) + dx) - widen,
                 std::floor(static_cast<float>(b.Top) + dy) - widen,
                 std::ceil(static_cast<float>(b.Right) + dx) + widen,
                 std::ceil(static_cast<float>(b.Bottom) + dy) + widen};
}

}  // namespace

void AddShadow(TpmBitmap& master, const TShadowSettings& settings, int scale, bool shift) {
  std::unique_ptr<TpmShadowEffect> effect = MakeShadowEffect(settings);
  const TShadowGeometry geometry = ShadowGeometry(settings, scale);
  const TShadowPlacement place = PlaceShadow(geometry, master.Width(), master.Height(), shift);
  const float w = static_cast<float>(master.Width());
  const float h = static_cast<float>(master.Height());
  // Only the master's shown pixels cast a shadow, and the model of a large master often
  // covers a tenth of it: the work keeps to their box and what the blur and the draws reach
  // from it. Every pixel outside is 0 and drawing 0 changes nothing, so the pixels are
  // those of the whole work.
  const TpmPixelBox shown = NonZeroBox(master);
  // The model, the shown part only, to go back on top of the shadow.
  TpmBitmap model(std::max(1, shown.Right - shown.Left), std::max(1, shown.Bottom - shown.Top));
  for (int y = shown.Top; y < shown.Bottom; ++y) {
    std::memcpy(model.Scanline(y - shown.Top), master.Scanline(y) + shown.Left,
                static_cast<size_t>(shown.Right - shown.Left) * 4);
  }
  // The spread is whole pixels, so the copy is exact and its box the shown box moved.
  const TpmRect cast_rect = Moved(shown, place.Offset.X, place.Offset.Y, 0);
  const TpmPixelBox cast{static_cast<int>(cast_rect.Left), static_cast<int>(cast_rect.Top),
                         static_cast<int>(cast_rect.Right), static_cast<int>(cast_rect.Bottom)};
  TpmBitmap shadow(place.Width, place.Height);
  shadow.Canvas().IntersectClipRect(cast_rect);
  shadow.Canvas().DrawBitmap(
      master, WholeOf(master),
      {place.Offset.X, place.Offset.Y, w + place.Offset.X, h + place.Offset.Y}, 1, false);
  shadow.Canvas().ResetClipRect();
  // The effect's own steps (ProcessEffect) with the blur radius of this scale.
  ShadowPixels(shadow, effect->IgnoreAlpha(), geometry.Radius, effect->ShadowColor(),
               effect->Opacity(), cast);
  // Outside the shown box the master is transparent already.
  for (int y = shown.Top; y < shown.Bottom; ++y) {
    std::fill_n(master.Scanline(y) + shown.Left, shown.Right - shown.Left, 0u);
  }
  if (shown.Left >= shown.Right) return;
  // The blur reaches radius pixels from the box, the draw's cubic two more.
  const float reach = static_cast<float>(std::max(geometry.Radius, 0) + 1 + kDrawReach);
  master.Canvas().IntersectClipRect(Moved(cast, place.Effect.Left, place.Effect.Top, reach));
  master.Canvas().DrawBitmap(shadow, WholeOf(shadow), place.Effect, 1, false);
  master.Canvas().ResetClipRect();
  // Moved by whole pixels, a 1:1 draw is an exact copy.
  if (!effect->ReplacesContent()) {
    master.Canvas().DrawBitmap(model, WholeOf(model), Moved(shown, place.Shift.X, place.Shift.Y, 0),
                               1, false);
  }
}

void MakePreviews(const TpmBitmap& master, TIconPreviews& previews) {
  for (int size : TIconPreviews::kSizes) {
    TpmBitmap& image = previews.Of(size);
    image.SetSize(size, size);
    image.Canvas().Clear(0);
    image.Canvas().DrawBitmap(master, WholeOf(master), WholeOf(image), 1, false);
  }
}
