#include "app/icon_pipeline.h"
#include "app/shadow_placement.h"

#include <algorithm>
#include <cmath>
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

TShadowPlacement PlaceShadow(const TpmShadowEffect& effect, int master_width, int master_height) {
  const TpmRect bounds{0, 0, static_cast<float>(master_width), static_cast<float>(master_height)};
  TpmRect r = effect.GetEffectRect(bounds);
  const float union_left = std::min(r.Left, bounds.Left);
  const float union_top = std::min(r.Top, bounds.Top);
  TShadowPlacement placement;
  if (r.Left < 0) placement.Shift.X = -std::nearbyint(union_left);
  if (r.Top < 0) placement.Shift.Y = -std::nearbyint(union_top);
  r.Left += placement.Shift.X;
  r.Right += placement.Shift.X;
  r.Top += placement.Shift.Y;
  r.Bottom += placement.Shift.Y;
  placement.Effect = r;
  placement.Width = static_cast<int>(std::trunc(r.Width()));
  placement.Height = static_cast<int>(std::trunc(r.Height()));
  effect.GetOffset(placement.Offset);
  return placement;
}

void AddShadow(TpmBitmap& master, const TpmBitmap& work, const TShadowSettings& settings) {
  std::unique_ptr<TpmShadowEffect> effect = MakeShadowEffect(settings);
  const TShadowPlacement place = PlaceShadow(*effect, master.Width(), master.Height());
  const float w = static_cast<float>(master.Width());
  const float h = static_cast<float>(master.Height());
  TpmBitmap shadow(place.Width, place.Height);
  shadow.Canvas().DrawBitmap(
      master, WholeOf(master),
      {place.Offset.X, place.Offset.Y, w + place.Offset.X, h + place.Offset.Y}, 1, false);
  effect->ProcessEffect(&shadow.Canvas(), shadow);
  master.Canvas().Clear(0);
  master.Canvas().DrawBitmap(shadow, WholeOf(shadow), place.Effect, 1, false);
  if (!effect->ReplacesContent()) {
    master.Canvas().DrawBitmap(work, WholeOf(work),
                               {place.Shift.X, place.Shift.Y, w + place.Shift.X, h + place.Shift.Y},
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
