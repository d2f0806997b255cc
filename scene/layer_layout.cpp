#include "scene/layer_layout.h"

#include <algorithm>
#include <cmath>

namespace {

struct TFree {
  float L, T, R, B;
};

// Round half to even, as every placement of the program rounds.
float RoundEven(float v) {
  return std::nearbyint(v);
}

bool OwnWidth(TgkLayerAlign a) {
  return a == gkLayerLeft || a == gkLayerRight || a == gkLayerMostLeft || a == gkLayerMostRight;
}

void AlignLayer(TgkLayoutTarget& layer, TFree& f) {
  const TgkLayerAlign align = layer.LayoutAlign();
  float w = f.R - f.L;
  if (OwnWidth(align) || w < 0) w = layer.LayoutWidth();
  float h = f.B - f.T;
  if (align == gkLayerTop || align == gkLayerBottom || h < 0) h = layer.LayoutHeight();
  float x = f.L, y = f.T;
  switch (align) {
    case gkLayerTop:
      f.T += h;
      break;
    case gkLayerLeft:
    case gkLayerMostLeft:
      f.L += w;
      break;
    case gkLayerRight:
    case gkLayerMostRight:
      f.R -= w;
      x = f.R;
      break;
    case gkLayerBottom:
      f.B -= h;
      y = f.B;
      break;
    case gkLayerCenter:
      x = std::trunc((w - layer.LayoutWidth()) / 2) + f.L;
      y = std::trunc((h - layer.LayoutHeight()) / 2) + f.T;
      w = layer.LayoutWidth();
      h = layer.LayoutHeight();
      break;
    default:
      break;
  }
  if (layer.LayoutWidth() != w || layer.LayoutHeight() != h) {
    layer.SetLayoutSize(w, h);
    const float dw = w - layer.LayoutWidth(), dh = h - layer.LayoutHeight();
    switch (align) {
      case gkLayerTop:
        f.T -= dh;
        break;
      case gkLayerLeft:
      case gkLayerMostLeft:
        f.L -= dw;
        break;
      case gkLayerRight:
      case gkLayerMostRight:
        f.R += dw;
        break;
      case gkLayerBottom:
        f.B += dh;
        break;
      case gkLayerClient:
        f.R += dw;
        f.B += dh;
        break;
      default:
        break;
    }
  }
  // The centre follows the size the layer has now, so that one pass puts a resized layer
  // exactly into its slot.
  layer.SetLayoutCentre(RoundEven(layer.LayoutWidth() / 2) + x,
                        RoundEven(layer.LayoutHeight() / 2) + y);
}

}  // namespace

void LayOutScreenLayers(const std::vector<TgkLayoutTarget*>& layers, int width, int height,
                        float overhang) {
  TFree free{-overhang, -overhang, static_cast<float>(width) + overhang,
             static_cast<float>(height) + overhang};
  static constexpr TgkLayerAlign kOrder[] = {gkLayerMostLeft, gkLayerMostRight, gkLayerTop,
                                             gkLayerBottom,   gkLayerLeft,      gkLayerRight,
                                             gkLayerClient,   gkLayerCenter};
  std::vector<TgkLayoutTarget*> group;
  for (TgkLayerAlign align : kOrder) {
    group.clear();
    for (TgkLayoutTarget* l : layers) {
      if (l->LayoutAlign() == align && l->LayoutVisible()) group.push_back(l);
    }
    auto top = [](const TgkLayoutTarget* l) { return l->LayoutCentreY() - l->LayoutHeight() / 2; };
    auto left = [](const TgkLayoutTarget* l) { return l->LayoutCentreX() - l->LayoutWidth() / 2; };
    auto right = [](const TgkLayoutTarget* l) { return l->LayoutCentreX() + l->LayoutWidth() / 2; };
    auto bottom = [](const TgkLayoutTarget* l) {
      return l->LayoutCentreY() + l->LayoutHeight() / 2;
    };
    auto by = [&](auto key, bool ascending) {
      std::stable_sort(group.begin(), group.end(), [&](const auto* a, const auto* b) {
        return ascending ? key(a) < key(b) : key(a) > key(b);
      });
    };
    switch (align) {
      case gkLayerTop:
        by(top, true);
        break;
      case gkLayerLeft:
      case gkLayerMostLeft:
        by(left, true);
        break;
      case gkLayerRight:
      case gkLayerMostRight:
        by(right, false);
        break;
      case gkLayerBottom:
        by(bottom, false);
        break;
      default:
        break;
    }
    for (TgkLayoutTarget* l : group) AlignLayer(*l, free);
  }
}
