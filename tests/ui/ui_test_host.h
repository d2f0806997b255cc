// A screen vector layer of a given pixel size with a background root, for driving controls
// with pointer and key events in layer pixels.
#pragma once

#include <memory>

#include "ui/controls.h"
#include "ui/pq_layer.h"

class TestLayer {
 public:
  TestLayer(float width = 256, float height = 596) : layer(std::make_unique<TgkScreenPQLayer>()) {
    layer->SetWidth(width);
    layer->SetHeight(height);
    root = new TpmBackground();  // the layer owns its 2D children
    layer->AddObject2D(root);
    layer->UpdateSurface();
  }
  // Adds obj to the root at (x, y).
  template <class T>
  T* Add(T* obj, float x, float y) {
    obj->Position().SetPoint({x, y});
    root->AddObject(obj);
    return obj;
  }
  void Click(float x, float y) {
    layer->PointerMove(0, x, y);
    layer->PointerDown(mbLeft, ssLeft, x, y);
    layer->PointerUp(mbLeft, 0, x, y);
  }
  void Key(uint16_t key) {
    char32_t ch = 0;
    layer->KeyDown(key, ch, 0);
  }
  // Straight alpha of the surface pixel.
  uint32_t Pixel(int x, int y) {
    layer->UpdateSurface();
    return layer->Surface().Bits()[y * layer->Surface().Width() + x];
  }
  std::unique_ptr<TgkScreenPQLayer> layer;
  TpmBackground* root;
};
