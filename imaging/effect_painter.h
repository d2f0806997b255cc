// TpmEffectPainter: paints an object through its effects (drop shadow, glow, blur) and
// keeps the effect pictures between paints. A vector object owns one, marks it stale when
// the object or one of its effects changes, and calls Paint before painting itself.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "imaging/geometry.h"

class TpmBitmap;
class TpmCanvas;
class TpmEffect;

class TpmEffectPainter {
 public:
  // Paints the object alone into canvas (identity transform) inside rect.
  using PaintObject = std::function<void(TpmCanvas& canvas, const TpmRect& rect)>;

  TpmEffectPainter();
  ~TpmEffectPainter();

  void MarkStale() { stale_ = true; }
  bool IsStale() const { return stale_; }

  // Draws the effects of an object of size width x height into target (in the object's
  // coordinates) at opacity. Pictures are remade when stale or when an enabled effect
  // replaces the content; otherwise the kept ones are drawn again. Returns false when an
  // enabled effect replaces the content, so the object must not paint itself on top.
  bool Paint(TpmCanvas& target, const std::vector<TpmEffect*>& effects, float width, float height,
             float opacity, const PaintObject& paintObject);

 private:
  struct Picture {
    const TpmEffect* effect = nullptr;
    TpmRect rect;
    std::unique_ptr<TpmBitmap> bitmap;
  };
  // One picture per enabled effect: a single shared picture would show only the last
  // effect's output when the pictures are drawn again.
  std::vector<Picture> pictures_;
  bool stale_ = true;
};
