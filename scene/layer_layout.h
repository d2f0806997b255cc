// The placement of screen layers along the window edges. The free area starts one pixel
// (Overhang) larger than the window on every side, so that edge panels overhang the window by a
// pixel and their borders stay out of sight. Layers are taken by alignment (most-left, most-right,
// top, bottom, left, right, client, center), each group in its edge order, and each takes its slot
// from the free area; a layer that keeps a smaller size than its slot gives the rest back.
#pragma once

#include <vector>

enum TgkLayerAlign {
  gkLayerNone,
  gkLayerTop,
  gkLayerLeft,
  gkLayerRight,
  gkLayerBottom,
  gkLayerMostLeft,
  gkLayerMostRight,
  gkLayerClient,
  gkLayerCenter,
};

// What the layout needs of a layer. Positions are the layer's centre in window pixels.
class TgkLayoutTarget {
 public:
  virtual ~TgkLayoutTarget() = default;
  virtual TgkLayerAlign LayoutAlign() const = 0;
  virtual bool LayoutVisible() const = 0;
  virtual float LayoutWidth() const = 0;
  virtual float LayoutHeight() const = 0;
  virtual float LayoutCentreX() const = 0;
  virtual float LayoutCentreY() const = 0;
  // The layer may keep another size; the layout reads it back.
  virtual void SetLayoutSize(float width, float height) = 0;
  virtual void SetLayoutCentre(float x, float y) = 0;
};

// Lays out Layers (in scene-tree order) in a window of Width x Height pixels. Layers with
// gkLayerNone and invisible layers keep their place.
void LayOutScreenLayers(const std::vector<TgkLayoutTarget*>& layers, int width, int height,
                        float overhang = 1);
