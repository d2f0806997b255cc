// The class reference of one canvas type: T is made from a window (window, width, height,
// transparency, quality) or from a bitmap.
#pragma once

#include <memory>

#include "scene/canvas.h"

template <class T>
class TgkCanvasClassOf final : public TgkCanvasClass {
 public:
  std::unique_ptr<TgkCanvas> CreateFromWindow(TgkCanvasWindow* window, int width, int height,
                                              bool transparency,
                                              TgkQuality quality) const override {
    return std::make_unique<T>(window, width, height, transparency, quality);
  }
  std::unique_ptr<TgkCanvas> CreateFromBitmap(TgkBitmap& bitmap) const override {
    return std::make_unique<T>(bitmap);
  }
};
