#include "imaging/effect_painter.h"

#include "imaging/bitmap.h"
#include "imaging/canvas.h"
#include "imaging/effects.h"

TpmEffectPainter::TpmEffectPainter() = default;
TpmEffectPainter::~TpmEffectPainter() = default;

bool TpmEffectPainter::Paint(TpmCanvas& target, const std::vector<TpmEffect*>& effects, float width,
                             float height, float opacity, const PaintObject& paintObject) {
  bool relevant = false;
  bool replaces = false;
  std::vector<TpmEffect*> enabled;
  for (TpmEffect* e : effects) {
    if (!e) continue;
    relevant |= e->Enabled() || !e->Trigger().empty();
    if (!e->Enabled()) continue;
    enabled.push_back(e);
    replaces |= e->ReplacesContent();
  }
  if (!relevant) return true;
  // Effects switched on or off since the pictures were made: make them anew.
  bool same = pictures_.size() == enabled.size();
  for (size_t i = 0; same && i < enabled.size(); ++i) same = pictures_[i].effect == enabled[i];
  if (!same) stale_ = true;

  const int token = target.SaveCanvas();
  if (stale_ || replaces) {
    pictures_.resize(enabled.size());
    for (size_t i = 0; i < enabled.size(); ++i) {
      Picture& pic = pictures_[i];
      pic.effect = enabled[i];
      pic.rect = enabled[i]->GetEffectRect({0, 0, width, height});
      const int w = static_cast<int>(pic.rect.Width());
      const int h = static_cast<int>(pic.rect.Height());
      if (!pic.bitmap) pic.bitmap = std::make_unique<TpmBitmap>(1, 1);
      if (pic.bitmap->Width() == std::max(w, 1) && pic.bitmap->Height() == std::max(h, 1))
        pic.bitmap->Clear(0);
      else
        pic.bitmap->SetSize(w, h);
      TpmPoint offset{0, 0};
      enabled[i]->GetOffset(offset);
      TpmCanvas& canvas = pic.bitmap->Canvas();
      canvas.SetMatrix(TpmMatrix::Identity());
      if (paintObject)
        paintObject(canvas, {offset.X, offset.Y, offset.X + width, offset.Y + height});
      enabled[i]->ProcessEffect(&canvas, *pic.bitmap);
    }
    stale_ = false;
  }
  for (const Picture& pic : pictures_) {
    const float bw = static_cast<float>(pic.bitmap->Width());
    const float bh = static_cast<float>(pic.bitmap->Height());
    target.DrawBitmap(*pic.bitmap, {0, 0, bw, bh},
                      {pic.rect.Left, pic.rect.Top, pic.rect.Left + bw, pic.rect.Top + bh}, opacity,
                      true);
  }
  target.RestoreCanvas(token);
  return !replaces;
}
